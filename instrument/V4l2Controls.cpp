#include "V4l2Controls.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

namespace cornix::video {

namespace {

struct ControlIds {
    unsigned value = 0;
    unsigned automatic = 0; // 0: the standard has no automatic control for it
};

std::optional<ControlIds> IdsFor(int setting)
{
    switch (setting) {
    case kSettingBrightness: return ControlIds{V4L2_CID_BRIGHTNESS, V4L2_CID_AUTOBRIGHTNESS};
    case kSettingContrast: return ControlIds{V4L2_CID_CONTRAST, 0};
    case kSettingGain: return ControlIds{V4L2_CID_GAIN, V4L2_CID_AUTOGAIN};
    default: return std::nullopt;
    }
}

} // namespace

V4l2Controls::~V4l2Controls() { close(); }

bool V4l2Controls::open(const std::string &devicePath)
{
    close();
    m_fd = v4l2_open(devicePath.c_str(), O_RDWR | O_NONBLOCK);
    return m_fd >= 0;
}

void V4l2Controls::close()
{
    if (m_fd >= 0)
        v4l2_close(m_fd);
    m_fd = -1;
}

bool V4l2Controls::controlExists(unsigned id) const
{
    if (m_fd < 0 || id == 0)
        return false;
    v4l2_queryctrl query{};
    query.id = id;
    return v4l2_ioctl(m_fd, VIDIOC_QUERYCTRL, &query) == 0 && !(query.flags & V4L2_CTRL_FLAG_DISABLED);
}

std::optional<VideoSettingRange> V4l2Controls::range(int setting) const
{
    const std::optional<ControlIds> ids = IdsFor(setting);
    if (!ids || m_fd < 0)
        return std::nullopt;
    v4l2_queryctrl query{};
    query.id = ids->value;
    if (v4l2_ioctl(m_fd, VIDIOC_QUERYCTRL, &query) != 0 || (query.flags & V4L2_CTRL_FLAG_DISABLED))
        return std::nullopt;
    return VideoSettingRange{query.minimum, query.maximum, std::max(1, query.step), query.default_value,
                             controlExists(ids->automatic)};
}

void V4l2Controls::setControl(unsigned id, int value)
{
    v4l2_control control{};
    control.id = id;
    control.value = value;
    if (v4l2_ioctl(m_fd, VIDIOC_S_CTRL, &control) != 0)
        throw EVideoSettingError(std::string("VIDIOC_S_CTRL: ") + std::strerror(errno));
}

void V4l2Controls::apply(int setting, int value, bool automatic)
{
    const std::optional<ControlIds> ids = IdsFor(setting);
    if (!ids || !range(setting))
        throw EVideoSettingError("control not offered");
    const bool hasAutomatic = controlExists(ids->automatic);
    if (hasAutomatic)
        setControl(ids->automatic, automatic ? 1 : 0);
    if (!(automatic && hasAutomatic))
        setControl(ids->value, value);
}

} // namespace cornix::video
