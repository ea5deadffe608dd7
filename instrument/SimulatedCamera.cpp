#include "SimulatedCamera.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace cornix::video {

namespace {

constexpr double kTargetMeanGrey = 110.0; // what the automatic gain aims at
constexpr int kMaxDrift = 24;              // pixels, well inside the mosaic's margin

double Uniform(std::mt19937 &rng) { return (double(rng()) + 0.5) * (1.0 / 4294967296.0); }

// One grey/colour level through the amplifier: gain around black, then contrast
// around mid-grey, then brightness.
std::array<std::uint8_t, 256> AmplifierTable(double gain, double contrast, double brightness)
{
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v) {
        const double out = (v * gain - 128.0) * contrast + 128.0 + brightness;
        table[v] = std::uint8_t(std::clamp(std::floor(out + 0.5), 0.0, 255.0));
    }
    return table;
}

} // namespace

QImage SyntheticEyeImage(int width, int height)
{
    QImage eye(width, height, QImage::Format_RGB32);
    eye.fill(QColor(196, 150, 128)); // skin
    QPainter p(&eye);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width / 2.0, height / 2.0);
    const double scale = width / 320.0;
    // The opening of the lids: an almond between two arcs.
    QPainterPath opening;
    opening.moveTo(centre.x() - 130 * scale, centre.y());
    opening.quadTo(centre.x(), centre.y() - 120 * scale, centre.x() + 130 * scale, centre.y());
    opening.quadTo(centre.x(), centre.y() + 110 * scale, centre.x() - 130 * scale, centre.y());
    p.setPen(QPen(QColor(90, 60, 50), 3 * scale));
    p.setBrush(QColor(235, 228, 222)); // sclera
    p.drawPath(opening);
    p.setClipPath(opening);
    // Iris with radial shading, dark limbus ring, pupil, and the light's reflection.
    const double iris = 48 * scale;
    QRadialGradient irisShade(centre, iris);
    irisShade.setColorAt(0.0, QColor(120, 95, 60));
    irisShade.setColorAt(0.7, QColor(95, 70, 45));
    irisShade.setColorAt(1.0, QColor(50, 35, 25));
    p.setPen(Qt::NoPen);
    p.setBrush(irisShade);
    p.drawEllipse(centre, iris, iris);
    p.setPen(QPen(QColor(70, 50, 35), 1));
    for (int k = 0; k < 48; ++k) { // iris fibres
        const double a = k * 2 * M_PI / 48;
        p.drawLine(centre + QPointF(std::cos(a), std::sin(a)) * 18 * scale,
                   centre + QPointF(std::cos(a), std::sin(a)) * (iris - 3));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 10, 10));
    p.drawEllipse(centre, 16 * scale, 16 * scale);
    p.setBrush(QColor(250, 250, 250));
    p.drawEllipse(centre + QPointF(-6, -7) * scale, 4 * scale, 4 * scale);
    return eye;
}

SimulatedCamera::SimulatedCamera(CameraRole role, std::uint32_t seed, QObject *parent)
    : FrameSource(parent), m_role(role), m_seed(seed), m_rng(seed)
{
    m_brightness.value = kBrightnessRange.defaultValue;
    m_contrast.value = kContrastRange.defaultValue;
    m_gain.value = kGainRange.defaultValue;
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &SimulatedCamera::deliverFrame);
}

SimulatedCamera::~SimulatedCamera() = default;

QSize SimulatedCamera::frameSize() const
{
    return m_role == CameraRole::Main ? QSize(sim::kSimFrameWidth, sim::kSimFrameHeight) : QSize(320, 240);
}

bool SimulatedCamera::start()
{
    if (m_role == CameraRole::Main && !m_tissue)
        m_tissue = std::make_unique<sim::SyntheticEndothelium>(m_seed);
    if (m_role == CameraRole::Auxiliary && m_eye.isNull())
        m_eye = SyntheticEyeImage(frameSize().width(), frameSize().height());
    m_running = true;
    m_paused = false;
    if (m_automaticDelivery)
        m_timer.start();
    emit started();
    return true;
}

void SimulatedCamera::pause()
{
    m_paused = true;
    m_timer.stop();
}

void SimulatedCamera::resume()
{
    if (!m_running)
        return;
    m_paused = false;
    if (m_automaticDelivery)
        m_timer.start();
}

void SimulatedCamera::stop()
{
    m_running = false;
    m_timer.stop();
}

void SimulatedCamera::setAutomaticDelivery(bool on)
{
    m_automaticDelivery = on;
    if (on && m_running && !m_paused)
        m_timer.start();
    else
        m_timer.stop();
}

SimulatedCamera::Amplifier *SimulatedCamera::amplifier(int setting)
{
    switch (setting) {
    case kSettingBrightness: return &m_brightness;
    case kSettingContrast: return &m_contrast;
    case kSettingGain: return &m_gain;
    default: return nullptr;
    }
}

const SimulatedCamera::Amplifier *SimulatedCamera::amplifier(int setting) const
{
    return const_cast<SimulatedCamera *>(this)->amplifier(setting);
}

std::optional<VideoSettingRange> SimulatedCamera::settingRange(int setting) const
{
    switch (setting) {
    case kSettingBrightness: return kBrightnessRange;
    case kSettingContrast: return kContrastRange;
    case kSettingGain: return kGainRange;
    default: return std::nullopt;
    }
}

void SimulatedCamera::applySetting(int setting, int value, bool automatic)
{
    const std::optional<VideoSettingRange> range = settingRange(setting);
    Amplifier *amp = amplifier(setting);
    if (!range || !amp)
        throw EVideoSettingError("setting not offered");
    if (value < range->min || value > range->max)
        throw EVideoSettingError("value out of range");
    amp->value = value;
    amp->automatic = automatic && range->automaticAvailable;
    if (setting == kSettingGain && amp->automatic)
        m_autoGain = gainFactor();
}

int SimulatedCamera::settingValue(int setting) const
{
    const Amplifier *amp = amplifier(setting);
    return amp ? amp->value : 0;
}

bool SimulatedCamera::settingAutomatic(int setting) const
{
    const Amplifier *amp = amplifier(setting);
    return amp && amp->automatic;
}

double SimulatedCamera::gainFactor() const
{
    return m_gain.automatic ? m_autoGain : 1.0 + m_gain.value / 50.0;
}

double SimulatedCamera::brightnessOffset() const
{
    return m_brightness.automatic ? 0.0 : m_brightness.value - 128.0;
}

double SimulatedCamera::contrastFactor() const { return m_contrast.value / 128.0; }

void SimulatedCamera::advance()
{
    FrameState &s = m_state;
    s.outOfFocus = false;
    s.dark = false;
    if (!m_variation)
        return;
    // Slow random walk of the eye, breathing of the focus, lamp flicker.
    if (Uniform(m_rng) < 0.3)
        s.shiftRow = std::clamp(s.shiftRow + (Uniform(m_rng) < 0.5 ? -1 : 1), -kMaxDrift, kMaxDrift);
    if (Uniform(m_rng) < 0.3)
        s.shiftCol = std::clamp(s.shiftCol + (Uniform(m_rng) < 0.5 ? -1 : 1), -kMaxDrift, kMaxDrift);
    s.focus = std::clamp(s.focus + 0.05 * (Uniform(m_rng) - 0.5), 0.5, 1.3);
    s.flicker = 0.8 * s.flicker + 2.0 * (Uniform(m_rng) - 0.5);
    // Now and then the patient moves or blinks.
    const double event = Uniform(m_rng);
    s.outOfFocus = event < 1.0 / 60;
    s.dark = event >= 1.0 / 60 && event < 2.0 / 60;
}

QImage SimulatedCamera::renderFrame()
{
    advance();
    return m_role == CameraRole::Main ? renderMain() : renderEye();
}

QImage SimulatedCamera::renderMain()
{
    if (!m_tissue)
        m_tissue = std::make_unique<sim::SyntheticEndothelium>(m_seed);
    const double gain = gainFactor();
    sim::CameraParams camera;
    camera.limitedField = true; // the microscope lights a central field, as the analysis expects
    camera.shiftRow = m_state.shiftRow;
    camera.shiftCol = m_state.shiftCol;
    camera.focusBlur = m_state.outOfFocus ? 3.5 : m_state.focus;
    camera.cellLevel *= gain;
    camera.borderLevel *= gain;
    camera.noiseSigma *= gain;
    camera.contrast = contrastFactor();
    camera.brightness = brightnessOffset() + m_state.flicker + (m_state.dark ? -90.0 : 0.0);
    camera.noiseSeed = m_seed * 7919u + std::uint32_t(m_delivered);
    QImage frame(sim::kSimFrameWidth, sim::kSimFrameHeight, QImage::Format_Grayscale8);
    // The generator writes tightly packed rows; 640 bytes per line needs no padding.
    m_tissue->renderPixels(camera, frame.bits());
    if (m_gain.automatic) {
        // Sample every 16th pixel: enough for a mean, cheap.
        const uchar *bits = frame.constBits();
        double sum = 0;
        int n = 0;
        for (qsizetype i = 0; i < frame.sizeInBytes(); i += 16, ++n)
            sum += bits[i];
        updateAutomaticGain(sum / n);
    }
    return frame;
}

QImage SimulatedCamera::renderEye()
{
    if (m_eye.isNull())
        m_eye = SyntheticEyeImage(frameSize().width(), frameSize().height());
    const auto table = AmplifierTable(gainFactor(), contrastFactor(),
                                      brightnessOffset() + m_state.flicker + (m_state.dark ? -90.0 : 0.0));
    QImage frame(m_eye.size(), QImage::Format_RGB32);
    const int dx = m_state.shiftCol / 4, dy = m_state.shiftRow / 4; // the eye moves less than the tissue
    double sum = 0;
    for (int y = 0; y < frame.height(); ++y) {
        const int sy = std::clamp(y - dy, 0, frame.height() - 1);
        const QRgb *src = reinterpret_cast<const QRgb *>(m_eye.constScanLine(sy));
        QRgb *dst = reinterpret_cast<QRgb *>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb c = src[std::clamp(x - dx, 0, frame.width() - 1)];
            dst[x] = qRgb(table[qRed(c)], table[qGreen(c)], table[qBlue(c)]);
        }
        sum += qGreen(dst[frame.width() / 2]);
    }
    if (m_gain.automatic)
        updateAutomaticGain(sum / frame.height());
    return frame;
}

void SimulatedCamera::updateAutomaticGain(double meanGrey)
{
    if (meanGrey < 1)
        meanGrey = 1;
    m_autoGain = std::clamp(m_autoGain * std::sqrt(kTargetMeanGrey / meanGrey), 1.0, 3.0);
}

void SimulatedCamera::deliverFrame()
{
    if (!m_running || m_paused)
        return;
    QImage frame = renderFrame();
    ++m_delivered;
    emit frameArrived(frame);
}

} // namespace cornix::video
