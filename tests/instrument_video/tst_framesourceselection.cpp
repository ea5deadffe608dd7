// Which cameras a workstation uses: the CAMERA/source key of the settings file.
#include "FrameSource.h"
#include "SimulatedCamera.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace cornix::video;

class TestFrameSourceSelection : public QObject {
    Q_OBJECT
private slots:
    void keySelectsSimulatedCameras_data();
    void keySelectsSimulatedCameras();
    void installedMakerWins();
};

void TestFrameSourceSelection::keySelectsSimulatedCameras_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("simulated");
    QTest::newRow("key absent") << QByteArray("[CAMERA]\nmainCamChannel=0\n") << false;
    QTest::newRow("section absent") << QByteArray("[VIDEO]\nBrightness=1\n") << false;
    QTest::newRow("simulated") << QByteArray("[CAMERA]\nsource=simulated\n") << true;
    QTest::newRow("upper case") << QByteArray("[CAMERA]\nsource=SIMULATED\n") << true;
    QTest::newRow("device") << QByteArray("[CAMERA]\nsource=device\n") << false;
    QTest::newRow("other section") << QByteArray("[VIDEO]\nsource=simulated\n") << false;
}

void TestFrameSourceSelection::keySelectsSimulatedCameras()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, simulated);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cornix.ini"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(content);
    out.close();
    QCOMPARE(SimulatedCamerasSelected(file), simulated);
}

void TestFrameSourceSelection::installedMakerWins()
{
    int calls = 0;
    SetFrameSourceMaker([&](const FrameSourceRequest &r) {
        ++calls;
        return std::make_unique<SimulatedCamera>(r.role);
    });
    auto source = CreateFrameSource({CameraRole::Auxiliary, 3, QSize(320, 240)});
    SetFrameSourceMaker({});
    QCOMPARE(calls, 1);
    auto *camera = qobject_cast<SimulatedCamera *>(source.get());
    QVERIFY(camera);
    QCOMPARE(camera->role(), CameraRole::Auxiliary);
}

QTEST_GUILESS_MAIN(TestFrameSourceSelection)
#include "tst_framesourceselection.moc"
