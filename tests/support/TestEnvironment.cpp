#include "TestEnvironment.h"

#include <cstdlib>

namespace {

const bool g_environmentReady = [] {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_MEDIA_BACKEND", "ffmpeg", 0);
    return true;
}();

} // namespace
