#pragma once
// Where a camera wrapper's frames come from: a capture device through Qt
// Multimedia, or the simulated instrument. Sources live on the user-interface
// thread and emit frameArrived() there.
#include <QImage>
#include <QObject>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace cornix::video {

enum class CameraRole { Main, Auxiliary };

// Video processing amplifier settings, numbered as the wrappers' track bar tags.
inline constexpr int kSettingBrightness = 0;
inline constexpr int kSettingContrast = 1;
inline constexpr int kSettingGain = 9;
// Settings numbered from here on are ignored.
inline constexpr int kFirstIgnoredSetting = 10;

struct VideoSettingRange {
    int min = 0;
    int max = 0;
    int step = 1;
    int defaultValue = 0;
    bool automaticAvailable = false;
};

// A device refused a setting (value out of range, driver error).
class EVideoSettingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FrameSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~FrameSource() override = default;

    // Starts delivering frames; false when the device does not exist or cannot start
    // (then nothing is ever delivered and nothing is reported).
    virtual bool start() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;

    // The range of a setting, or nothing when the device does not offer it.
    virtual std::optional<VideoSettingRange> settingRange(int setting) const = 0;
    // Applies a value (manual) or automatic mode. Throws EVideoSettingError when refused.
    virtual void applySetting(int setting, int value, bool automatic) = 0;

signals:
    void started();
    // One frame, on the user-interface thread. The image is not reused by the source.
    void frameArrived(const QImage &frame);
};

struct FrameSourceRequest {
    CameraRole role = CameraRole::Main;
    int deviceIndex = 0;
    QSize size{640, 480};
};

using FrameSourceMaker = std::function<std::unique_ptr<FrameSource>(const FrameSourceRequest &)>;

// The source for a camera wrapper: the maker installed with SetFrameSourceMaker, else
// simulated cameras when the settings file selects them, else the capture device.
std::unique_ptr<FrameSource> CreateFrameSource(const FrameSourceRequest &request);
// Tests and tools replace the choice; an empty maker restores it.
void SetFrameSourceMaker(FrameSourceMaker maker);

// CAMERA/source in the settings file: "simulated" selects the simulated cameras; a
// missing key or any other value keeps the capture devices.
bool SimulatedCamerasSelected(const QString &settingsFileName);

} // namespace cornix::video
