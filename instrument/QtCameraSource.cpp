#include "QtCameraSource.h"

#include <QCamera>
#include <QCameraDevice>
#include <QMediaDevices>

namespace cornix::video {

QtCameraSource::QtCameraSource(int deviceIndex, QSize preferredSize, QObject *parent)
    : FrameSource(parent), m_deviceIndex(deviceIndex), m_preferredSize(preferredSize)
{
    connect(&m_sink, &QVideoSink::videoFrameChanged, this, &QtCameraSource::takeFrame, Qt::DirectConnection);
}

QtCameraSource::~QtCameraSource()
{
    // Detach the backend before the sink and the mutex go away.
    stop();
    m_session.setVideoSink(nullptr);
    m_session.setCamera(nullptr);
    disconnect(&m_sink, nullptr, this, nullptr);
    delete m_camera;
}

int QtCameraSource::deviceCount() { return int(QMediaDevices::videoInputs().size()); }

bool QtCameraSource::start()
{
    const QList<QCameraDevice> devices = QMediaDevices::videoInputs();
    if (m_deviceIndex < 0 || m_deviceIndex >= devices.size())
        return false; // no such device: the panel stays empty
    const QCameraDevice device = devices[m_deviceIndex];
    if (!m_camera) {
        m_camera = new QCamera(device, this);
        for (const QCameraFormat &format : device.videoFormats()) {
            if (format.resolution() == m_preferredSize) {
                m_camera->setCameraFormat(format);
                break;
            }
        }
        connect(m_camera, &QCamera::activeChanged, this, [this](bool active) {
            if (active)
                emit started();
        });
        m_session.setCamera(m_camera);
        m_session.setVideoSink(&m_sink);
        // On Linux the device id is the node path; elsewhere no amplifier settings are offered.
        const QByteArray id = device.id();
        if (id.startsWith("/dev/"))
            m_controls.open(id.toStdString());
    }
    m_paused = false;
    m_camera->start();
    return true;
}

void QtCameraSource::stop()
{
    if (m_camera)
        m_camera->stop();
}

bool QtCameraSource::isRunning() const { return m_camera && m_camera->isActive(); }

std::optional<VideoSettingRange> QtCameraSource::settingRange(int setting) const
{
    return m_controls.range(setting);
}

void QtCameraSource::applySetting(int setting, int value, bool automatic)
{
    m_controls.apply(setting, value, automatic);
}

void QtCameraSource::takeFrame(const QVideoFrame &frame)
{
    {
        QMutexLocker lock(&m_latestLock);
        m_latest = frame;
    }
    if (!m_deliveryQueued.exchange(true))
        QMetaObject::invokeMethod(this, &QtCameraSource::deliverLatest, Qt::QueuedConnection);
}

void QtCameraSource::deliverLatest()
{
    m_deliveryQueued = false;
    QVideoFrame frame;
    {
        QMutexLocker lock(&m_latestLock);
        frame.swap(m_latest);
    }
    if (m_paused || !frame.isValid())
        return;
    const QImage image = frame.toImage();
    if (!image.isNull())
        emit frameArrived(image);
}

} // namespace cornix::video
