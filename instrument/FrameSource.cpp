#include "FrameSource.h"

#include "QtCameraSource.h"
#include "SimulatedCamera.h"
#include "UBIniSettings.h"

namespace cornix::video {

namespace {
FrameSourceMaker &InstalledMaker()
{
    static FrameSourceMaker maker;
    return maker;
}
} // namespace

void SetFrameSourceMaker(FrameSourceMaker maker) { InstalledMaker() = std::move(maker); }

bool SimulatedCamerasSelected(const QString &settingsFileName)
{
    const QString value =
        TBIniSettings::ReadIniValue(settingsFileName, TIniKind::Str, QStringLiteral("source"), QStringLiteral("CAMERA"));
    return value.trimmed().compare(QLatin1String("simulated"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<FrameSource> CreateFrameSource(const FrameSourceRequest &request)
{
    if (InstalledMaker())
        return InstalledMaker()(request);
    if (SimulatedCamerasSelected(TBIniSettings::DefaultFileName()))
        return std::make_unique<SimulatedCamera>(request.role);
    return std::make_unique<QtCameraSource>(request.deviceIndex, request.size);
}

} // namespace cornix::video
