// The main window driven as the operator does: menu items, hidden shortcuts, the menu
// lock, the single-examination-window rule (with a stand-in window of that name), the
// settings dialog brought to the front, "Sair", the maintenance panel, "Alter Table"
// and the help file, against a database on the Firebird test server.
#include "AppFixture.h"
#include "RecordingDialogs.h"
#include "SimulatedCamera.h"
#include "UfrmDataModule.h"
#include "UfrmExame.h"
#include "UfrmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using cornix::DialogButton;
using cornix::test::Engine;

namespace {

const QString kNewExamActive = QStringLiteral("A tela de novo exame já está ativa");
const QString kCloseExam = QStringLiteral("Fechar tela de Exame que está ativa");

// A window that refuses to close, as one holding unsaved work does when told No.
class StubbornWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    AppFixture m_fixture;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    std::unique_ptr<TDataModule1> m_module;
    std::unique_ptr<TfrmMain> m_main;

    QAction *action(const QString &name) const { return m_main->findChild<QAction *>(name); }
    QPushButton *button(const QString &name) const { return m_main->findChild<QPushButton *>(name); }
    QList<QWidget *> children() const
    {
        QList<QWidget *> widgets;
        for (QMdiSubWindow *frame : m_main->MdiArea()->subWindowList())
            if (frame->widget())
                widgets << frame->widget();
        return widgets;
    }
    int childrenNamed(const QString &name) const
    {
        int count = 0;
        for (QWidget *child : children())
            count += child->objectName() == name;
        return count;
    }
    // The menu title an action is shown under, empty when it is in no menu.
    QString menuOf(QAction *item) const
    {
        for (QAction *top : m_main->menuBar()->actions())
            if (top->menu() && top->menu()->actions().contains(item))
                return top->menu()->title();
        return {};
    }
    QStringList lockableEnabled() const
    {
        QStringList enabled;
        for (const char *name :
             {"gerDoctor", "gerPatient", "CutItem", "CopyItem", "CmeraCaptura1", "HelpAboutItem", "FileExitItem"})
            if (action(QLatin1String(name))->isEnabled())
                enabled << QLatin1String(name);
        return enabled;
    }
    void trigger(const QString &command)
    {
        if (QAction *item = action(command))
            item->trigger();
        else
            QTest::mouseClick(button(command), Qt::LeftButton);
    }
    TfrmExamination *newExaminationWindow() const
    {
        return new TfrmExamination(nullptr, TExame{}, 0, false, true, false, 1, QStringLiteral("1234"),
                                   QStringLiteral("Dra. Ana Souza"), 1, *m_main->Settings());
    }
    void openExaminationStandIn()
    {
        auto *examination = new QWidget;
        examination->setObjectName(QStringLiteral("frmExamination"));
        m_main->OpenChild(examination);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_fixture.prepare(QStringLiteral("tst_frmmain"), Engine::Server));
        cornix::video::SetFrameSourceMaker([](const cornix::video::FrameSourceRequest &request) {
            auto camera = std::make_unique<cornix::video::SimulatedCamera>(request.role, 3);
            camera->setAutomaticDelivery(false);
            return camera;
        });
    }

    void cleanupTestCase() { cornix::video::SetFrameSourceMaker({}); }

    void init()
    {
        m_dialogs = std::make_unique<cornix::RecordingDialogs>();
        m_module = std::make_unique<TDataModule1>();
        m_main = std::make_unique<TfrmMain>();
        m_main->SetStartUpFiles(m_fixture.files());
        m_main->show();
        QVERIFY(QTest::qWaitFor([this] { return m_main->StartUpFinished(); }, 30000));
        QVERIFY2(m_main->StartedUp(), qPrintable(m_main->StartUpError()));
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    }

    void cleanup()
    {
        m_main.reset();
        m_module.reset();
        m_dialogs.reset();
    }

    void menuItems_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("hint");
        QTest::newRow("Médico") << "gerDoctor" << "&Médico" << "Ctrl+M" << "&Gerenciador"
                                << "Acessa opções de gerenciamento de médico(s)";
        QTest::newRow("Paciente") << "gerPatient" << "Pacien&te" << "Ctrl+T" << "&Gerenciador" << "";
        QTest::newRow("Exame (hidden)") << "genExamination" << "&Exame" << "Ctrl+E" << "" << "";
        QTest::newRow("Sair") << "FileExitItem" << "&Sair" << "Ctrl+S" << "&Gerenciador" << "";
        QTest::newRow("Novo Exame") << "CutItem" << "Novo Exame" << "Ctrl+N" << "&Exame"
                                    << "Inicia um novo exame";
        QTest::newRow("Rever Exame") << "CopyItem" << "&Rever Exame" << "Ctrl+R" << "&Exame" << "";
        QTest::newRow("Backup (hidden)") << "Men_Backup" << "&Backup" << "Ctrl+B" << "" << "";
        QTest::newRow("Sistema") << "CmeraCaptura1" << "S&istema" << "Ctrl+I" << "&Configurações" << "";
        QTest::newRow("Calibração (hidden)") << "Calibracao" << "&Calibração" << "Ctrl+C" << "" << "";
        QTest::newRow("Sobre") << "HelpAboutItem" << "&Sobre" << "" << "&Ajuda" << "";
        QTest::newRow("Ajuda do Cornix") << "Help" << "Ajuda do Cornix" << "" << "&Ajuda" << "";
    }

    void menuItems()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, shortcut);
        QFETCH(QString, menu);
        QFETCH(QString, hint);
        QAction *item = action(name);
        QVERIFY2(item, qPrintable(name));
        QCOMPARE(item->text(), text);
        QCOMPARE(item->shortcut(), QKeySequence(shortcut));
        QCOMPARE(menuOf(item), menu);
        QCOMPARE(item->statusTip(), hint);
        QVERIFY(item->isEnabled());
        if (!hint.isEmpty()) {
            item->showStatusText(m_main.get());
            QCOMPARE(m_main->statusBar()->currentMessage(), hint);
        }
    }

    void separatorBeforeSair()
    {
        auto *menu = m_main->findChild<QMenu *>(QStringLiteral("mnuGerenciador"));
        QVERIFY(menu);
        const QList<QAction *> items = menu->actions();
        QCOMPARE(items.size(), 4);
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(items[3], action(QStringLiteral("FileExitItem")));
    }

    void buttonsInTheirGroups_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("group");
        QTest::newRow("Médicos") << "SpeedButton1" << "Médicos" << "Cadastro";
        QTest::newRow("Pacientes") << "SpeedButton2" << "Pacientes" << "Cadastro";
        QTest::newRow("Novo Exame") << "SpeedButton3" << "Novo Exame" << "Exames";
        QTest::newRow("Rever Exame") << "SpeedButton4" << "Rever Exame" << "Exames";
    }

    void buttonsInTheirGroups()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, group);
        QCOMPARE(button(name)->text(), text);
        auto *box = qobject_cast<QGroupBox *>(button(name)->parentWidget());
        QVERIFY(box);
        QCOMPARE(box->title(), group);
        QVERIFY(button(name)->isVisible());
    }

    void hiddenShortcutsStillAct()
    {
        QSignalSpy viewer(action(QStringLiteral("genExamination")), &QAction::triggered);
        QSignalSpy backup(action(QStringLiteral("Men_Backup")), &QAction::triggered);
        QTest::keyClick(m_main.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(viewer.count(), 1);
        QCOMPARE(childrenNamed(QStringLiteral("frmViewExmManager")), 1);
        QVERIFY(!m_main->MenuLocked()); // the viewer by its shortcut does not lock
        QTest::keyClick(m_main.get(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(backup.count(), 1);
        QCOMPARE(children().size(), 1); // Ctrl+B does nothing
        QTest::keyClick(m_main.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(childrenNamed(QStringLiteral("frmCalibration")), 1);
        QVERIFY(!m_main->MenuLocked()); // the calibration window does not lock
        QVERIFY(m_dialogs->shown().isEmpty());
    }

    void lockMenuLeavesTheButtonsAndHiddenItems()
    {
        m_main->LockMenu();
        QVERIFY(m_main->MenuLocked());
        QVERIFY(lockableEnabled().isEmpty());
        for (const char *name : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"})
            QVERIFY2(button(QLatin1String(name))->isEnabled(), name);
        QVERIFY(action(QStringLiteral("Calibracao"))->isEnabled());
        QVERIFY(action(QStringLiteral("Help"))->isEnabled());
        m_main->UnlockMenu();
        QCOMPARE(lockableEnabled().size(), 7);
    }

    void examinationWindowRule_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::newRow("Novo Exame, menu") << "CutItem" << kNewExamActive;
        QTest::newRow("Novo Exame, button") << "SpeedButton3" << kNewExamActive;
        QTest::newRow("Rever Exame, menu") << "CopyItem" << kCloseExam;
        QTest::newRow("Rever Exame, button") << "SpeedButton4" << kCloseExam;
        QTest::newRow("Sistema") << "CmeraCaptura1" << kCloseExam;
        QTest::newRow("Sobre") << "HelpAboutItem" << kCloseExam;
    }

    void examinationWindowRule()
    {
        QFETCH(QString, command);
        QFETCH(QString, message);
        openExaminationStandIn();
        QVERIFY(m_main->ExaminationWindowExists());
        trigger(command);
        QCOMPARE(m_dialogs->texts(), QStringList{message});
        QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Information);
        QCOMPARE(children().size(), 1); // nothing else opened
        // The menu stays locked until a management window closes.
        QVERIFY(m_main->MenuLocked());
        QVERIFY(lockableEnabled().isEmpty());
        auto *manager = new QWidget;
        m_main->OpenManagementWindow(manager);
        manager->close();
        QTRY_VERIFY(!m_main->MenuLocked());
        QCOMPARE(lockableEnabled().size(), 7);
    }

    // The examination window itself, on the instrument simulator, keeps the others out.
    void realExaminationWindowKeepsOthersOut()
    {
        const QString noInstrument = m_fixture.get(QStringLiteral("HARDWARE"), QStringLiteral("comPort"));
        QVERIFY(m_fixture.startInstrument());
        QPointer<TfrmExamination> examination = newExaminationWindow();
        m_main->OpenExaminationWindow(examination);
        QTRY_VERIFY(examination && examination->Serial());
        QCOMPARE(examination->objectName(), QStringLiteral("frmExamination"));
        QVERIFY(!m_main->MenuLocked());
        trigger(QStringLiteral("SpeedButton3"));
        trigger(QStringLiteral("CmeraCaptura1")); // locked now: nothing happens
        trigger(QStringLiteral("SpeedButton4"));  // the buttons are not locked
        QCOMPARE(m_dialogs->texts(), (QStringList{kNewExamActive, kCloseExam}));
        QVERIFY(m_main->MenuLocked());
        QCOMPARE(children(), QList<QWidget *>{examination.data()});
        examination->close();
        QTRY_VERIFY(!examination);
        QVERIFY(m_main->isVisible()); // an examination ended as usual leaves the program running
        m_fixture.instrument.reset();
        m_fixture.set(QStringLiteral("HARDWARE"), QStringLiteral("comPort"), noInstrument);
    }

    // No instrument: the examination window's message, then the program closes as usual.
    void examinationWithoutInstrumentEndsTheProgram()
    {
        QPointer<TfrmExamination> examination = newExaminationWindow();
        m_main->OpenExaminationWindow(examination);
        QTRY_VERIFY(!examination);
        QTRY_VERIFY(!m_main->isVisible());
        QCOMPARE(m_dialogs->shown().size(), 1); // the link's own message, no "Deseja sair"
        QVERIFY2(m_dialogs->last().text.startsWith(QStringLiteral("ERRO AO ABRIR A PORTA")),
                 qPrintable(m_dialogs->last().text));
        QVERIFY(m_main->MdiArea()->subWindowList().isEmpty());
    }

    void examinationWindowFoundAmongTopLevelForms()
    {
        QWidget examination;
        examination.setObjectName(QStringLiteral("frmExamination"));
        QVERIFY(m_main->ExaminationWindowExists());
        examination.setObjectName(QStringLiteral("frmOther"));
        QVERIFY(!m_main->ExaminationWindowExists());
    }

    void settingsDialogLocksUntilClosed()
    {
        trigger(QStringLiteral("CmeraCaptura1"));
        QCOMPARE(childrenNamed(QStringLiteral("frmCfgCamCap")), 1);
        QMdiSubWindow *frame = m_main->MdiArea()->subWindowList().first();
        QVERIFY(frame->isMaximized());
        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(m_main->MenuLocked());
        QTest::mouseClick(m_main->findChild<QPushButton *>(QStringLiteral("btnOK")), Qt::LeftButton);
        QTRY_VERIFY(children().isEmpty());
        QVERIFY(!m_main->MenuLocked());
    }

    void settingsDialogBroughtToFront()
    {
        QTest::keyClick(m_main.get(), Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(childrenNamed(QStringLiteral("frmCfgCamCap")), 1);
        auto *tolerance = m_main->findChild<QLineEdit *>(QStringLiteral("edtTolerance"));
        tolerance->setText(QStringLiteral("0.40"));
        QTest::keyClick(m_main.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(m_main->MdiArea()->activeSubWindow()->widget()->objectName(), QStringLiteral("frmCalibration"));
        m_main->UnlockMenu(); // as another window's close does
        action(QStringLiteral("CmeraCaptura1"))->trigger();
        QCOMPARE(childrenNamed(QStringLiteral("frmCfgCamCap")), 1);
        QCOMPARE(m_main->MdiArea()->activeSubWindow()->widget()->objectName(), QStringLiteral("frmCfgCamCap"));
        QCOMPARE(tolerance->text(), QStringLiteral("0.40")); // not created again
        QVERIFY(m_main->MenuLocked());
    }

    void exit_data()
    {
        QTest::addColumn<DialogButton>("answer");
        QTest::addColumn<bool>("running");
        QTest::newRow("answered No") << DialogButton::No << true;
        QTest::newRow("answered Yes") << DialogButton::Yes << false;
    }

    void exit()
    {
        QFETCH(DialogButton, answer);
        QFETCH(bool, running);
        m_dialogs->script({answer});
        QTest::keyClick(m_main.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Deseja sair do programa ?")});
        QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Question);
        QCOMPARE(m_main->isVisible(), running);
    }

    void exitClosesTheChildrenFirst()
    {
        QTest::keyClick(m_main.get(), Qt::Key_C, Qt::ControlModifier);
        auto *busy = new StubbornWindow;
        m_main->OpenChild(busy);
        m_dialogs->script({DialogButton::Yes});
        action(QStringLiteral("FileExitItem"))->trigger();
        QVERIFY(m_main->isVisible()); // a child kept its work: the program goes on
        QCOMPARE(children(), QList<QWidget *>{busy});
        delete busy;
        QTRY_VERIFY(children().isEmpty());
        m_dialogs->script({DialogButton::Yes});
        action(QStringLiteral("FileExitItem"))->trigger();
        QVERIFY(!m_main->isVisible());
    }

    void maintenancePanel()
    {
        auto *panel = m_main->findChild<QWidget *>(QStringLiteral("Panel1"));
        QVERIFY(!panel->isVisible());
        QTest::keyClick(m_main.get(), Qt::Key_Space);
        QVERIFY(panel->isVisible());
        QTest::keyClick(m_main.get(), Qt::Key_Space);
        QVERIFY(!panel->isVisible());
        QTest::keyClick(m_main.get(), Qt::Key_Space);
        QVERIFY(panel->isVisible());
        QTest::mouseDClick(panel, Qt::LeftButton);
        QVERIFY(!panel->isVisible());
        QCOMPARE(m_main->findChild<QLabel *>(QStringLiteral("lblCameras"))->text(),
                 QStringLiteral("Câmera Auxiliar             Câmera Principal"));
        QCOMPARE(button(QStringLiteral("Btn_Pac_1"))->text(), QStringLiteral("Alter Table"));
    }

    void cameraFlips_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("main horizontal") << "Chk_PrinFlip_Horizontal" << "Flip Horizontal" << false;
        QTest::newRow("aux vertical") << "Chk_AuxFlip_Vert" << "Flip Vertical" << true;
        QTest::newRow("aux horizontal") << "Chk_AuxFlip_Horizontal" << "Flip Horizontal" << false;
    }

    void cameraFlips()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(bool, ticked);
        auto *check = m_main->findChild<QCheckBox *>(box);
        QCOMPARE(check->text(), text);
        QCOMPARE(check->isChecked(), ticked);
        check->setChecked(!ticked);
        const bool flips[] = {m_main->MainFlipHorizontal(), m_main->AuxFlipVertical(), m_main->AuxFlipHorizontal()};
        const int which = box == QLatin1String("Chk_PrinFlip_Horizontal") ? 0 : box == QLatin1String("Chk_AuxFlip_Vert") ? 1 : 2;
        QCOMPARE(flips[which], !ticked);
    }

    void alterTableDropsTheCPFConstraint()
    {
        auto constraintCount = [this] {
            QSqlQuery &query = m_module->Execute(QStringLiteral(
                "select count(*) from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME = 'INTEG_6'"));
            query.next();
            const int count = query.value(0).toInt();
            query.finish();
            return count;
        };
        QCOMPARE(constraintCount(), 1);
        QTest::keyClick(m_main.get(), Qt::Key_Space);
        QTest::mouseClick(button(QStringLiteral("Btn_Pac_1")), Qt::LeftButton);
        QCOMPARE(constraintCount(), 0);
        // Two patients with one CPF, and one without, are now accepted.
        int record = 9000;
        for (const char *cpf : {"'11144477735'", "'11144477735'", "null"})
            m_module->Execute(
                QStringLiteral("insert into PACIENTE (PAC_PRONTUARIO, PAC_NOME, PAC_CPF) values (%1, 'Ana Lima', %2)")
                    .arg(++record)
                    .arg(QLatin1String(cpf)));
        QTest::mouseClick(button(QStringLiteral("Btn_Pac_1")), Qt::LeftButton); // again: silent
        QVERIFY(m_dialogs->shown().isEmpty());
        m_module->Rollback();
    }

    void helpFile_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("help file in the current folder") << true;
        QTest::newRow("no help file") << false;
    }

    void helpFile()
    {
        QFETCH(bool, present);
        QTemporaryDir folder;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        const QString path = QDir(folder.path()).absoluteFilePath(QStringLiteral("AjudaCornix.chm"));
        if (present) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
        action(QStringLiteral("Help"))->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDir::setCurrent(previous);
        if (present) {
            QCOMPARE(recorder.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
            QVERIFY(m_dialogs->shown().isEmpty());
        } else {
            QVERIFY(recorder.opened.isEmpty());
            QCOMPARE(m_dialogs->shown().size(), 1);
            QVERIFY(m_dialogs->last().text.contains(path));
        }
    }

    void openChildContract()
    {
        auto *child = new QWidget;
        QMdiSubWindow *frame = m_main->OpenChild(child);
        QVERIFY(frame->isMaximized());
        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(child->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(!m_main->MenuLocked());
        QPointer<QWidget> alive = child;
        child->close();
        QTRY_VERIFY(!alive);
        QTRY_VERIFY(m_main->MdiArea()->subWindowList().isEmpty());
    }

    // Until a manager is part of the program, its command opens nothing and leaves the
    // menu usable; once it is, the menu stays locked until the manager closes.
    void managerCommandsLockOnlyWhileOpen_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Médicos") << "SpeedButton1";
        QTest::newRow("Pacientes") << "SpeedButton2";
        QTest::newRow("Novo Exame") << "SpeedButton3";
        QTest::newRow("Rever Exame") << "SpeedButton4";
    }

    void managerCommandsLockOnlyWhileOpen()
    {
        QFETCH(QString, command);
        trigger(command);
        if (children().isEmpty()) {
            QVERIFY(!m_main->MenuLocked());
            return;
        }
        QVERIFY(m_main->MenuLocked());
        children().first()->close();
        QTRY_VERIFY(!m_main->MenuLocked());
    }

    void managersOpenInTheMdiArea_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("window");
        QTest::newRow("Médico, Ctrl+M") << "gerDoctor" << "frmDoctorManager";
        QTest::newRow("Paciente, Ctrl+T") << "gerPatient" << "frmPatientManager";
        QTest::newRow("button Médicos") << "SpeedButton1" << "frmDoctorManager";
        QTest::newRow("button Pacientes") << "SpeedButton2" << "frmPatientManager";
    }

    // A maximised, frameless child that locks the menu and unlocks it when it goes.
    void managersOpenInTheMdiArea()
    {
        QFETCH(QString, command);
        QFETCH(QString, window);
        trigger(command);
        QCOMPARE(childrenNamed(window), 1);
        QMdiSubWindow *frame = m_main->MdiArea()->subWindowList().first();
        QVERIFY(frame->isMaximized());
        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(frame->widget()->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(lockableEnabled(), QStringList());
        QPointer<QWidget> manager = frame->widget();
        manager->close();
        QTRY_VERIFY(!manager);
        QTRY_VERIFY(!m_main->MenuLocked());
        QCOMPARE(lockableEnabled().size(), 7);
        QTRY_VERIFY(m_main->MdiArea()->subWindowList().isEmpty());
    }

    void aboutBoxIsModalAndUnlocks()
    {
        QString caption, software, database;
        bool modal = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *about = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!about || about->objectName() != QLatin1String("frmAbout"))
                return;
            modal = about->isModal();
            caption = about->windowTitle();
            software = about->findChild<QLabel *>(QStringLiteral("lblSoftwareVersion"))->text();
            database = about->findChild<QLabel *>(QStringLiteral("lblDatabaseVersion"))->text();
            QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("btnOK")), Qt::LeftButton);
        });
        poll.start(20);
        action(QStringLiteral("HelpAboutItem"))->trigger();
        poll.stop();
        QVERIFY(modal);
        QCOMPARE(caption, QStringLiteral("Sobre"));
        QCOMPARE(software, QStringLiteral("Versão: 1.0.0.0"));
        QCOMPARE(database, QStringLiteral("Versão: 1.0.0.0"));
        QVERIFY(!m_main->MenuLocked());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
