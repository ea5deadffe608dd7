#pragma once
// Brightness, contrast and gain of a Linux capture device through its V4L2
// controls (libv4l2). Qt Multimedia does not expose the amplifier settings.
#include "FrameSource.h"

#include <optional>
#include <string>

namespace cornix::video {

class V4l2Controls {
public:
    V4l2Controls() = default;
    ~V4l2Controls();
    V4l2Controls(const V4l2Controls &) = delete;
    V4l2Controls &operator=(const V4l2Controls &) = delete;

    // Opens a device node such as /dev/video0; false when it cannot be opened.
    bool open(const std::string &devicePath);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // The range of setting 0, 1 or 9, or nothing when the device lacks the control.
    std::optional<VideoSettingRange> range(int setting) const;
    // Automatic mode uses the device's automatic control where it has one; otherwise the
    // value is applied manually. Throws EVideoSettingError when the driver refuses.
    void apply(int setting, int value, bool automatic);

private:
    bool controlExists(unsigned id) const;
    void setControl(unsigned id, int value);

    int m_fd = -1;
};

} // namespace cornix::video
