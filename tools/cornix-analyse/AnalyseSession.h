#pragma once
// Runs the desktop program's analysis of one frame over the frames the command
// line names, and formats what came out.
#include "AnalyseRequest.h"
#include "AutoScale.h"
#include "EndoStatistics.h"
#include "UBAnalyseFrame.h"

#include <QImage>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class TBFrameBuffer;

namespace cornix {
class Dialogs;
}

namespace cornix::cli {

// What the automatic scale measured and did on a frame.
struct TAutoScaleInfo {
    std::optional<double> SpacingPx; // estimated cell spacing, frame pixels (none: no clear ring)
    double Confidence = 0;
    double Factor = 1;               // working pixels per frame pixel
    TRect AnalysedRoi;               // the region analysed, frame pixels
    bool Reduced = false;            // the region was reduced to fit the working frame
};

struct TFrameResult {
    enum TStatus { Analysed, TooFewCells, NoSpacing, Error };
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
    std::optional<TAutoScaleInfo> AutoScale; // the automatic-scale mode only
};

// Settings in force for the whole run.
struct TSessionSettings {
    double PixelToMM = 0.00186;
    double PixelToPaq = 1.5;
    TDisplaySettings Display;
};

class TAnalyseSession {
public:
    // autoScale: analyse every frame in the automatic-scale mode.
    explicit TAnalyseSession(const TSessionSettings &settings, double threshold, bool autoScale = false);
    ~TAnalyseSession();

    // Adds the frame to the buffer, sets its region (the default one when none is
    // given), measures its pachymetry and analyses it.
    TFrameResult Analyse(const QImage &frame, const QString &name, const TRect &roi);

    // The frame with colour by sides, edges and centres (the contrast view unless
    // originalView); a null image when the frame was not analysed. In the
    // automatic-scale mode the frame as it was given, with the centres and
    // boundaries mapped back to it; only the last analysed frame can be drawn.
    QImage OverlayImage(const TFrameResult &result, bool originalView);

    // Releases the frame's bitmap, matrix and images once its row and overlay are
    // written; its figures still count in Summary.
    void Release(const TFrameResult &result);

    // Means over the analysed frames (the results page's summary).
    TEndoStats Summary();

    const TSessionSettings &Settings() const { return m_settings; }
    double Threshold() const { return m_threshold; }
    bool AutoScale() const { return m_autoScale; }

private:
    void analyseAutoScaled(TFrameResult &result);
    QString takeShownMessages();

    TSessionSettings m_settings;
    double m_threshold;
    bool m_autoScale;
    std::unique_ptr<TBFrameBuffer> m_buffer;
    TAutoScaleResult m_lastAutoScale; // of frame m_lastAutoScaleFrame
    int m_lastAutoScaleFrame = -1;
    std::unique_ptr<Dialogs> m_messages; // what the analysis would show, kept for the frame's row
};

// The figures under the captions of the results page, with its formats.
QString FormatText(const QList<TFrameResult> &frames, const TEndoStats &summary, const TAnalyseSession &session,
                   const QString &sensitivity);
QString FormatJson(const QList<TFrameResult> &frames, const TEndoStats &summary, const TAnalyseSession &session,
                   const QString &sensitivity);
// With autoScale two columns follow: spacingPx and scaleFactor.
QString FormatCsv(const QList<TFrameResult> &frames, const TEndoStats &summary, bool autoScale = false);

} // namespace cornix::cli
