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
#include "UDExamination.h"
#include "UfrmExame.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
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

    std::int32_t doctorID = 0;
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
        TMedico doctor = cornix::test::MakeDoctor(QStringLiteral("Helena Prado"), QStringLiteral("F"),
                                                  QStringLiteral("54321-SP"));
        if (TBDCornyx(*db.module).SaveDoctor(doctor))
            doctorID = doctor.ID;
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

TfrmExamination *openExamination(ExaminationScene *scene = new ExaminationScene)
{
    auto *window = new TfrmExamination(nullptr, TExame{}, 0, false, true, false, scene->patientID,
                                       QStringLiteral("54321-SP"), QStringLiteral("Dra. Helena Prado"),
                                       scene->doctorID ? scene->doctorID : 3, *scene->settings);
    scene->setParent(window);
    window->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    window->show();
    QTest::qWait(600); // the link's first commands, the cameras' first frames
    return window;
}

// A region dragged on the current view with the left button.
void drawRegion(TfrmExamination *window, QPoint from, QPoint to)
{
    auto *view = child<QLabel>(window, "imgActual");
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(view, from + (to - from) * i / 8);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

// Three frames captured, the first and second analysed in a region of the lit field, the
// second one's pachymetry span measured by hand with the right button.
TfrmExamination *analysedExamination(ExaminationScene *scene = new ExaminationScene)
{
    TfrmExamination *window = openExamination(scene);
    child(window, "spbFixation")->click();
    child(window, "rb2h")->click();
    child(window, "spbOKFixation")->click();
    capture(window, 3);
    child(window, "btnAvanc1")->click();
    drawRegion(window, QPoint(190, 110), QPoint(450, 340));
    child(window, "spbGoToNextFrame")->click();
    drawRegion(window, QPoint(220, 120), QPoint(420, 320));
    auto *view = child<QLabel>(window, "imgActual");
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(150, 400));
    QTest::mouseMove(view, QPoint(174, 400));
    QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(174, 400));
    return window;
}

// A click on the enlarged view at a fraction of its size.
void clickZoomed(TfrmExamination *window, double x, double y)
{
    auto *view = child<QLabel>(window, "imgFrameToPlot");
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(int(view->width() * x), int(view->height() * y)));
}

// Page 2 with the second frame open, coloured by the sides of its cells, after a few
// cells were removed and one added by hand; the frame chosen for the report.
TfrmExamination *editedExamination(ExaminationScene *scene = new ExaminationScene)
{
    TfrmExamination *window = analysedExamination(scene);
    child(window, "btnAvanc2")->click();
    QTest::mouseClick(child<QLabel>(window, "img1"), Qt::LeftButton);
    child(window, "spbCellsColor")->click();
    child(window, "spbDeleteCell")->click();
    clickZoomed(window, 0.30, 0.35);
    clickZoomed(window, 0.62, 0.50);
    clickZoomed(window, 0.40, 0.72);
    child(window, "spbAddCell")->click();
    clickZoomed(window, 0.75, 0.25);
    child(window, "spbPrintIt")->click();
    return window;
}

// Page 3 of the frames in use, the second frame in the report.
TfrmExamination *resultsExamination(ExaminationScene *scene = new ExaminationScene)
{
    TfrmExamination *window = editedExamination(scene);
    child(window, "spbPrintIt")->click();
    child(window, "spbGenerateReport")->click();
    child<QPlainTextEdit>(window, "memDiag")->setPlainText(QStringLiteral("Endotélio de aspecto normal."));
    child<QPlainTextEdit>(window, "memOBS")->setPlainText(QStringLiteral("Paciente colaborativa."));
    return window;
}

} // namespace

CORNIX_GALLERY_SHOT("frmExamination-review")
{
    TfrmExamination *window = analysedExamination();
    child<QLabel>(window, "imgActual")->setFocus();
    return window;
}

CORNIX_GALLERY_SHOT("frmExamination-edit") { return editedExamination(); }

CORNIX_GALLERY_SHOT("frmExamination-results") { return resultsExamination(); }

// The examination saved, loaded back and shown in a read-only window.
CORNIX_GALLERY_SHOT("frmExamination-saved")
{
    auto *scene = new ExaminationScene;
    TfrmExamination *capturing = resultsExamination(scene);
    child(capturing, "spb_Save_Exame")->click();
    TExame exam;
    const std::int32_t id = capturing->Session().Exam().ID;
    scene->setParent(nullptr);
    delete capturing;
    if (id < 0 || !TDExamination(*scene->db.module).LoadExamination(id, exam))
        qWarning("gallery: the examination was not saved");
    // The examination manager shows the patient's list row, as when it opens the window.
    scene->db.module->IBQPacList().Open();
    scene->db.module->IBQPacList().Last();
    auto *window = new TfrmExamination(nullptr, exam, id, false, false, false, exam.PatientID, exam.DoctorCRM,
                                       exam.DoctorName, exam.DoctorID, *scene->settings);
    scene->setParent(window);
    window->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    window->show();
    QTest::qWait(200);
    return window;
}

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
