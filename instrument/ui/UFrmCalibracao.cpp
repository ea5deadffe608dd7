#include "UFrmCalibracao.h"

#include "ui_UFrmCalibracao.h"

#include "Dialogs.h"
#include "QtNumbers.h"
#include "SettingsRanges.h"
#include "UBIniSettings.h"
#include "UBTImageEditor.h"
#include "UBVideoGrabber_Espec_C.h"

#include <QCloseEvent>
#include <QTimer>

namespace {
const QString kLive = QStringLiteral("Ao Vivo");
constexpr int kVideoWidth = 640, kVideoHeight = 480, kVideoTop = 20, kVideoLeft = 0;
} // namespace

TfrmCalibration::TfrmCalibration(TBIniSettings &settings, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmCalibration>()), m_settings(settings)
{
    m_ui->setupUi(this);
    m_tmrCalibration = makeTimer(QStringLiteral("tmrCalibration"), 10);
    m_tmrReadValues = makeTimer(QStringLiteral("tmrReadValues"), 500);
    connect(m_ui->spbCapture, &QPushButton::clicked, this, &TfrmCalibration::captureClicked);
    connect(m_ui->spbMeasure, &QPushButton::clicked, this, &TfrmCalibration::measureClicked);
    connect(m_ui->spbAcceptCalibration, &QPushButton::clicked, this, &TfrmCalibration::acceptClicked);
    connect(m_tmrCalibration, &QTimer::timeout, this, &TfrmCalibration::calibrationTick);
    connect(m_tmrReadValues, &QTimer::timeout, this, &TfrmCalibration::readValuesTick);
    connect(m_ui->imgCalibration, &TImage32View::imageMousePressed, this, [this](QPoint p) {
        if (m_editor)
            m_editor->MouseDown(p);
    });
    connect(m_ui->imgCalibration, &TImage32View::imageMouseMoved, this, [this](QPoint p) {
        if (m_editor)
            m_editor->MouseMove(p);
    });
    connect(m_ui->imgCalibration, &TImage32View::imageMouseReleased, this, [this](QPoint) {
        if (m_editor)
            m_editor->MouseUp();
    });
}

TfrmCalibration::~TfrmCalibration() { stopCamera(); }

QTimer *TfrmCalibration::makeTimer(const QString &name, int intervalMs)
{
    auto *timer = new QTimer(this);
    timer->setObjectName(name);
    timer->setInterval(intervalMs);
    return timer;
}

void TfrmCalibration::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        startCamera();
}

void TfrmCalibration::closeEvent(QCloseEvent *event)
{
    m_tmrCalibration->stop();
    m_tmrReadValues->stop();
    stopCamera();
    event->accept();
}

void TfrmCalibration::startCamera()
{
    stopCamera();
    int channel = 0;
    try {
        channel = m_settings.GetMainCamChannel();
    } catch (const ESettingsConversionError &error) {
        cornix::ShowError(error.message());
        return;
    }
    m_grabber = std::make_unique<TVGrabber_Espec_C>(m_ui->pnlCalibration, kVideoWidth, kVideoHeight, kVideoTop,
                                                    kVideoLeft, static_cast<std::uint8_t>(channel), 100, false,
                                                    false);
}

void TfrmCalibration::stopCamera()
{
    if (!m_grabber)
        return;
    m_grabber->StopVideo();
    m_grabber.reset();
}

void TfrmCalibration::captureClicked()
{
    if (!m_grabber)
        return;
    if (m_ui->spbCapture->text() != kLive) {
        m_grabber->StartCapture(false);
        m_tmrCalibration->start();
        m_ui->spbCapture->setText(kLive);
        m_ui->spbMeasure->setEnabled(true);
        return;
    }
    m_ui->spbCapture->setText(tr("Capturar"));
    m_tmrCalibration->stop();
    m_ui->imgCalibration->hide();
    m_grabber->SetVideoVisible(true);
    m_grabber->ResumeVideo();
    m_ui->spbMeasure->setEnabled(false);
}

void TfrmCalibration::calibrationTick()
{
    if (!m_grabber || !m_grabber->FrameReady()) {
        m_ui->imgCalibration->hide();
        return;
    }
    m_ui->imgCalibration->setImage(m_grabber->FrameBitmap().convertToFormat(QImage::Format_RGB32));
    m_grabber->SetFrameReady(false);
    // A selection tool kept from an earlier frame would restore that frame on its next click.
    if (m_editor)
        createEditor();
    m_ui->imgCalibration->show();
    m_ui->imgCalibration->raise();
    m_grabber->PauseVideo();
    m_grabber->SetVideoVisible(false);
    m_tmrCalibration->stop();
}

void TfrmCalibration::createEditor()
{
    m_editor = std::make_unique<TBImage32Editor>(m_ui->imgCalibration->Bitmap(), TBImage32Editor::ShapeRectangle);
    m_editor->SetRepaint([view = m_ui->imgCalibration] { view->update(); });
}

void TfrmCalibration::measureClicked()
{
    if (!m_editor)
        createEditor();
    m_tmrReadValues->start();
}

void TfrmCalibration::readValuesTick()
{
    if (!m_editor)
        return;
    const double factor = m_editor->MillimetresPerPixel();
    const double area = factor * factor * m_editor->Area();
    m_ui->lblAreaValue->setText(cornix::FormatFloatQ("0.0000", area));
    m_ui->lblFatCalibValue->setText(cornix::FormatFloatQ("0.000000", factor));
    m_ui->spbAcceptCalibration->setEnabled(true);
}

void TfrmCalibration::acceptClicked()
{
    m_tmrReadValues->stop();
    const double factor = m_editor ? m_editor->MillimetresPerPixel() : 0.0;
    if (factor <= 0.0) {
        // A scale of 0 would make every later analysis count no area at all.
        cornix::ShowWarning(tr("Fator de calibração igual a zero: a seleção não tem largura.\n"
                               "Arraste a seleção sobre a largura da figura de calibração e aceite de novo.\n"
                               "A calibração não foi gravada."));
        m_tmrReadValues->start();
        return;
    }
    if (!acceptedByTheSettings(factor)) {
        m_tmrReadValues->start();
        return;
    }
    m_settings.SetPixelToMM(factor);
}

// The factor as it is written ("0.000000") must load at the next start.
bool TfrmCalibration::acceptedByTheSettings(double factor)
{
    const QString written = cornix::FormatFloatQ("0.000000", factor);
    const TSettingsRange range = SettingsRange("METRICS", "pixelToMM");
    if (range.Contains(cornix::StrToFloat(written)))
        return true;
    cornix::ShowWarning(tr("Fator de calibração %1 mm/pixel fora do intervalo aceito (%2 mm/pixel): a seleção tem "
                           "%3 pixels de largura.\n"
                           "Arraste a seleção sobre a largura de 0,9 mm da figura de calibração e aceite de novo.\n"
                           "A calibração não foi gravada.")
                            .arg(written, SettingsRangeText(range))
                            .arg(m_editor->Width()));
    return false;
}
