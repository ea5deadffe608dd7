#pragma once
// The simulated instrument cameras. The main camera streams synthetic endothelium
// (640 x 480, 8-bit grey) with small changes from frame to frame: drift, focus,
// brightness flicker, and now and then an out-of-focus or a dark frame. The
// auxiliary camera streams an eye seen from the front (320 x 240, colour).
// Brightness, contrast and gain change the picture as a camera's amplifier would.
#include "FrameSource.h"
#include "SyntheticEndothelium.h"

#include <QTimer>

#include <array>
#include <random>

namespace cornix::video {

class SimulatedCamera : public FrameSource {
    Q_OBJECT
public:
    static constexpr int kFrameIntervalMs = 33; // about 30 frames per second
    // Amplifier ranges (same numbers for both cameras).
    static constexpr VideoSettingRange kBrightnessRange{0, 255, 1, 128, true};
    static constexpr VideoSettingRange kContrastRange{0, 255, 1, 128, false};
    static constexpr VideoSettingRange kGainRange{0, 100, 1, 0, true};

    explicit SimulatedCamera(CameraRole role, std::uint32_t seed = 1, QObject *parent = nullptr);
    ~SimulatedCamera() override;

    bool start() override;
    void pause() override;
    void resume() override;
    void stop() override;
    bool isRunning() const override { return m_running; }

    std::optional<VideoSettingRange> settingRange(int setting) const override;
    void applySetting(int setting, int value, bool automatic) override;

    // With automatic delivery off (tests), frames come only from deliverFrame().
    void setAutomaticDelivery(bool on);
    // Frame-to-frame changes on (default) or off (a steady picture, noise only).
    void setVariation(bool on) { m_variation = on; }
    // Renders and emits the next frame now, if the camera is running and not paused.
    void deliverFrame();
    // Renders the next frame without emitting it.
    QImage renderFrame();

    CameraRole role() const { return m_role; }
    QSize frameSize() const;
    quint64 framesDelivered() const { return m_delivered; }
    int settingValue(int setting) const;
    bool settingAutomatic(int setting) const;

private:
    struct Amplifier {
        int value = 0;
        bool automatic = false;
    };
    struct FrameState {
        int shiftRow = 0;
        int shiftCol = 0;
        double focus = 0.8;
        double flicker = 0;
        bool outOfFocus = false;
        bool dark = false;
    };

    void advance();
    double gainFactor() const;
    double brightnessOffset() const;
    double contrastFactor() const;
    QImage renderMain();
    QImage renderEye();
    void updateAutomaticGain(double meanGrey);
    Amplifier *amplifier(int setting);
    const Amplifier *amplifier(int setting) const;

    CameraRole m_role;
    std::uint32_t m_seed;
    std::unique_ptr<sim::SyntheticEndothelium> m_tissue; // built on first start
    QImage m_eye;                                        // the auxiliary picture before the amplifier
    QTimer m_timer;
    std::mt19937 m_rng;
    FrameState m_state;
    Amplifier m_brightness, m_contrast, m_gain;
    double m_autoGain = 1.0; // factor the automatic gain has settled on
    bool m_running = false;
    bool m_paused = false;
    bool m_automaticDelivery = true;
    bool m_variation = true;
    quint64 m_delivered = 0;
};

// The auxiliary camera's picture: an eye seen from the front, 320 x 240 RGB32.
QImage SyntheticEyeImage(int width = 320, int height = 240);

} // namespace cornix::video
