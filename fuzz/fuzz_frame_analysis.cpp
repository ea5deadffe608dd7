// What cornix-analyse does with an image file: load it as a frame and analyse it
// with the desktop program's analysis. Input: one byte choosing the file's suffix
// (bits 0-1: bmp, png, jpg, tif), the region (bit 2: from the next eight bytes, four
// big-endian 16-bit numbers L,T,R,B; else the tool's default) and whether the overlay
// is drawn as --save-frame does (bit 3; bit 4: the original view, else the contrast
// view), then the file's bytes.
#include "AnalyseRequest.h"
#include "AnalyseSession.h"
#include "FrameLoader.h"
#include "FuzzSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using cornix::fuzz::Require;
using namespace cornix::cli;

namespace {

QTemporaryDir *g_folder = nullptr;

QString writeFrameFile(std::uint8_t selector, const std::uint8_t *data, std::size_t size)
{
    static const std::array<const char *, 4> suffixes = {"bmp", "png", "jpg", "tif"};
    const QString name = g_folder->filePath(QStringLiteral("frame.") + QLatin1String(suffixes[selector % 4]));
    QFile file(name);
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input file can be written");
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    return name;
}

std::int32_t coordinate(const std::uint8_t *bytes) { return std::int32_t(bytes[0]) << 8 | bytes[1]; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    static QTemporaryDir folder; // TMPDIR: scripts/fuzz.sh points it at memory
    Require(folder.isValid(), "a temporary folder");
    g_folder = &folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t selector = data[0];
    std::optional<TRect> roi;
    std::size_t skip = 1;
    if (selector & 4) {
        if (size < 9)
            return 0;
        roi = TRect{coordinate(data + 1), coordinate(data + 3), coordinate(data + 5), coordinate(data + 7)};
        skip = 9;
    }
    const QString name = writeFrameFile(selector, data + skip, size - skip);
    QString error;
    const std::optional<TLoadedFrame> loaded = LoadFrame(name, &error);
    if (!loaded) {
        Require(!error.isEmpty(), "an unloadable file says why");
        return 0;
    }
    Require(loaded->Frame.width() == 640 && loaded->Frame.height() == 480, "a loaded frame is 640 x 480");
    // The tool's own region check comes first, as in cornix-analyse.
    const TRect region = roi.value_or(DefaultRoi(loaded->ImageWidth, loaded->ImageHeight));
    if (!CheckRoi(region).isEmpty())
        return 0;
    TAnalyseSession session(TSessionSettings{}, cornix::kNormalSensitivity);
    const TFrameResult result = session.Analyse(loaded->Frame, name, region);
    (void)CompactForSaving(loaded->Frame);
    if (result.Status == TFrameResult::Analysed) {
        Require(result.CellsFound > cornix::kMinimumCells, "an analysed frame has more than 30 cells");
        if (selector & 8)
            Require(!session.OverlayImage(result, (selector & 16) != 0).isNull(), "an analysed frame is drawn");
    } else {
        Require(!result.Message.isEmpty(), "a frame not analysed says why");
    }
    return 0;
}
