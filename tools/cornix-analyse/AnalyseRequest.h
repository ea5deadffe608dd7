#pragma once
// Command line of cornix-analyse: what to analyse and how.
#include "AnalysisTypes.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace cornix::cli {

enum class TOutputFormat { Text, Json, Csv };

struct TAnalyseRequest {
    QString Input;                  // file or folder; empty with Demo
    int InputArgument = -1;         // index of Input among the arguments (for its bytes as given)
    bool Demo = false;              // analyse a synthetic frame instead
    std::uint32_t DemoSeed = 1;
    double DemoDensity = 2500.0;    // cells/mm² of the synthetic frame
    QString SaveFrame;              // write the (synthetic or padded) frame as PNG
    std::optional<TRect> Roi;       // default: the image inset by an eighth on each side
    double Threshold = -3.0;
    QString SensitivityText = QStringLiteral("Normal");
    std::optional<double> MmPerPixel;
    QString IniFile;
    std::optional<TOutputFormat> Format; // default: text for a frame, JSON for a folder
    QString Overlay;                // PNG file (a folder for a folder of frames)
    bool OriginalView = false;      // overlay over the original region instead of the contrast view
    bool AutoScale = false;         // the automatic-scale mode (the frame resampled to the finder's cell size)
    bool ShowHelp = false;
};

// Parses the arguments (without the program name). On error returns nothing and
// sets *error to a one-line message.
std::optional<TAnalyseRequest> ParseArguments(const QStringList &arguments, QString *error);

// "Alta", "Normal", "Baixa" (any case) or a number (the finder's threshold).
std::optional<double> ParseSensitivity(const QString &text);
// "L,T,R,B" with integers.
std::optional<TRect> ParseRect(const QString &text);
// Empty when the region can be analysed, else the reason.
QString CheckRoi(const TRect &roi);
// The default region of an image of the given size placed at the top-left.
TRect DefaultRoi(int width, int height);

QString UsageText();

} // namespace cornix::cli
