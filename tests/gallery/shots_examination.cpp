// The examination window on its capture page: a patient from the database, both
// simulated cameras live, the fixation clock open at 2h and a few frames captured;
// and the same page with the camera settings panel open.
#include "Gallery.h"

#include "FirebirdTestDatabase.h"
#include "InstrumentSimulator.h"
#include "RecordsTestData.h"
#include "SimulatedCamera.h"
#include "UBIniSettings.h"
#include "UfrmDataModule.h"
#include "UfrmExame.h"

#include <QAbstractButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Everything the window uses besides itself; a child of the window, so it goes with it.
class ExaminationScene : public QObject {
public:
    ExaminationScene()
    {
        cornix::video::SetFrameSourceMaker([](const cornix::video::FrameSourceRequest &request) {
            return std::make_unique<cornix::video::SimulatedCamera>(request.role, 11);
        });
        cornix::InstrumentSimulator::Options options;
        options.linkPath = (dir.path() + QStringLiteral("/instrument")).toStdString();
        sim = std::make_unique<cornix::InstrumentSimulator>(options);
        sim->start();
        writeSettings();
        settings = std::make_unique<TBIniSettings>(dir.path() + QStringLiteral("/cornix.ini"));
        patientID = addPatient();
    }
    ~ExaminationScene() override { cornix::video::SetFrameSourceMaker({}); }

    QTemporaryDir dir;
    std::unique_ptr<cornix::InstrumentSimulator> sim;
    std::unique_ptr<TBIniSettings> settings;
    cornix::test::ConnectedModule db;
    std::int32_t patientID = 0;

private:
    void writeSettings() const
    {
        QFile file(dir.path() + QStringLiteral("/cornix.ini"));
        if (!file.open(QIODevice::WriteOnly))
            return;
        QFile sample(QStringLiteral(CORNIX_SOURCE_DIR "/config/cornix.ini"));
        sample.open(QIODevice::ReadOnly);
        QByteArray text = sample.readAll();
        text.replace("comPort=/tmp/cornix-instrument", "comPort=" + QByteArray::fromStdString(sim->portPath()));
        text.replace("Gain=AUTO", "Gain=0"); // the lit field alone decides the exposure
        file.write(text);
    }

    // The patient the operator chose in the examination manager: the current row of the list.
    std::int32_t addPatient()
    {
        const QString path = cornix::test::CreateTestDatabase(QStringLiteral("gallery_examination"),
                                                              cornix::test::Engine::Server);
        if (path.isEmpty())
            return 0;
        db = cornix::test::Connect(path, cornix::test::Engine::Server);
        TPaciente patient = cornix::test::MakePatient(1207, QStringLiteral("Maria Aparecida da Conceição"));
        if (!TBDCornyx(*db.module).SavePatient(patient))
            return 0;
        TSqlDataset &list = db.module->IBQPacList();
        list.Open();
        list.Last();
        return patient.ID;
    }
};

template <typename T = QAbstractButton> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

void capture(TfrmExamination *window, int frames)
{
    for (int i = 0; i < frames; ++i) {
        const int before = window->Session().Count();
        child(window, "spbCapture")->click();
        if (!QTest::qWaitFor([&] { return window->Session().Count() > before; }, 3000))
            qWarning("gallery: no frame captured");
        QTest::qWait(150);
    }
}

TfrmExamination *openExamination()
{
    auto *scene = new ExaminationScene;
    auto *window = new TfrmExamination(nullptr, TExame{}, 0, false, true, false, scene->patientID,
                                       QStringLiteral("54321-SP"), QStringLiteral("Dra. Helena Prado"), 3,
                                       *scene->settings);
    scene->setParent(window);
    window->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    window->show();
    QTest::qWait(600); // the link's first commands, the cameras' first frames
    return window;
}

} // namespace

CORNIX_GALLERY_SHOT("frmExamination")
{
    TfrmExamination *window = openExamination();
    child(window, "spbFixation")->click();
    child(window, "rb2h")->click();
    capture(window, 3);
    return window;
}

CORNIX_GALLERY_SHOT("frmExamination-camera-settings")
{
    TfrmExamination *window = openExamination();
    capture(window, 1);
    child(window, "spbCameraSettings")->click();
    return window;
}
