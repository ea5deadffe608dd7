#pragma once
// TfrmCalibration: the length scale of the main camera. The operator freezes a frame of
// the calibration target, drags a rectangle across its 0.9 mm width and accepts; the
// millimetres per pixel go to METRICS/pixelToMM of the settings file.
#include <QImage>
#include <QWidget>

#include <memory>

class QTimer;
class TBIniSettings;
class TBImage32Editor;
class TVGrabber_Espec_C;
namespace Ui {
class TfrmCalibration;
}

class TfrmCalibration : public QWidget {
    Q_OBJECT
public:
    // settings must outlive the window.
    explicit TfrmCalibration(TBIniSettings &settings, QWidget *parent = nullptr);
    ~TfrmCalibration() override;

    // The main camera wrapper while the window shows (null before and after).
    TVGrabber_Espec_C *Grabber() const { return m_grabber.get(); }
    // The selection tool, once "Fazer seleção " has been clicked.
    const TBImage32Editor *Editor() const { return m_editor.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QTimer *makeTimer(const QString &name, int intervalMs);
    void createEditor();
    void startCamera();
    void stopCamera();
    void captureClicked();
    void calibrationTick();
    void measureClicked();
    void readValuesTick();
    void acceptClicked();
    bool acceptedByTheSettings(double factor);

    std::unique_ptr<Ui::TfrmCalibration> m_ui;
    TBIniSettings &m_settings;
    std::unique_ptr<TVGrabber_Espec_C> m_grabber;
    std::unique_ptr<TBImage32Editor> m_editor;
    QTimer *m_tmrCalibration = nullptr;
    QTimer *m_tmrReadValues = nullptr;
};
