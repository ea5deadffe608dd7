// The calibration window: freezing a frame of the main camera, the rubber band over
// it, the factor and area it gives, storing the factor, and refusing a zero factor.
#include "CameraFixture.h"
#include "RecordingDialogs.h"
#include "TImage32View.h"
#include "UBIniSettings.h"
#include "UBVideoGrabber_Espec_C.h"
#include "UFrmCalibracao.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFrmCalibration : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<CameraFixture> m_camera;
    std::unique_ptr<TBIniSettings> m_settings;
    std::unique_ptr<TfrmCalibration> m_form;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;

    template <typename T> T *find(const char *name) const { return m_form->findChild<T *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return find<QPushButton>(name); }
    QString text(const char *label) const { return find<QLabel>(label)->text(); }
    TImage32View *image() const { return find<TImage32View>("imgCalibration"); }

    void freeze()
    {
        QTest::mouseClick(button("spbCapture"), Qt::LeftButton);
        QVERIFY(m_camera->last);
        m_camera->last->deliverFrame();
        QTRY_VERIFY(image()->isVisible());
    }
    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(image(), Qt::LeftButton, {}, from);
        QTest::mouseMove(image(), (from + to) / 2);
        QTest::mouseMove(image(), to);
        QTest::mouseRelease(image(), Qt::LeftButton, {}, to);
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("cornix.ini"));
        QFile::remove(m_path);
        QVERIFY(QFile::copy(QStringLiteral(CORNIX_SOURCE_DIR "/config/cornix.ini"), m_path));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_camera = std::make_unique<CameraFixture>();
        m_dialogs = std::make_unique<cornix::RecordingDialogs>();
        m_settings = std::make_unique<TBIniSettings>(m_path);
        m_form = std::make_unique<TfrmCalibration>(*m_settings);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        m_settings.reset();
        m_dialogs.reset();
        m_camera.reset();
    }

    void initialState()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Calibração"));
        QCOMPARE(button("spbCapture")->text(), QStringLiteral("Captura"));
        QCOMPARE(button("spbCapture")->toolTip(), QStringLiteral("Capturar imagem"));
        QCOMPARE(button("spbMeasure")->text(), QStringLiteral("Fazer seleção "));
        QVERIFY(!button("spbMeasure")->isEnabled());
        QCOMPARE(button("spbAcceptCalibration")->text(), QStringLiteral("Aceitar calibração"));
        QCOMPARE(button("spbAcceptCalibration")->toolTip(), QStringLiteral("Usar imagem nos cálculos do relatório"));
        QVERIFY(!button("spbAcceptCalibration")->isEnabled());
        QCOMPARE(text("lblAreaValue"), QStringLiteral("-"));
        QCOMPARE(text("lblFatCalibValue"), QStringLiteral("-"));
        QCOMPARE(find<QWidget>("pnlCalibration")->size(), QSize(640, 480));
        auto *calibration = find<QTimer>("tmrCalibration");
        auto *readValues = find<QTimer>("tmrReadValues");
        QCOMPARE(calibration->interval(), 10);
        QCOMPARE(readValues->interval(), 500);
        QVERIFY(!calibration->isActive());
        QVERIFY(!readValues->isActive());
        const QStringList lines = find<QPlainTextEdit>("memInstructions")->toPlainText().split(u'\n');
        QCOMPARE(lines.size(), 19);
        QCOMPARE(lines.first(), QStringLiteral("A calibração consiste na "));
        QCOMPARE(lines[14], QStringLiteral("painel \"Ferramentas\"."));
        QCOMPARE(lines[15], QStringLiteral("Ao final clique em \"Aceitar "));
        QCOMPARE(lines[16], QStringLiteral("calibração\" ou feche a tela "));
        QCOMPARE(lines.last(), QStringLiteral("operação."));
    }

    void cameraIsTheMainChannelWithoutFlips()
    {
        TVGrabber_Espec_C *grabber = m_form->Grabber();
        QVERIFY(grabber);
        QCOMPARE(grabber->Component()->VideoDevice, 0);
        QVERIFY(!grabber->Component()->VideoProcessing_FlipHorizontal);
        QVERIFY(!grabber->Component()->VideoProcessing_FlipVertical);
        QCOMPARE(grabber->Component()->VideoSize(), QSize(640, 480));
    }

    void captureFreezesOneFrame()
    {
        QTest::mouseClick(button("spbCapture"), Qt::LeftButton);
        QCOMPARE(button("spbCapture")->text(), QStringLiteral("Ao Vivo"));
        QVERIFY(button("spbMeasure")->isEnabled());
        QVERIFY(find<QTimer>("tmrCalibration")->isActive());
        QTest::qWait(50);
        QVERIFY(!image()->isVisible()); // waiting for the frame
        m_camera->last->deliverFrame();
        QTRY_VERIFY(image()->isVisible());
        QVERIFY(!find<QTimer>("tmrCalibration")->isActive());
        QCOMPARE(image()->Bitmap().size(), QSize(640, 480));
        QVERIFY(!m_form->Grabber()->Component()->isVisible());
        QVERIFY(!m_camera->last->isRunning() || m_camera->last->framesDelivered() == 1);
    }

    void backToLive()
    {
        freeze();
        QTest::mouseClick(button("spbCapture"), Qt::LeftButton);
        QCOMPARE(button("spbCapture")->text(), QStringLiteral("Capturar"));
        QVERIFY(!button("spbMeasure")->isEnabled());
        QVERIFY(m_form->Grabber()->Component()->isVisible());
        QVERIFY(!image()->isVisible());
    }

    void selection_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<QString>("area");
        QTest::newRow("300 x 200 left to right") << QPoint(100, 100) << QPoint(400, 300) << "0.003000" << "0.5400";
        QTest::newRow("300 x 200 right to left") << QPoint(400, 300) << QPoint(100, 100) << "0.003000" << "0.5400";
        QTest::newRow("300 x 200 right to left, upwards") << QPoint(400, 100) << QPoint(100, 300) << "0.003000"
                                                          << "0.5400";
        QTest::newRow("one pixel wide") << QPoint(10, 10) << QPoint(11, 20) << "0.900000" << "8.1000";
        QTest::newRow("purely vertical") << QPoint(200, 100) << QPoint(200, 300) << "0.000000" << "0.0000";
    }

    void selection()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QString, factor);
        QFETCH(QString, area);
        freeze();
        QTest::mouseClick(button("spbMeasure"), Qt::LeftButton);
        QVERIFY(find<QTimer>("tmrReadValues")->isActive());
        drag(from, to);
        QTRY_COMPARE_WITH_TIMEOUT(text("lblFatCalibValue"), factor, 5000);
        QCOMPARE(text("lblAreaValue"), area);
        QVERIFY(button("spbAcceptCalibration")->isEnabled());
        QVERIFY(m_dialogs->shown().isEmpty());
    }

    void acceptStoresTheFactor()
    {
        freeze();
        QTest::mouseClick(button("spbMeasure"), Qt::LeftButton);
        drag(QPoint(100, 100), QPoint(400, 300));
        QTRY_VERIFY_WITH_TIMEOUT(button("spbAcceptCalibration")->isEnabled(), 5000);
        QTest::mouseClick(button("spbAcceptCalibration"), Qt::LeftButton);
        QVERIFY(!find<QTimer>("tmrReadValues")->isActive());
        QVERIFY(readAll(m_path).contains("pixelToMM=0.003000\n"));
        QCOMPARE(m_settings->PixelToMM(), 0.00186); // the running program keeps its scale
        QVERIFY(m_dialogs->shown().isEmpty());
    }

    void zeroFactorIsRefused()
    {
        const QByteArray before = readAll(m_path);
        freeze();
        QTest::mouseClick(button("spbMeasure"), Qt::LeftButton);
        drag(QPoint(200, 100), QPoint(200, 300));
        QTRY_VERIFY_WITH_TIMEOUT(button("spbAcceptCalibration")->isEnabled(), 5000);
        QTest::mouseClick(button("spbAcceptCalibration"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Warning);
        QVERIFY(m_dialogs->last().text.contains(QStringLiteral("zero")));
        QCOMPARE(readAll(m_path), before);
        QVERIFY(find<QTimer>("tmrReadValues")->isActive()); // still measuring
    }

    // The factor must load at the next start (METRICS/pixelToMM, 0.0005 to 0.01 mm per
    // pixel): a selection narrower than 90 pixels across the 0.9 mm is refused before
    // anything is written.
    void factorOutsideTheSettingsRangeIsRefused_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("one pixel") << 1
                                   << "Fator de calibração 0.900000 mm/pixel fora do intervalo aceito (de 0.0005 a "
                                      "0.01 mm/pixel): a seleção tem 1 pixels de largura."
                                   << QByteArray();
        QTest::newRow("89 pixels") << 89 << "0.010112 mm/pixel fora do intervalo aceito" << QByteArray();
        QTest::newRow("90 pixels, on the bound") << 90 << "" << QByteArray("pixelToMM=0.010000\n");
    }

    void factorOutsideTheSettingsRangeIsRefused()
    {
        QFETCH(int, width);
        QFETCH(QString, warning);
        QFETCH(QByteArray, stored);
        const QByteArray before = readAll(m_path);
        freeze();
        QTest::mouseClick(button("spbMeasure"), Qt::LeftButton);
        drag(QPoint(100, 100), QPoint(100 + width, 300));
        QTRY_VERIFY_WITH_TIMEOUT(button("spbAcceptCalibration")->isEnabled(), 5000);
        QTest::mouseClick(button("spbAcceptCalibration"), Qt::LeftButton);
        if (stored.isEmpty()) {
            QCOMPARE(m_dialogs->shown().size(), 1);
            QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Warning);
            QVERIFY2(m_dialogs->last().text.contains(warning), qPrintable(m_dialogs->last().text));
            QVERIFY(m_dialogs->last().text.endsWith(QStringLiteral("A calibração não foi gravada.")));
            QCOMPARE(readAll(m_path), before);
            QVERIFY(find<QTimer>("tmrReadValues")->isActive()); // still measuring
            return;
        }
        QVERIFY(m_dialogs->shown().isEmpty());
        QVERIFY(readAll(m_path).contains(stored));
        QCOMPARE(TBIniSettings(m_path).PixelToMM(), 0.01); // loads at the next start
    }

    void aNewFrozenFrameStartsAFreshSelection()
    {
        freeze();
        QTest::mouseClick(button("spbMeasure"), Qt::LeftButton);
        drag(QPoint(100, 100), QPoint(400, 300));
        QTest::mouseClick(button("spbCapture"), Qt::LeftButton); // live
        QTest::mouseClick(button("spbCapture"), Qt::LeftButton); // freeze again
        m_camera->last->deliverFrame();
        QTRY_VERIFY(image()->isVisible());
        const QImage frame = image()->Bitmap().copy();
        QTest::mousePress(image(), Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(image()->Bitmap(), frame); // the click restores this frame, not the first one
        QTest::mouseRelease(image(), Qt::LeftButton, {}, QPoint(50, 50));
    }

    void closingWithoutAcceptingLeavesTheFile()
    {
        const QByteArray before = readAll(m_path);
        freeze();
        QTest::mouseClick(button("spbMeasure"), Qt::LeftButton);
        drag(QPoint(100, 100), QPoint(400, 300));
        m_form->close();
        QVERIFY(!m_form->Grabber());
        QCOMPARE(readAll(m_path), before);
    }
};

QTEST_MAIN(TestFrmCalibration)
#include "tst_frmcalibration.moc"
