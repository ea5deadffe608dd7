#include "UBFrameBuffer.h"

#include "Dialogs.h"
#include "Numbers.h"
#include "UBIniSettings.h"
#include "UExame.h"
#include "VoronoiDistMatrix.h"

#include <QRect>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kWidth = cornix::kFrameWidth;
constexpr int kHeight = cornix::kFrameHeight;
constexpr std::int64_t kPixels = cornix::kFramePixels;

QImage asRgb888(const QImage &image)
{
    return image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
}

// (R + G + B) / 3 to the nearest integer: thirds never tie, so (sum + 1) / 3 is exact.
inline std::uint8_t grayOf(const uchar *rgb)
{
    return static_cast<std::uint8_t>((rgb[0] + rgb[1] + rgb[2] + 1) / 3);
}

#if defined(__SSE2__)
// (R + G + B + bias) / 3 of 16 RGB888 pixels (48 bytes), bias 1 when rounded, with
// SSE2, part of every x86-64. Three rounds of byte unpacks sort the channels until
// the red, green and blue of the even pixels and those of the odd pixels stand in
// 16-bit lanes of their own.
inline __m128i gray16(const uchar *rgb, bool rounded)
{
    const auto load = [rgb](int offset) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(rgb + offset)); };
    const auto upper = [](__m128i v) { return _mm_unpackhi_epi64(v, v); };
    __m128i a = load(0), b = load(16), c = load(32);
    for (int round = 0; round < 3; ++round) {
        const __m128i x = _mm_unpacklo_epi8(a, upper(b));
        const __m128i y = _mm_unpacklo_epi8(upper(a), c);
        const __m128i z = _mm_unpacklo_epi8(b, upper(c));
        a = x, b = y, c = z;
    }
    // a: red, then green of pixels 0, 2, .., 14; b: their blue, then red of 1, 3, .., 15;
    // c: green, then blue of the odd pixels.
    const __m128i zero = _mm_setzero_si128();
    const __m128i even =
        _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpackhi_epi8(a, zero)), _mm_unpacklo_epi8(b, zero));
    const __m128i odd =
        _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(b, zero), _mm_unpacklo_epi8(c, zero)), _mm_unpackhi_epi8(c, zero));
    // (sum + bias) / 3 as (sum + bias) * 0xAAAB >> 17, exact for every sum of three bytes.
    const __m128i bias = _mm_set1_epi16(rounded ? 1 : 0), magic = _mm_set1_epi16(static_cast<short>(0xAAAB));
    const auto third = [&](__m128i sum) { return _mm_srli_epi16(_mm_mulhi_epu16(_mm_add_epi16(sum, bias), magic), 1); };
    // Each 16-bit lane: an even pixel's grey in its low byte, the next pixel's in its high byte.
    return _mm_or_si128(third(even), _mm_slli_epi16(third(odd), 8));
}
#endif

} // namespace

void cornix::GreyLevels(const uchar *rgb, std::uint8_t *out, int n, bool rounded)
{
    int c = 0;
#if defined(__SSE2__)
    for (; c + 16 <= n; c += 16, rgb += 48)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + c), gray16(rgb, rounded));
#endif
    const int bias = rounded ? 1 : 0;
    for (; c < n; ++c, rgb += 3)
        out[c] = static_cast<std::uint8_t>((rgb[0] + rgb[1] + rgb[2] + bias) / 3);
}

namespace {

// Calls put(row, col, grey) for every pixel of image inside 640 x 480.
template <typename Put>
void forEachGray(const QImage &image, Put put)
{
    const QImage rgb = asRgb888(image);
    const int rows = std::min(rgb.height(), kHeight);
    const int cols = std::min(rgb.width(), kWidth);
    for (int r = 0; r < rows; ++r) {
        const uchar *line = rgb.constScanLine(r);
        for (int c = 0; c < cols; ++c)
            put(r, c, grayOf(line + 3 * c));
    }
}

// Runs one operation of the buffer. An exception - a frame index outside the
// buffer, a lack of memory - stops it there: "Erro irrecuperável em
// 'TBFrameBuffer.<operation>'" is shown and the fallback returned.
template <typename T, typename Operation>
T guarded(const char *operation, T fallback, Operation run)
{
    try {
        return run();
    } catch (const std::exception &) {
        cornix::ShowUnrecoverable(QStringLiteral("TBFrameBuffer.") + QLatin1String(operation));
    }
    return fallback;
}

std::uint16_t clampTo16(std::int64_t value)
{
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(value, 0, 65535));
}

// Splits "a;b;c" into exactly bins.size() integers. Stops at the first field
// that does not convert (or does not fit 16 bits); false then, or when the
// number of fields differs.
template <std::size_t N>
bool parseDistribution(const QString &text, std::array<std::uint16_t, N> &bins)
{
    const QStringList fields = text.split(QLatin1Char(';'));
    const std::size_t usable = std::min<std::size_t>(static_cast<std::size_t>(fields.size()), N);
    for (std::size_t i = 0; i < usable; ++i) {
        std::int32_t value = 0;
        try {
            value = cornix::StrToInt(fields[static_cast<qsizetype>(i)].toStdString());
        } catch (const cornix::EConvertError &) {
            return false;
        }
        if (value < 0 || value > 65535)
            return false;
        bins[i] = static_cast<std::uint16_t>(value);
    }
    return static_cast<std::size_t>(fields.size()) == N;
}

} // namespace

TFrameRec::TFrameRec() = default;
TFrameRec::~TFrameRec() = default;
TFrameRec::TFrameRec(TFrameRec &&) noexcept = default;
TFrameRec &TFrameRec::operator=(TFrameRec &&) noexcept = default;

TBFrameBuffer::TBFrameBuffer(TAnalysisScale scale) : m_scale(scale) {}

TBFrameBuffer::~TBFrameBuffer()
{
    // Last frame first, as the frames were attached.
    while (!m_frames.empty())
        m_frames.pop_back();
}

TAnalysisScale TBFrameBuffer::ScaleFrom(const TBIniSettings &settings)
{
    return TAnalysisScale{settings.PixelToMM(), settings.PixelToPaq()};
}

// Frames ----------------------------------------------------------------------

bool TBFrameBuffer::AddFrame(const QImage &source, const QString &fixSide, std::uint16_t fixPos, double threshold,
                             const TPachymetry &pachymetry, const TRect &roi, std::uint8_t eye)
{
    try {
        if (m_count >= kMaxFrameCount)
            throw std::bad_alloc();
        TFrameRec rec;
        rec.Bitmap = QImage(kWidth, kHeight, QImage::Format_RGB888);
        if (rec.Bitmap.isNull())
            throw std::bad_alloc();
        rec.Bitmap.fill(Qt::black);
        const QImage rgb = asRgb888(source);
        const int rows = std::min(rgb.height(), kHeight);
        const int bytes = 3 * std::min(rgb.width(), kWidth);
        for (int r = 0; r < rows && bytes > 0; ++r)
            std::memcpy(rec.Bitmap.scanLine(r), rgb.constScanLine(r), static_cast<std::size_t>(bytes));
        rec.FixSide = fixSide.left(1);
        rec.FixPos = fixPos;
        rec.Threshold = threshold;
        rec.PachyLeft = pachymetry.Left;
        rec.PachyRight = pachymetry.Right;
        rec.PachyWidth = pachymetry.Width;
        const TRect normalised = cornix::NormalizedRect(roi);
        if (RectValid(normalised))
            rec.Roi = normalised;
        rec.Eye = eye;
        m_frames.push_back(std::move(rec));
    } catch (const std::bad_alloc &) {
        cornix::ShowError(QStringLiteral("Memória insuficiente para concluir o processo!"), QStringLiteral("Erro"));
        return false;
    }
    ++m_count;
    return true;
}

const TFrameRec &TBFrameBuffer::Frame(int f) const
{
    if (f < 0 || f >= FrameCount())
        throw std::out_of_range("TBFrameBuffer: frame index out of range");
    return m_frames[static_cast<std::size_t>(f)];
}

TFrameRec &TBFrameBuffer::frame(int f)
{
    return const_cast<TFrameRec &>(std::as_const(*this).Frame(f));
}

const QImage &TBFrameBuffer::FrameBitmap(int f) const { return Frame(f).Bitmap; }
const TFrameRec &TBFrameBuffer::LastFrame() const { return Frame(FrameCount() - 1); }

TFixation TBFrameBuffer::Fixation(int f) const
{
    const TFrameRec &rec = Frame(f);
    return TFixation{rec.FixSide, rec.FixPos};
}

std::uint8_t TBFrameBuffer::Eye(int f) const { return Frame(f).Eye; }

void TBFrameBuffer::GrayOf(const QImage &image, TGrayFrame &dest)
{
    // Line by line, each grey level written once.
    const QImage rgb = asRgb888(image);
    const int rows = std::min(rgb.height(), kHeight);
    const int cols = std::min(rgb.width(), kWidth);
    for (int r = 0; r < kHeight; ++r) {
        auto &line = dest[static_cast<std::size_t>(r)];
        const int filled = r < rows ? std::max(cols, 0) : 0;
        if (filled > 0)
            cornix::GreyLevels(rgb.constScanLine(r), line.data(), filled, true);
        std::fill(line.begin() + filled, line.end(), std::uint8_t(0));
    }
}

void TBFrameBuffer::GrayColumnsOf(const QImage &image, TGrayColumns &dest)
{
    for (auto &column : dest)
        column.fill(0);
    forEachGray(image, [&dest](int r, int c, std::uint8_t g) { dest[c][r] = g; });
}

void TBFrameBuffer::Gray(int f, TGrayFrame &dest) const { GrayOf(FrameBitmap(f), dest); }
void TBFrameBuffer::GrayColumns(int f, TGrayColumns &dest) const { GrayColumnsOf(FrameBitmap(f), dest); }

// Region of interest --------------------------------------------------------------

TRect TBFrameBuffer::Roi(int f) const { return Frame(f).Roi; }
bool TBFrameBuffer::RectValid(const TRect &rect) { return cornix::IsValidRoi(rect); }
bool TBFrameBuffer::RoiValid(int f) const { return RectValid(Roi(f)); }

void TBFrameBuffer::SetRoi(int f, const TRect &rect)
{
    TFrameRec &rec = frame(f);
    rec.Roi = TRect{};
    const TRect normalised = cornix::NormalizedRect(rect);
    if (RectValid(normalised))
        rec.Roi = normalised;
}

void TBFrameBuffer::ClearRoi(int f) { frame(f).Roi = TRect{}; }

// Analysis data ---------------------------------------------------------------------

double TBFrameBuffer::Threshold(int f) const { return Frame(f).Threshold; }
void TBFrameBuffer::SetThreshold(int f, double value) { frame(f).Threshold = value; }
TDistMatrix *TBFrameBuffer::Matrix(int f) const { return Frame(f).Matrix.get(); }
void TBFrameBuffer::SetMatrix(int f, std::unique_ptr<TDistMatrix> matrix) { frame(f).Matrix = std::move(matrix); }

void TBFrameBuffer::ReleaseFrameData(int f)
{
    TFrameRec &rec = frame(f);
    rec.Bitmap = QImage();
    rec.Crop = QImage();
    rec.ProcessedCrop = QImage();
    rec.Matrix.reset();
}

void TBFrameBuffer::RestoreCells(int f)
{
    guarded("RestoreCells", false, [&] {
        if (TDistMatrix *matrix = Matrix(f))
            matrix->RestoreCells();
        return true;
    });
}

TPachymetry TBFrameBuffer::Pachymetry(int f) const
{
    const TFrameRec &rec = Frame(f);
    return TPachymetry{rec.PachyLeft, rec.PachyRight, rec.PachyWidth};
}

void TBFrameBuffer::SetPachymetry(int f, std::int32_t left, std::int32_t right, std::int32_t width)
{
    TFrameRec &rec = frame(f);
    rec.PachyLeft = left;
    rec.PachyRight = right;
    rec.PachyWidth = width;
}

TPachymetry TBFrameBuffer::MeasurePachymetry(int f)
{
    // The measure reads the grey levels by rows (the same values as the column order).
    return guarded("MeasurePachymetry", TPachymetry{}, [&] {
        auto gray = std::make_unique_for_overwrite<TGrayFrame>();
        Gray(f, *gray);
        const TPachymetry p = cornix::MeasurePachymetry(*gray);
        SetPachymetry(f, p.Left, p.Right, p.Width);
        return p;
    });
}

std::uint16_t TBFrameBuffer::PachymetryMicrons(int f) const
{
    return cornix::PachymetryMicrons(Frame(f).PachyWidth, m_scale.PixelToPaq);
}

const TFrameStats &TBFrameBuffer::Stats(int f) const { return Frame(f).Stats; }
void TBFrameBuffer::SetStats(int f, const TFrameStats &stats) { frame(f).Stats = stats; }

bool TBFrameBuffer::BCalculateStatistics(int f, std::uint16_t n, double pixelToMM,
                                         [[maybe_unused]] const TCellTable &cells, const TRegionTable &regions,
                                         const TRect &roi)
{
    return guarded("BCalculateStatistics", false, [&] {
        TFrameRec &rec = frame(f);
        if (!RectValid(roi))
            return false;
        cornix::CalculateFrameStats(n, pixelToMM, regions, roi, rec.Stats);
        return true;
    });
}

bool TBFrameBuffer::BCalculateStatistics(int f)
{
    const TFrameRec *rec = guarded("BCalculateStatistics", static_cast<const TFrameRec *>(nullptr),
                                   [&] { return &Frame(f); });
    if (!rec || !rec->Matrix || !RectValid(rec->Roi))
        return false;
    const auto n = static_cast<std::uint16_t>(rec->Matrix->CellCount());
    return BCalculateStatistics(f, n, m_scale.PixelToMM, rec->Matrix->Cells(), rec->Matrix->Regions(), rec->Roi);
}

// Flags --------------------------------------------------------------------------------

bool TBFrameBuffer::UseIt(int f) const { return Frame(f).UseIt; }
void TBFrameBuffer::SetUseIt(int f, bool value) { frame(f).UseIt = value; }
bool TBFrameBuffer::PrintIt(int f) const { return Frame(f).PrintIt; }
void TBFrameBuffer::SetPrintIt(int f, bool value) { frame(f).PrintIt = value; }

int TBFrameBuffer::PrintFrame() const
{
    for (int f = 0; f < FrameCount(); ++f)
        if (m_frames[static_cast<std::size_t>(f)].PrintIt)
            return f;
    return -1;
}

// Crops ---------------------------------------------------------------------------------

const QImage &TBFrameBuffer::Crop(int f) const { return Frame(f).Crop; }
const QImage &TBFrameBuffer::ProcessedCrop(int f) const { return Frame(f).ProcessedCrop; }

void TBFrameBuffer::MakeCrop(int f, const QImage &source, TCropKind which, const TRect &rect)
{
    guarded("MakeCrop", false, [&] {
        TFrameRec &rec = frame(f);
        const TRect r = cornix::NormalizedRect(rect);
        QImage crop;
        if (r.Right > r.Left && r.Bottom > r.Top) {
            // Areas outside the source come out black.
            crop = asRgb888(source.copy(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top)));
        }
        (which == CropProcessed ? rec.ProcessedCrop : rec.Crop) = std::move(crop);
        return true;
    });
}

// Capture test --------------------------------------------------------------------------

bool TBFrameBuffer::AcceptFrame(const QImage &source, double tolerance, double variance, double sd, double mean)
{
    return guarded("AcceptFrame", false, [&] { return acceptFrame(source, tolerance, variance, sd, mean); });
}

bool TBFrameBuffer::acceptFrame(const QImage &source, double tolerance, double variance, double sd, double mean)
{
    auto gray = std::make_unique<TGrayFrame>();
    GrayOf(source, *gray);
    m_histogram.fill(0);
    for (const auto &row : *gray)
        for (std::uint8_t g : row)
            ++m_histogram[g];

    // Exact integer sums: the mean and variance are the correctly rounded values.
    std::int64_t sum = 0, squares = 0;
    for (int g = 0; g < 256; ++g) {
        sum += std::int64_t(g) * m_histogram[static_cast<std::size_t>(g)];
        squares += std::int64_t(g) * g * m_histogram[static_cast<std::size_t>(g)];
    }
    m_imageMean = static_cast<double>(sum) / static_cast<double>(kPixels);
    m_imageVariance = static_cast<double>(kPixels * squares - sum * sum) / static_cast<double>(kPixels * kPixels);
    m_imageSD = std::sqrt(m_imageVariance);

    auto inBand = [tolerance](double value, double expected) {
        return expected * (1 - tolerance) <= value && value <= expected * (1 + tolerance);
    };
    return inBand(m_imageMean, mean) && inBand(m_imageSD, sd) && inBand(m_imageVariance, variance);
}

bool TBFrameBuffer::AcceptFrame(const QImage &source, const TBIniSettings &settings)
{
    return AcceptFrame(source, settings.Tolerance(), settings.Variance(), settings.SD(), settings.Average());
}

// Summary ---------------------------------------------------------------------------------

const TEndoStats &TBFrameBuffer::Summarize()
{
    cornix::TSummaryAccumulator sums;
    for (int f = 0; f < FrameCount(); ++f) {
        const TFrameRec &rec = m_frames[static_cast<std::size_t>(f)];
        if (rec.UseIt)
            sums.Add(rec.Stats, PachymetryMicrons(f));
    }
    m_summary = sums.Result();
    return m_summary;
}

bool TBFrameBuffer::LoadSummary(const TExame &exame)
{
    if (m_count < kMaxFrameCount)
        ++m_count;
    m_summary.FramesUsed = clampTo16(exame.TotalImages);
    m_summary.CellCount = clampTo16(exame.TotalCells);
    m_summary.Density = clampTo16(exame.Density);
    m_summary.AnalysedArea = exame.AnalysedArea;
    m_summary.AreaSD = exame.SD;
    m_summary.MinArea = exame.AreaMin;
    m_summary.MeanArea = exame.AreaMean;
    m_summary.MaxArea = exame.AreaMax;
    m_summary.AreaCV = exame.CV;
    return parseDistribution(exame.MorphoInfo, m_summary.SidesHist)
           && parseDistribution(exame.MegatInfo, m_summary.AreaHist);
}

// TBReview ------------------------------------------------------------------------------------

bool TBReview::Add(TFrameRec &&record)
{
    if (!m_buffer)
        return false;
    const TPachymetry pachymetry{record.PachyLeft, record.PachyRight, record.PachyWidth};
    if (!m_buffer->AddFrame(record.Bitmap, record.FixSide, record.FixPos, record.Threshold, pachymetry, record.Roi,
                            record.Eye))
        return false;
    m_buffer->SetMatrix(m_buffer->FrameCount() - 1, std::move(record.Matrix));
    return true;
}
