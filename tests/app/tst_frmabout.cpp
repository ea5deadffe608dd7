// The about box: the program's version from the build, the database's from DB_INFO and
// the firmware's through the serial link, against the instrument simulator on a
// pseudo-terminal.
#include "AppFixture.h"
#include "RecordingDialogs.h"
#include "UfrmAbout.h"
#include "UfrmDataModule.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using cornix::test::Engine;

class TestFrmAbout : public QObject {
    Q_OBJECT

    AppFixture m_fixture;
    cornix::test::ConnectedModule m_database;

    QString shownLine(TBIniSettings *settings, TDataModule1 *module, const char *label)
    {
        TfrmAbout about(settings, module);
        about.show();
        if (!QTest::qWaitFor([&] { return about.FirmwareRead(); }, 10000))
            return QStringLiteral("(firmware never read)");
        return about.findChild<QLabel *>(QLatin1String(label))->text();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_fixture.prepare(QStringLiteral("tst_frmabout"), Engine::Server));
        m_database = cornix::test::Connect(m_fixture.databasePath, Engine::Server);
    }

    void cleanupTestCase() { m_database.module.reset(); }

    void layout()
    {
        TfrmAbout about(nullptr, nullptr);
        QCOMPARE(about.objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(about.windowTitle(), QStringLiteral("Sobre"));
        QVERIFY(about.isModal());
        for (const char *heading : {"Software", "Hardware", "DataBase"}) {
            bool found = false;
            for (QLabel *label : about.findChildren<QLabel *>())
                found = found || label->text() == QLatin1String(heading);
            QVERIFY2(found, heading);
        }
        QCOMPARE(about.findChild<QPushButton *>(QStringLiteral("btnOK"))->text(), QStringLiteral("OK"));
        QVERIFY(!about.findChild<QLabel *>(QStringLiteral("imgIcon"))->pixmap().isNull());
    }

    void softwareAndDatabaseVersions()
    {
        cornix::RecordingDialogs dialogs;
        TfrmAbout about(nullptr, m_database.module.get());
        about.show();
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblSoftwareVersion"))->text(),
                 QStringLiteral("Versão: 1.0.0.0"));
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblDatabaseVersion"))->text(),
                 QStringLiteral("Versão: 1.0.0.0"));
        QCOMPARE(TfrmAbout::DatabaseVersionCaption(nullptr), QStringLiteral("Erro!"));
    }

    void firmware_data()
    {
        QTest::addColumn<QString>("instrument");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("01.00 and a date") << "01.00 25/12/2024" << "Versão: 1.0.0.0" << "";
        QTest::newRow("01.00 whatever follows") << "01.00rc2 25/12/2024" << "Versão: 1.0.0.0" << "";
        QTest::newRow("other firmware shown whole") << "02.13 01/03/2025" << "Versão: 02.13 01/03/2025" << "";
        QTest::newRow("no date: check fails") << "01.00" << "Não Conectado!" << "HARDWARE INVÁLIDO!";
        QTest::newRow("instrument silent") << "silent" << "Não Conectado!" << "HARDWARE INVÁLIDO!";
        QTest::newRow("port missing") << "none" << "Erro!" << "ERRO AO ABRIR A PORTA DE COMUNICACAO";
    }

    void firmware()
    {
        QFETCH(QString, instrument);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        AppFixture workstation;
        QVERIFY(QFile::copy(m_fixture.settingsPath(), workstation.settingsPath()));
        if (instrument != QLatin1String("none")) {
            QVERIFY(workstation.startInstrument(instrument.toStdString()));
            if (instrument == QLatin1String("silent"))
                workstation.instrument->injectNoReply();
        }
        const QString previous = QDir::currentPath();
        QDir::setCurrent(workstation.dir.path()); // Hardware.Log goes there
        cornix::RecordingDialogs dialogs;
        TBIniSettings settings(workstation.settingsPath());
        const QString line = shownLine(&settings, m_database.module.get(), "lblHardwareVersion");
        QDir::setCurrent(previous);
        QCOMPARE(line, shown);
        if (message.isEmpty()) {
            QVERIFY(dialogs.shown().isEmpty());
            QCOMPARE(workstation.instrument->commands().front(), std::string("V000"));
        } else {
            QCOMPARE(dialogs.shown().size(), 1);
            QVERIFY2(dialogs.last().text.startsWith(message), qPrintable(dialogs.last().text));
        }
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
