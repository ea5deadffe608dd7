#include "AbbreviateName.h"

#include <QTest>

class TestAbbreviateName : public QObject {
    Q_OBJECT

private slots:
    void abbreviate_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("five words") << "Aaaa Bbbbbb cc Ddddd Eeeee" << "Aaaa B. cc D. Eeeee";
        QTest::newRow("two words") << "  Maria Silva " << "Maria Silva";
        QTest::newRow("one word") << "Maria" << "Maria";
        QTest::newRow("short middle words kept") << "Ana de Souza" << "Ana de Souza";
        QTest::newRow("four letters abbreviated") << "Ana Luiz Souza" << "Ana L. Souza";
        QTest::newRow("double blank keeps an empty word") << "Ana  Maria Souza" << "Ana  M. Souza";
        QTest::newRow("accented initial") << "José Ângelo Silva" << "José Â. Silva";
        QTest::newRow("more than twenty words")
            << "A Bbbb C Dddd E Ffff G Hhhh I Jjjj K Llll M Nnnn O Pppp Q Rrrr S Tttt U Vvvv"
            << "A B. C D. E F. G H. I J. K L. M N. O P. Q R. S T. U Vvvv";
    }

    void abbreviate()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(AbbreviateName(name), expected);
    }
};

QTEST_APPLESS_MAIN(TestAbbreviateName)
#include "tst_abbreviatename.moc"
