// The program's start-up as the operator meets it: the main window shown, the settings
// loaded, the database opened and the patient list ready, or one clear message and a
// program that goes no further.
#include "AppFixture.h"
#include "RecordingDialogs.h"
#include "UfrmDataModule.h"
#include "UfrmMain.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using cornix::test::Engine;

class TestStartUp : public QObject {
    Q_OBJECT

    // Shows a main window on the fixture's files and waits for its start-up.
    static std::unique_ptr<TfrmMain> startMain(const AppFixture &fixture)
    {
        auto main = std::make_unique<TfrmMain>();
        main->SetStartUpFiles(fixture.files());
        main->show();
        if (!QTest::qWaitFor([&] { return main->StartUpFinished(); }, 30000))
            qWarning("start-up did not finish");
        return main;
    }

    static bool removeLine(const QString &path, const QByteArray &line)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite))
            return false;
        QByteArray content = file.readAll();
        if (!content.contains(line))
            return false;
        content.replace(line, QByteArray());
        return file.resize(0) && file.seek(0) && file.write(content) == content.size();
    }

    static QStringList enabledCommands(const TfrmMain &main)
    {
        QStringList enabled;
        for (const char *name : {"gerDoctor", "gerPatient", "genExamination", "FileExitItem", "CutItem", "CopyItem",
                                 "Men_Backup", "CmeraCaptura1", "Calibracao", "HelpAboutItem", "Help"})
            if (main.findChild<QAction *>(QLatin1String(name))->isEnabled())
                enabled << QLatin1String(name);
        for (const char *name : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4", "Btn_Pac_1"})
            if (main.findChild<QPushButton *>(QLatin1String(name))->isEnabled())
                enabled << QLatin1String(name);
        return enabled;
    }

private slots:
    void failureStopsTheStart_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("missing cornix.ini") << "no settings" << QStringList{"cornix.ini", "não existe"};
        QTest::newRow("non-numeric key") << "bad key"
                                         << QStringList{"cornix.ini", "[AUTOCAPTURE] average", "'alto'"};
        QTest::newRow("decimal separator 'error'")
            << "bad separator"
            << QStringList{"cornix.ini", "[SYSTEM] decimalSeparator tem o valor 'error'", "'.' ou ','"};
        QTest::newRow("decimal separator missing")
            << "no separator" << QStringList{"cornix.ini", "falta a chave [SYSTEM] decimalSeparator."};
        QTest::newRow("minBlack out of range")
            << "huge minBlack"
            << QStringList{"cornix.ini", "[IMAGEPROCESSING] minBlack tem o valor '2147483647', fora do intervalo "
                                         "aceito (de -255 a 255)."};
        QTest::newRow("missing database file") << "no database" << QStringList{"Cornyx.FDB", "não existe"};
        QTest::newRow("stopped server") << "stopped server"
                                        << QStringList{"localhost/3999:", "Cornyx.FDB", "network"};
    }

    void failureStopsTheStart()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, mentions);
        AppFixture fixture;
        QVERIFY(fixture.prepare(QStringLiteral("tst_startup_failure"), Engine::Server));
        if (fault == QLatin1String("no settings"))
            QVERIFY(QFile::remove(fixture.settingsPath()));
        else if (fault == QLatin1String("bad key"))
            fixture.set(QStringLiteral("AUTOCAPTURE"), QStringLiteral("average"), QStringLiteral("alto"));
        else if (fault == QLatin1String("bad separator"))
            fixture.set(QStringLiteral("SYSTEM"), QStringLiteral("decimalSeparator"), QStringLiteral("error"));
        else if (fault == QLatin1String("no separator"))
            QVERIFY(removeLine(fixture.settingsPath(), "decimalSeparator=.\n"));
        else if (fault == QLatin1String("huge minBlack"))
            fixture.set(QStringLiteral("IMAGEPROCESSING"), QStringLiteral("minBlack"), QStringLiteral("2147483647"));
        else if (fault == QLatin1String("no database"))
            QVERIFY(QFile::remove(fixture.databasePath));
        else
            fixture.set(QStringLiteral("DATABASE"), QStringLiteral("server"), QStringLiteral("localhost/3999"));

        cornix::RecordingDialogs dialogs;
        TDataModule1 module;
        auto main = startMain(fixture);

        QVERIFY(!main->StartedUp());
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.last().kind, cornix::DialogKind::Error);
        QCOMPARE(dialogs.last().caption, QStringLiteral("ERRO"));
        for (const QString &mention : mentions)
            QVERIFY2(dialogs.last().text.contains(mention, Qt::CaseInsensitive), qPrintable(dialogs.last().text));
        QVERIFY(dialogs.last().text.endsWith(QStringLiteral("O Cornix não pode continuar.")));
        // Nothing that leads to a window is left; the program can still be closed.
        QCOMPARE(enabledCommands(*main), QStringList{QStringLiteral("FileExitItem")});
        auto *line = main->findChild<QLabel *>(QStringLiteral("lblStartUpError"));
        QVERIFY(line && !line->text().isEmpty());
        main->UnlockMenu();
        QCOMPARE(enabledCommands(*main), QStringList{QStringLiteral("FileExitItem")});
        QVERIFY(!module.IBQPacList().Active());
        QCOMPARE(TBIniSettings::Global(), main->Settings());
    }

    void normalStartOpensThePatientList_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::newRow("test server") << Engine::Server;
        QTest::newRow("engine inside the program") << Engine::Embedded;
    }

    void normalStartOpensThePatientList()
    {
        QFETCH(Engine, engine);
        AppFixture fixture;
        QVERIFY(fixture.prepare(engine == Engine::Server ? QStringLiteral("tst_startup_server")
                                                         : QStringLiteral("tst_startup_embedded"),
                                engine));
        cornix::RecordingDialogs dialogs;
        TDataModule1 module;
        auto main = startMain(fixture);

        QVERIFY2(main->StartedUp(), qPrintable(main->StartUpError()));
        QVERIFY(dialogs.shown().isEmpty());
        QVERIFY(module.Connected());
        QVERIFY(module.InTransaction());
        QVERIFY(module.IBQPacList().Active());
        QCOMPARE(module.Server(), engine == Engine::Server ? cornix::test::TestServer() : QString());
        QVERIFY(main->Settings());
        QCOMPARE(TBIniSettings::Global(), main->Settings());
        QCOMPARE(main->Settings()->FileName(), fixture.settingsPath());
        QCOMPARE(enabledCommands(*main).size(), 16);
        QCOMPARE(main->windowTitle(), QStringLiteral("Cornix"));
        main.reset();
        QCOMPARE(TBIniSettings::Global(), nullptr);
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
