#pragma once
// The frames captured during one examination and everything the analysis
// attaches to each of them, plus the examination's summary.
//
// Bitmaps are QImage::Format_RGB888 (24 bits per pixel, like the files saved
// with an examination), 640 x 480 for frames. Frame indices run 0..FrameCount()-1:
// an accessor or setter given an index outside that range raises std::out_of_range
// (a caller's mistake), while the operations - statistics, pachymetry, crops,
// restoring the cells, the capture test - catch whatever stops them and show
// "Erro irrecuperável em 'TBFrameBuffer.<operation>'". The buffer owns every
// frame's bitmap, crops and neighbourhood matrix.
#include "AnalysisTypes.h"
#include "EndoStatistics.h"
#include "FrameAnalysis.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TDistMatrix;
class TBIniSettings;
struct TExame;

// Which crop MakeCrop makes.
enum TCropKind : int {
    CropOriginal = 0,  // cut from the unprocessed frame
    CropProcessed = 1, // cut from the displayed frame with its overlay
};

struct TFixation {
    QString FixSide;           // "", "N" or "T"
    std::uint16_t FixPos = 0;  // clock position 0..12
};

// One captured frame with everything attached to it. Moves only (it owns its matrix).
struct TFrameRec {
    QImage Bitmap;        // the captured frame, 640 x 480, RGB888
    QImage Crop;          // region of interest of the unprocessed frame; null until made
    QImage ProcessedCrop; // region of interest with the overlay; null until made
    QString FixSide;
    std::uint16_t FixPos = 0;
    std::uint8_t Eye = 0; // 0 = OD, 1 = OS
    TRect Roi;            // (0, 0, 0, 0) = none; stored normalised
    TFrameStats Stats;    // written by BCalculateStatistics
    std::int32_t PachyLeft = 0;
    std::int32_t PachyRight = 0;
    std::int32_t PachyWidth = 0;
    double Threshold = 0;                // sensitivity of the cell finder
    std::unique_ptr<TDistMatrix> Matrix; // null until analysed
    bool UseIt = false;   // counts in the examination's figures
    bool PrintIt = false; // the frame saved and printed with the examination

    TFrameRec();
    ~TFrameRec();
    TFrameRec(TFrameRec &&) noexcept;
    TFrameRec &operator=(TFrameRec &&) noexcept;
};

namespace cornix {
// (R + G + B) / 3 of each of n RGB888 pixels: rounded (the frames' grey levels; thirds
// never tie, so (sum + 1) div 3) or truncated (sum div 3, the overlay's canvas grey).
void GreyLevels(const uchar *rgb, std::uint8_t *out, int n, bool rounded);
} // namespace cornix

class TBFrameBuffer {
public:
    static constexpr double kNewFrameThreshold = -3.0;
    static constexpr int kMaxFrameCount = 65535;

    explicit TBFrameBuffer(TAnalysisScale scale = {});
    ~TBFrameBuffer();
    TBFrameBuffer(const TBFrameBuffer &) = delete;
    TBFrameBuffer &operator=(const TBFrameBuffer &) = delete;

    static TAnalysisScale ScaleFrom(const TBIniSettings &settings);
    const TAnalysisScale &Scale() const { return m_scale; }
    void SetScale(const TAnalysisScale &scale) { m_scale = scale; }

    // Frames ---------------------------------------------------------------
    // Copies the rectangle (0, 0, 640, 480) of source into a new RGB888 frame
    // (parts outside the source stay black). On lack of memory shows "Erro"
    // "Memória insuficiente para concluir o processo!" and returns false.
    bool AddFrame(const QImage &source, const QString &fixSide, std::uint16_t fixPos, double threshold,
                  const TPachymetry &pachymetry, const TRect &roi, std::uint8_t eye);
    // Frames added plus stored examinations loaded with LoadSummary.
    int Count() const { return m_count; }
    // Frame records actually held (the valid frame indices).
    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    const TFrameRec &Frame(int f) const;
    const QImage &FrameBitmap(int f) const;
    const TFrameRec &LastFrame() const;
    TFixation Fixation(int f) const;
    std::uint8_t Eye(int f) const;

    // Grey levels (R + G + B) / 3 rounded; never writes past 640 x 480, pixels
    // beyond a smaller bitmap are 0.
    void Gray(int f, TGrayFrame &dest) const;
    void GrayColumns(int f, TGrayColumns &dest) const;
    static void GrayOf(const QImage &image, TGrayFrame &dest);
    static void GrayColumnsOf(const QImage &image, TGrayColumns &dest);

    // Region of interest ------------------------------------------------------
    TRect Roi(int f) const;
    static bool RectValid(const TRect &rect); // (Bottom - Top) * (Right - Left) > 50
    bool RoiValid(int f) const;
    // Clears the region, then stores rect normalised if it is valid.
    void SetRoi(int f, const TRect &rect);
    void ClearRoi(int f);

    // Analysis data -------------------------------------------------------------
    double Threshold(int f) const;
    void SetThreshold(int f, double value);
    // Null until analysed; the buffer keeps ownership.
    TDistMatrix *Matrix(int f) const;
    // Takes ownership; the frame's previous matrix is released.
    void SetMatrix(int f, std::unique_ptr<TDistMatrix> matrix);
    // Releases f's bitmap, crops and matrix (batch analysis of many frames); its
    // region, figures, pachymetry and flags stay, so Summarize still counts it.
    void ReleaseFrameData(int f);
    void RestoreCells(int f);

    TPachymetry Pachymetry(int f) const;
    void SetPachymetry(int f, std::int32_t left, std::int32_t right, std::int32_t width);
    // Measures the frame's pachymetry from its bitmap and stores it.
    TPachymetry MeasurePachymetry(int f);
    // PachyWidth × PixelToPaq in µm, rounded; a negative width gives 0.
    std::uint16_t PachymetryMicrons(int f) const;

    // Statistics of a frame (see EndoStatistics.h).
    const TFrameStats &Stats(int f) const;
    // Stores figures computed elsewhere (by the analysis of the frame's grey frame).
    void SetStats(int f, const TFrameStats &stats);
    std::uint16_t CellCount(int f) const { return Stats(f).CellCount; }
    const TSidesHist &SidesHist(int f) const { return Stats(f).SidesHist; }
    std::uint16_t Density(int f) const { return Stats(f).Density; }
    const TAreaHist &AreaHist(int f) const { return Stats(f).AreaHist; }
    double MaxArea(int f) const { return Stats(f).MaxArea; }
    double MinArea(int f) const { return Stats(f).MinArea; }
    double MeanArea(int f) const { return Stats(f).MeanArea; }
    double AnalysedArea(int f) const { return Stats(f).AnalysedArea; }
    double AreaSD(int f) const { return Stats(f).AreaSD; }
    double AreaCV(int f) const { return Stats(f).AreaCV; }

    // Computes and stores frame f's figures from n centres and the region table,
    // counting the regions whose centre lies strictly inside roi. Does nothing
    // when roi is not valid. A failure shows "Erro irrecuperável em
    // 'TBFrameBuffer.BCalculateStatistics'" and keeps what was computed; returns
    // false then.
    bool BCalculateStatistics(int f, std::uint16_t n, double pixelToMM, const TCellTable &cells,
                              const TRegionTable &regions, const TRect &roi);
    // The same from the frame's own matrix and region, with Scale().PixelToMM.
    // Does nothing (returns false) without a matrix or a valid region.
    bool BCalculateStatistics(int f);

    // Flags -------------------------------------------------------------------------
    bool UseIt(int f) const;
    void SetUseIt(int f, bool value);
    bool PrintIt(int f) const;
    void SetPrintIt(int f, bool value);
    // The first frame whose PrintIt flag is set, -1 when none.
    int PrintFrame() const;

    // Crops -------------------------------------------------------------------------
    const QImage &Crop(int f) const;          // null until made
    const QImage &ProcessedCrop(int f) const; // null until made
    // Copies the |Right - Left| x |Bottom - Top| area of source starting at the
    // rectangle's top-left corner into the crop of the given kind (replacing it).
    void MakeCrop(int f, const QImage &source, TCropKind which, const TRect &rect);

    // Capture test --------------------------------------------------------------------
    // True when the grey mean, SD and variance of source lie in their bands
    // expected × (1 ± tolerance), bounds included (tolerance is a fraction).
    bool AcceptFrame(const QImage &source, double tolerance, double variance, double sd, double mean);
    // The same with the settings of section AUTOCAPTURE (tolerance, sd², sd, average).
    bool AcceptFrame(const QImage &source, const TBIniSettings &settings);
    const std::array<std::int32_t, 256> &Histogram() const { return m_histogram; }
    double ImageMean() const { return m_imageMean; }
    double ImageVariance() const { return m_imageVariance; }
    double ImageSD() const { return m_imageSD; }

    // Summary ------------------------------------------------------------------------------
    // Recomputes the summary from the frames whose UseIt flag is set and returns it.
    const TEndoStats &Summarize();
    const TEndoStats &Summary() const { return m_summary; }
    // Fills the summary from a stored examination; Count grows by 1 (no frame is
    // added). False when a distribution text does not convert (the values
    // converted so far are kept).
    bool LoadSummary(const TExame &exame);

private:
    TFrameRec &frame(int f);
    bool acceptFrame(const QImage &source, double tolerance, double variance, double sd, double mean);

    TAnalysisScale m_scale;
    int m_count = 0;
    std::vector<TFrameRec> m_frames;
    std::array<std::int32_t, 256> m_histogram{};
    double m_imageMean = 0;
    double m_imageVariance = 0;
    double m_imageSD = 0;
    TEndoStats m_summary;
};

// Adds prepared frame records to whichever buffer the given variable holds.
class TBReview {
public:
    explicit TBReview(std::unique_ptr<TBFrameBuffer> &bufferVariable) : m_buffer(bufferVariable) {}
    // AddFrame with the record's bitmap, fixation, threshold, pachymetry, region and
    // eye, then hands the record's matrix to the new frame. False when no buffer
    // is held or AddFrame fails.
    bool Add(TFrameRec &&record);

private:
    std::unique_ptr<TBFrameBuffer> &m_buffer;
};
