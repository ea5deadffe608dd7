#include "RecordingDialogs.h"

#include <QTest>

using namespace cornix;

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void recordsAndAnswersFromScript()
    {
        RecordingDialogs dialogs;
        dialogs.script({DialogButton::No, DialogButton::Yes});
        QVERIFY(!AskYesNo(QStringLiteral("Descartar?")));
        QVERIFY(AskYesNo(QStringLiteral("Descartar?")));
        ShowWarning(QStringLiteral("Número máximo de capturas atingido!"));
        QCOMPARE(dialogs.shown().size(), 3);
        QCOMPARE(dialogs.shown().at(0).caption, QStringLiteral("Aviso"));
        QCOMPARE(dialogs.shown().at(0).buttons, DialogButton::Yes | DialogButton::No);
        QCOMPARE(dialogs.last().caption, QStringLiteral("AVISO"));
        QCOMPARE(dialogs.last().kind, DialogKind::Warning);
    }

    void unrecoverableErrorText()
    {
        RecordingDialogs dialogs;
        ShowUnrecoverable(QStringLiteral("TBFrameBuffer.BCalculateStatistics"));
        QCOMPARE(dialogs.last().caption, QStringLiteral("ERRO"));
        QCOMPARE(dialogs.last().text, QStringLiteral("Erro irrecuperável em 'TBFrameBuffer.BCalculateStatistics'"));
    }

    void uninstallsOnDestruction()
    {
        {
            RecordingDialogs dialogs;
            QCOMPARE(&Dialogs::current(), static_cast<Dialogs *>(&dialogs));
        }
        // The console fallback answers questions negatively.
        QVERIFY(!AskYesNo(QStringLiteral("Pergunta sem janela")));
        QVERIFY(!AskOkCancel(QStringLiteral("Pergunta sem janela")));
    }
};

QTEST_APPLESS_MAIN(TestDialogs)
#include "tst_dialogs.moc"
