// The camera and capture settings dialog: loading, the Apply/OK switch and its 300 rule,
// the apply and discard questions, and the range checks that keep a bad field from
// leaving half the settings written.
#include "Numbers.h"
#include "RecordingDialogs.h"
#include "UBIniSettings.h"
#include "UfrmCfgCamCap.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using cornix::DialogButton;

namespace {

const QString kApplyQuestion =
    QStringLiteral("Modificações nos valores de configuração foram detectadas!\rDeseja realmente aplicá-las?");
const QString kDiscardQuestion = QStringLiteral("Existem mudanças não salvas. Deseja descartá-las?");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFrmCfgCamCap : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<TBIniSettings> m_settings;
    std::unique_ptr<TfrmCfgCamCap> m_form;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;

    QLineEdit *edit(const char *name) const { return m_form->findChild<QLineEdit *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return m_form->findChild<QPushButton *>(QLatin1String(name)); }
    bool applyEnabled() const { return button("btnApply")->isEnabled(); }
    bool okEnabled() const { return button("btnOK")->isEnabled(); }
    // Replaces the field's text as typing would (one change event per key).
    void type(const char *name, const QString &text)
    {
        QLineEdit *field = edit(name);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    void openForm()
    {
        m_settings = std::make_unique<TBIniSettings>(m_path);
        m_form = std::make_unique<TfrmCfgCamCap>(*m_settings);
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("cornix.ini"));
        QFile::remove(m_path);
        QVERIFY(QFile::copy(QStringLiteral(CORNIX_SOURCE_DIR "/config/cornix.ini"), m_path));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_dialogs = std::make_unique<cornix::RecordingDialogs>();
        openForm();
    }

    void cleanup()
    {
        m_form.reset();
        m_settings.reset();
        m_dialogs.reset();
    }

    void showLoadsEveryFieldOnTheFirstPage()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Configuração"));
        QVERIFY(m_form->IsOpen());
        QCOMPARE(m_form->findChild<QTabWidget *>(QStringLiteral("pgcConfig"))->currentIndex(), 0);
        QCOMPARE(edit("edtMainCam")->text(), QStringLiteral("0"));
        QCOMPARE(edit("edtAuxCam")->text(), QStringLiteral("1"));
        QCOMPARE(edit("edtNumMaxCaptures")->text(), QStringLiteral("30"));
        QCOMPARE(edit("edtNCAverageValue")->text(), QStringLiteral("128.00"));
        QCOMPARE(edit("edtNCSDValue")->text(), QStringLiteral("40.00"));
        QCOMPARE(edit("edtTolerance")->text(), QStringLiteral("0.25"));
        QCOMPARE(edit("edtClinicName")->text(), QStringLiteral("Clínica Cornix"));
        QCOMPARE(edit("edtClinicAddress")->text(), QStringLiteral("Rua Exemplo, 100 - Centro"));
        QCOMPARE(edit("edtClinicPhone")->text(), QStringLiteral("(11) 5555-0100"));
        QVERIFY(!applyEnabled());
        QVERIFY(okEnabled());
    }

    void channelShowsItsLowEightBits()
    {
        m_settings->SetMainCamChannel(0);
        TBIniSettings::WriteIniValue(m_path, TIniKind::Str, false, QStringLiteral("260"),
                                     QStringLiteral("mainCamChannel"), QStringLiteral("CAMERA"));
        m_form->LoadFields();
        QCOMPARE(edit("edtMainCam")->text(), QStringLiteral("4"));
    }

    void pagesAndLabels_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::newRow("main camera") << "lblMainCam" << "Câmera Principal:";
        QTest::newRow("main camera hint") << "lblMainCamHint" << "(nº do canal)";
        QTest::newRow("aux camera") << "lblAuxCam" << "Câmera Secundária:";
        QTest::newRow("captures") << "lblNumMaxCaptures" << "Nº máximo de capturas:";
        QTest::newRow("captures hint") << "lblNumMaxCapturesHint" << "(1 a 300)";
        QTest::newRow("average hint") << "lblNCAverageHint" << "(valor médio de NC)";
        QTest::newRow("sd hint") << "lblNCSDHint" << "(valor do desvio padrão dos NCs)";
        QTest::newRow("tolerance hint") << "lblToleranceHint" << "(valor entre 0 e 1 - 0 = 0% e 1 = 100%)";
        QTest::newRow("clinic address") << "lblClinicAddress" << "Endereço:";
    }

    void pagesAndLabels()
    {
        QFETCH(QString, label);
        QFETCH(QString, text);
        auto *widget = m_form->findChild<QLabel *>(label);
        QVERIFY2(widget, qPrintable(label));
        QCOMPARE(widget->text(), text);
        auto *pages = m_form->findChild<QTabWidget *>(QStringLiteral("pgcConfig"));
        QCOMPARE(pages->count(), 3);
        QCOMPARE(pages->tabText(0), QStringLiteral("Canais"));
        QCOMPARE(pages->tabText(1), QStringLiteral("Captura"));
        QCOMPARE(pages->tabText(2), QStringLiteral("Dados da Clínica"));
    }

    void changeSwitchesApplyAndOK_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("modified");
        QTest::newRow("main channel changed") << "edtMainCam" << "2" << true;
        QTest::newRow("main channel typed back") << "edtMainCam" << "0" << false;
        QTest::newRow("aux channel changed") << "edtAuxCam" << "3" << true;
        QTest::newRow("average changed") << "edtNCAverageValue" << "120.00" << true;
        QTest::newRow("average same number, other text") << "edtNCAverageValue" << "128.0" << true;
        QTest::newRow("average with the other separator") << "edtNCAverageValue" << "128,00" << true;
        QTest::newRow("sd changed") << "edtNCSDValue" << "35.50" << true;
        QTest::newRow("tolerance changed") << "edtTolerance" << "0.30" << true;
        QTest::newRow("tolerance typed back") << "edtTolerance" << "0.25" << false;
        QTest::newRow("maximum 300") << "edtNumMaxCaptures" << "300" << true;
        QTest::newRow("maximum 1") << "edtNumMaxCaptures" << "1" << true;
        QTest::newRow("maximum 301 alone") << "edtNumMaxCaptures" << "301" << false;
        QTest::newRow("maximum 70000 alone") << "edtNumMaxCaptures" << "70000" << false;
    }

    void changeSwitchesApplyAndOK()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(bool, modified);
        type(qPrintable(field), typed);
        QCOMPARE(applyEnabled(), modified);
        QCOMPARE(okEnabled(), !modified);
        QCOMPARE(m_form->IsModified(), modified);
    }

    void lettersInTheMaximumKeepTheButtons_data()
    {
        QTest::addColumn<bool>("modifiedBefore");
        QTest::newRow("apply disabled") << false;
        QTest::newRow("apply enabled") << true;
    }

    void lettersInTheMaximumKeepTheButtons()
    {
        QFETCH(bool, modifiedBefore);
        if (modifiedBefore)
            type("edtNumMaxCaptures", QStringLiteral("40"));
        QCOMPARE(applyEnabled(), modifiedBefore);
        type("edtNumMaxCaptures", QStringLiteral("abc"));
        QCOMPARE(applyEnabled(), modifiedBefore);
        QCOMPARE(okEnabled(), !modifiedBefore);
    }

    void maximumAbove300CountsWithAnotherChange()
    {
        type("edtNumMaxCaptures", QStringLiteral("301"));
        QVERIFY(!applyEnabled());
        type("edtMainCam", QStringLiteral("2"));
        QVERIFY(applyEnabled());
        type("edtMainCam", QStringLiteral("0"));
        QVERIFY(!applyEnabled()); // 301 alone again
    }

    void clinicEditAloneLeavesApplyDisabledButCancelAsks()
    {
        type("edtClinicName", QStringLiteral("Outra Clinica"));
        QVERIFY(!applyEnabled());
        QVERIFY(m_form->IsModified());
        m_dialogs->script({DialogButton::Yes});
        QTest::mouseClick(button("btnCancel"), Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(), QStringList{kDiscardQuestion});
        QCOMPARE(m_dialogs->last().caption, QStringLiteral("Aviso"));
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_settings->GetClinicName(), QStringLiteral("Clínica Cornix"));
    }

    void applyYesStoresEveryField()
    {
        type("edtMainCam", QStringLiteral("2"));
        type("edtAuxCam", QStringLiteral("3"));
        type("edtNumMaxCaptures", QStringLiteral("120"));
        type("edtNCAverageValue", QStringLiteral("110.5"));
        type("edtNCSDValue", QStringLiteral("30"));
        type("edtTolerance", QStringLiteral("0.5"));
        type("edtClinicPhone", QStringLiteral("(21) 4444-0000"));
        m_dialogs->script({DialogButton::Yes});
        QTest::mouseClick(button("btnApply"), Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(), QStringList{kApplyQuestion});
        QCOMPARE(m_dialogs->last().caption, QStringLiteral("Aviso"));
        QVERIFY(!applyEnabled());
        QVERIFY(okEnabled());
        const QByteArray file = readAll(m_path);
        for (const char *line : {"mainCamChannel=2\n", "auxCamChannel=3\n", "maxFrames=120\n", "average=110.50\n",
                                 "sd=30.00\n", "tolerance=0.50\n", "PHONE=(21) 4444-0000\n"})
            QVERIFY2(file.contains(line), line);
        QCOMPARE(m_settings->MaxFrames(), quint16(120));
        QCOMPARE(m_settings->Average(), 110.5);
    }

    // What the dialog accepts, the settings file accepts at the next start: the fields
    // at the ends of their ranges are stored and load again.
    void boundsStoredLoadAgain_data()
    {
        QTest::addColumn<QString>("captures");
        QTest::addColumn<QString>("statistic");
        QTest::addColumn<QString>("tolerance");
        QTest::newRow("lowest") << "1" << "0" << "0";
        QTest::newRow("highest") << "300" << "255" << "1";
        QTest::newRow("highest after rounding to two decimals") << "300" << "254.996" << "0.996";
    }

    void boundsStoredLoadAgain()
    {
        QFETCH(QString, captures);
        QFETCH(QString, statistic);
        QFETCH(QString, tolerance);
        type("edtNumMaxCaptures", captures);
        type("edtNCAverageValue", statistic);
        type("edtNCSDValue", statistic);
        type("edtTolerance", tolerance);
        m_dialogs->script({DialogButton::Yes});
        QTest::mouseClick(button("btnApply"), Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(), QStringList{kApplyQuestion});
        const TBIniSettings next(m_path);
        QCOMPARE(next.MaxFrames(), quint16(captures.toInt()));
        QCOMPARE(next.Average(), cornix::RoundHalfEven(statistic.toDouble() * 100) / 100.0);
        QCOMPARE(next.SD(), next.Average());
        QCOMPARE(next.Tolerance(), cornix::RoundHalfEven(tolerance.toDouble() * 100) / 100.0);
    }

    void applyNoRestoresTheFields()
    {
        const QByteArray before = readAll(m_path);
        type("edtMainCam", QStringLiteral("5"));
        type("edtTolerance", QStringLiteral("0.9"));
        type("edtClinicName", QStringLiteral("Outra"));
        m_dialogs->script({DialogButton::No});
        QTest::mouseClick(button("btnApply"), Qt::LeftButton);
        QCOMPARE(edit("edtMainCam")->text(), QStringLiteral("0"));
        QCOMPARE(edit("edtTolerance")->text(), QStringLiteral("0.25"));
        QCOMPARE(edit("edtClinicName")->text(), QStringLiteral("Clínica Cornix"));
        QVERIFY(!applyEnabled());
        QVERIFY(okEnabled());
        QCOMPARE(readAll(m_path), before);
    }

    void cancel_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<QList<DialogButton>>("answers");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("closed");
        const QList<DialogButton> none;
        QTest::newRow("no changes: closes without asking") << false << none << QStringList{} << false << true;
        QTest::newRow("changes, discard answered Yes") << true << QList<DialogButton>{DialogButton::Yes}
                                                       << QStringList{kDiscardQuestion} << false << true;
        QTest::newRow("changes, discard No, apply Yes")
            << true << QList<DialogButton>{DialogButton::No, DialogButton::Yes}
            << QStringList{kDiscardQuestion, kApplyQuestion} << true << true;
        QTest::newRow("changes, discard No, apply No")
            << true << QList<DialogButton>{DialogButton::No, DialogButton::No}
            << QStringList{kDiscardQuestion, kApplyQuestion} << false << true;
    }

    void cancel()
    {
        QFETCH(bool, change);
        QFETCH(QList<DialogButton>, answers);
        QFETCH(QStringList, questions);
        QFETCH(bool, saved);
        QFETCH(bool, closed);
        if (change)
            type("edtAuxCam", QStringLiteral("7"));
        for (DialogButton answer : answers)
            m_dialogs->script({answer});
        QTest::mouseClick(button("btnCancel"), Qt::LeftButton);
        QCOMPARE(m_dialogs->texts(), questions);
        QCOMPARE(m_settings->GetAuxCamChannel(), saved ? 7 : 1);
        QCOMPARE(m_form->isVisible(), !closed);
        QCOMPARE(m_form->IsOpen(), !closed);
    }

    void escapeIsCancel()
    {
        edit("edtMainCam")->setFocus();
        QTest::keyClick(m_form.get(), Qt::Key_Escape);
        QTRY_VERIFY(!m_form->isVisible()); // a button's shortcut clicks it a moment later
        QVERIFY(m_dialogs->shown().isEmpty());
    }

    void okCloses()
    {
        QTest::mouseClick(button("btnOK"), Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QVERIFY(!m_form->IsOpen());
        QVERIFY(m_dialogs->shown().isEmpty());
    }

    // A field that cannot be stored is reported before anything is written.
    void badFieldWritesNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("maximum 70000") << "edtNumMaxCaptures" << "70000" << "Nº máximo de capturas";
        QTest::newRow("maximum 301") << "edtNumMaxCaptures" << "301" << "Nº máximo de capturas";
        QTest::newRow("maximum 0") << "edtNumMaxCaptures" << "0" << "Nº máximo de capturas";
        QTest::newRow("maximum letters") << "edtNumMaxCaptures" << "abc" << "Nº máximo de capturas";
        QTest::newRow("main channel 256") << "edtMainCam" << "256" << "Câmera Principal";
        QTest::newRow("aux channel -1") << "edtAuxCam" << "-1" << "Câmera Secundária";
        QTest::newRow("average letters") << "edtNCAverageValue" << "x" << "Média";
        QTest::newRow("sd other separator") << "edtNCSDValue" << "3,5" << "D.P.";
        QTest::newRow("tolerance 1.01") << "edtTolerance" << "1.01" << "Tolerância";
        QTest::newRow("tolerance negative") << "edtTolerance" << "-0.1" << "Tolerância";
        QTest::newRow("average 255.01") << "edtNCAverageValue" << "255.01" << "Média: o valor deve ser um número de 0 a 255";
        QTest::newRow("sd 256") << "edtNCSDValue" << "256" << "D.P.: o valor deve ser um número de 0 a 255";
    }

    void badFieldWritesNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        const QByteArray before = readAll(m_path);
        type("edtClinicName", QStringLiteral("Nova Clinica"));
        type("edtMainCam", QStringLiteral("9")); // an earlier field that would be written first
        type(qPrintable(field), typed);
        QVERIFY(applyEnabled());
        m_dialogs->script({DialogButton::Yes});
        QTest::mouseClick(button("btnApply"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown().size(), 2);
        QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Warning);
        QCOMPARE(m_dialogs->last().caption, QStringLiteral("AVISO"));
        QVERIFY2(m_dialogs->last().text.startsWith(message), qPrintable(m_dialogs->last().text));
        QVERIFY(m_dialogs->last().text.contains(QStringLiteral("Nenhuma configuração foi gravada.")));
        QCOMPARE(readAll(m_path), before);
        QCOMPARE(edit(qPrintable(field))->text(), typed); // left for the operator to correct
        QVERIFY(applyEnabled());
        QVERIFY(edit(qPrintable(field))->hasFocus());
    }

    void badFieldKeepsCancelFromClosing()
    {
        type("edtTolerance", QStringLiteral("2"));
        m_dialogs->script({DialogButton::No, DialogButton::Yes});
        QTest::mouseClick(button("btnCancel"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown().size(), 3);
        QVERIFY(m_dialogs->last().text.startsWith(QStringLiteral("Tolerância")));
        QVERIFY(m_form->isVisible());
    }

    void commaSeparatorInForce()
    {
        m_form.reset();
        TBIniSettings::WriteIniValue(m_path, TIniKind::Str, false, QStringLiteral(","),
                                     QStringLiteral("decimalSeparator"), QStringLiteral("SYSTEM"));
        // The length scales are read without repair: they must use the separator in force.
        for (auto [key, value] : {std::pair{"pixelToMM", "0,001860"}, std::pair{"pixelToPaq", "1,500000"}})
            TBIniSettings::WriteIniValue(m_path, TIniKind::Str, false, QLatin1String(value), QLatin1String(key),
                                         QStringLiteral("METRICS"));
        openForm();
        QCOMPARE(edit("edtTolerance")->text(), QStringLiteral("0,25"));
        type("edtTolerance", QStringLiteral("0,75"));
        m_dialogs->script({DialogButton::Yes});
        QTest::mouseClick(button("btnApply"), Qt::LeftButton);
        QVERIFY(readAll(m_path).contains("tolerance=0,75\n"));
        cornix::SetDecimalSeparator('.');
    }
};

QTEST_MAIN(TestFrmCfgCamCap)
#include "tst_frmcfgcamcap.moc"
