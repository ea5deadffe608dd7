#pragma once
// Runs the desktop program's analysis of one frame over the frames the command
// line names, and formats what came out.
#include "AnalyseRequest.h"
#include "EndoStatistics.h"
#include "UBAnalyseFrame.h"

#include <QImage>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class TBFrameBuffer;

namespace cornix::cli {

struct TFrameResult {
    enum TStatus { Analysed, TooFewCells, Error };
    QString Name;
    TStatus Status = Error;
    QString Message;               // why the frame was not analysed
    QString Note;                  // e.g. the image was padded
    TRect Roi;
    std::int32_t CellsFound = 0;   // centres the finder gave
    TFrameStats Stats;
    std::uint16_t PachymetryMicrons = 0;
    std::optional<double> TrueDensity; // synthetic frames only
    int FrameIndex = -1;           // in the session's frame buffer
};

// Settings in force for the whole run.
struct TSessionSettings {
    double PixelToMM = 0.00186;
    double PixelToPaq = 1.5;
    TDisplaySettings Display;
};

class TAnalyseSession {
public:
    explicit TAnalyseSession(const TSessionSettings &settings, double threshold);
    ~TAnalyseSession();

    // Adds the frame to the buffer, sets its region (the default one when none is
    // given), measures its pachymetry and analyses it.
    TFrameResult Analyse(const QImage &frame, const QString &name, const TRect &roi);

    // The frame with colour by sides, edges and centres (the contrast view unless
    // originalView); a null image when the frame was not analysed.
    QImage OverlayImage(const TFrameResult &result, bool originalView);

    // Means over the analysed frames (the results page's summary).
    TEndoStats Summary();

    const TSessionSettings &Settings() const { return m_settings; }
    double Threshold() const { return m_threshold; }

private:
    TSessionSettings m_settings;
    double m_threshold;
    std::unique_ptr<TBFrameBuffer> m_buffer;
};

// The figures under the captions of the results page, with its formats.
QString FormatText(const QList<TFrameResult> &frames, const TEndoStats &summary, const TAnalyseSession &session,
                   const QString &sensitivity);
QString FormatJson(const QList<TFrameResult> &frames, const TEndoStats &summary, const TAnalyseSession &session,
                   const QString &sensitivity);
QString FormatCsv(const QList<TFrameResult> &frames, const TEndoStats &summary);

} // namespace cornix::cli
