#pragma once
// A capture device of the operating system through Qt Multimedia, with the
// amplifier settings through V4L2 on Linux.
#include "FrameSource.h"
#include "V4l2Controls.h"

#include <QMediaCaptureSession>
#include <QMutex>
#include <QVideoFrame>
#include <QVideoSink>

#include <atomic>

class QCamera;

namespace cornix::video {

class QtCameraSource : public FrameSource {
    Q_OBJECT
public:
    // deviceIndex counts QMediaDevices::videoInputs(); the size is the preferred format.
    QtCameraSource(int deviceIndex, QSize preferredSize, QObject *parent = nullptr);
    ~QtCameraSource() override;

    bool start() override;
    void pause() override { m_paused = true; }
    void resume() override { m_paused = false; }
    void stop() override;
    bool isRunning() const override;

    std::optional<VideoSettingRange> settingRange(int setting) const override;
    void applySetting(int setting, int value, bool automatic) override;

    // How many capture devices the system lists.
    static int deviceCount();

private:
    void takeFrame(const QVideoFrame &frame); // any thread
    void deliverLatest();                     // user-interface thread

    int m_deviceIndex;
    QSize m_preferredSize;
    QCamera *m_camera = nullptr;
    QMediaCaptureSession m_session;
    QVideoSink m_sink;
    V4l2Controls m_controls;
    bool m_paused = false;
    // Frames may arrive on a backend thread; only the newest waits for the UI thread.
    QMutex m_latestLock;
    QVideoFrame m_latest;
    std::atomic_bool m_deliveryQueued{false};
};

} // namespace cornix::video
