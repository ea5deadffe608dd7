#pragma once
// The desktop program as the examination tests drive it: the main window on a workstation
// folder (AppFixture) with the instrument simulator and the simulated cameras (frames
// pushed by the test), the windows found in its MDI area by name, and the records an
// examination needs.
#include "AppFixture.h"
#include "RecordsTestData.h"
#include "RecordingDialogs.h"
#include "SimulatedCamera.h"
#include "UfrmDataModule.h"
#include "UfrmMain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

class ExaminationProgram {
public:
    ExaminationProgram()
    {
        cornix::video::SetFrameSourceMaker([this](const cornix::video::FrameSourceRequest &request) {
            auto camera = std::make_unique<cornix::video::SimulatedCamera>(request.role, 7);
            camera->setAutomaticDelivery(false);
            camera->setVariation(false);
            if (request.role == cornix::video::CameraRole::Main)
                mainCamera = camera.get();
            return camera;
        });
    }
    ~ExaminationProgram()
    {
        main.reset(); // its windows and their cameras first
        module.reset();
        cornix::video::SetFrameSourceMaker({});
    }
    ExaminationProgram(const ExaminationProgram &) = delete;
    ExaminationProgram &operator=(const ExaminationProgram &) = delete;

    // The workstation on engine with the instrument simulator; the main window started
    // up. The examination images go to the workstation's Database folder.
    bool start(const QString &name, cornix::test::Engine engine)
    {
        if (!fixture.prepare(name, engine) || !fixture.startInstrument())
            return false;
        module = std::make_unique<TDataModule1>();
        QDir(fixture.dir.path()).mkpath(QStringLiteral("Database"));
        module->SetApplicationDir(fixture.dir.path());
        main = std::make_unique<TfrmMain>();
        main->SetStartUpFiles(fixture.files());
        main->show();
        if (!QTest::qWaitFor([this] { return main->StartUpFinished(); }, 30000) || !main->StartedUp()) {
            qWarning("start-up: %s", qPrintable(main->StartUpError()));
            return false;
        }
        main->activateWindow();
        return QTest::qWaitForWindowActive(main.get());
    }

    // The child window of that objectName in the MDI area (open, not closing), or null.
    template <typename T = QWidget> T *window(const QString &name) const
    {
        for (QMdiSubWindow *frame : main->MdiArea()->subWindowList())
            if (QWidget *w = frame->widget(); w && w->objectName() == name && !w->isHidden())
                return qobject_cast<T *>(w);
        return nullptr;
    }
    int windowCount() const
    {
        int count = 0;
        for (QMdiSubWindow *frame : main->MdiArea()->subWindowList())
            count += frame->widget() && !frame->widget()->isHidden();
        return count;
    }
    template <typename T = QWidget> T *control(const QString &window, const char *name) const
    {
        QWidget *w = this->window(window);
        return w ? w->findChild<T *>(QLatin1String(name)) : nullptr;
    }
    // Clicks a command of the main window: a menu item or a button.
    void command(const char *name) const
    {
        if (auto *item = main->findChild<QAction *>(QLatin1String(name)))
            item->trigger();
        else
            QTest::mouseClick(main->findChild<QAbstractButton *>(QLatin1String(name)), Qt::LeftButton);
    }

    // A doctor and a patient stored for good, as their managers leave them.
    std::int32_t addDoctor(const QString &name, const QString &sex, const QString &crm) const
    {
        TMedico doctor = cornix::test::MakeDoctor(name, sex, crm);
        if (!TBDCornyx(*module).SaveDoctor(doctor))
            return 0;
        module->Commit();
        return doctor.ID;
    }
    std::int32_t addPatient(int prontuario, const QString &name) const
    {
        TPaciente patient = cornix::test::MakePatient(prontuario, name);
        if (!TBDCornyx(*module).SavePatient(patient))
            return 0;
        module->Commit();
        return patient.ID;
    }

    void deliverMainFrame() const
    {
        if (mainCamera)
            mainCamera->deliverFrame();
    }

    AppFixture fixture;
    cornix::RecordingDialogs dialogs;
    std::unique_ptr<TDataModule1> module;
    std::unique_ptr<TfrmMain> main;
    QPointer<cornix::video::SimulatedCamera> mainCamera;
};

// Clicks the middle of a cell of a grid.
inline void ClickGridCell(QAbstractItemView *view, int row, int column)
{
    const QModelIndex cell = view->model()->index(row, column);
    view->scrollTo(cell);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
}

// The row of a grid whose column shows text, -1 when none does.
inline int GridRow(const QAbstractItemView *view, int column, const QString &text)
{
    for (int r = 0; r < view->model()->rowCount(); ++r)
        if (view->model()->index(r, column).data().toString() == text)
            return r;
    return -1;
}
