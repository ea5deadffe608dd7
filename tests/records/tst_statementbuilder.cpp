// The statement builder of the record lists: the text line by line, the named
// parameters, the name-word conditions and statements joined. No database: the
// lists opened on the server are tested with the data access object.
#include "UDStatementBuilder.h"

#include <QDate>
#include <QTest>

using namespace cornix::records;

class TestStatementBuilder : public QObject {
    Q_OBJECT

private slots:
    void linesAreJoinedByLineBreaks()
    {
        TStatementBuilder statement;
        statement.Line(QStringLiteral("select * from MEDICO ")).Line(QStringLiteral("order by MED_NOME"));
        QCOMPARE(statement.Text(), QStringLiteral("select * from MEDICO \norder by MED_NOME"));
        QVERIFY(statement.Params().empty());
    }

    void emptyStatementHasNoText()
    {
        const TStatementBuilder statement;
        QCOMPARE(statement.Text(), QString());
        QVERIFY(statement.Params().empty());
    }

    void lineBindsItsParameter()
    {
        TStatementBuilder statement;
        statement.Line(QStringLiteral("where PAC_Status=:status "), QStringLiteral(":status"), 1);
        statement.Line(QStringLiteral("and (EXM_DATA between :DataI and :DataF) "), QStringLiteral(":DataI"),
                       QDate(2020, 1, 2));
        statement.Bind(QStringLiteral(":DataF"), QDate(2020, 1, 11));
        QCOMPARE(statement.Text().count(QLatin1Char('\n')), 1);
        QCOMPARE(statement.Params().size(), std::size_t(3));
        QCOMPARE(statement.Params().at(QStringLiteral(":status")), QVariant(1));
        QCOMPARE(statement.Params().at(QStringLiteral(":DataF")), QVariant(QDate(2020, 1, 11)));
    }

    // The later value of a parameter bound twice is the one sent.
    void rebindingReplacesTheValue()
    {
        TStatementBuilder statement;
        statement.Bind(QStringLiteral(":status"), 0).Bind(QStringLiteral(":status"), 1);
        QCOMPARE(statement.Params().size(), std::size_t(1));
        QCOMPARE(statement.Params().at(QStringLiteral(":status")), QVariant(1));
    }

    void nameWords_data()
    {
        QTest::addColumn<QString>("nameText");
        QTest::addColumn<int>("maxWords");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("values");

        const QString first = QStringLiteral("and upper(PAC_NOME) like upper(:p1) ");
        const QString second = QStringLiteral("AND upper(PAC_NOME) like upper(:p2) ");
        const QString third = QStringLiteral("AND upper(PAC_NOME) like upper(:p3) ");
        QTest::newRow("one word") << QStringLiteral("ana") << 4 << QStringList{first} << QStringList{QStringLiteral("%ana%")};
        QTest::newRow("two words") << QStringLiteral("ana maria") << 4 << QStringList{first, second}
                                   << QStringList{QStringLiteral("%ana%"), QStringLiteral("%maria%")};
        // Two blanks in a row give an empty word, which matches every name.
        QTest::newRow("double blank") << QStringLiteral("ana  maria") << 4 << QStringList{first, second, third}
                                      << QStringList{QStringLiteral("%ana%"), QStringLiteral("%%"),
                                                     QStringLiteral("%maria%")};
        QTest::newRow("words beyond the most dropped")
            << QStringLiteral("a b c") << 2 << QStringList{first, second}
            << QStringList{QStringLiteral("%a%"), QStringLiteral("%b%")};
        QTest::newRow("accented word kept as typed") << QStringLiteral("joão") << 4 << QStringList{first}
                                                     << QStringList{QStringLiteral("%joão%")};
    }

    void nameWords()
    {
        QFETCH(QString, nameText);
        QFETCH(int, maxWords);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, values);
        TStatementBuilder statement;
        statement.NameWords(nameText, maxWords, QStringLiteral("PAC_NOME"), QStringLiteral("and"),
                            QStringLiteral("AND"));
        QCOMPARE(statement.Text(), lines.join(QLatin1Char('\n')));
        QCOMPARE(statement.Params().size(), std::size_t(values.size()));
        for (int k = 0; k < values.size(); ++k)
            QCOMPARE(statement.Params().at(QStringLiteral(":p%1").arg(k + 1)).toString(), values[k]);
    }

    // The conditions of a list serve both its statement and the count of its rows.
    void appendTakesTheOthersLinesAndParameters()
    {
        TStatementBuilder conditions;
        conditions.Line(QStringLiteral("where PAC_Status=:status "), QStringLiteral(":status"), 1);
        conditions.NameWords(QStringLiteral("ana"), 4, QStringLiteral("PAC_NOME"), QStringLiteral("and"),
                             QStringLiteral("and"));
        TStatementBuilder counting;
        counting.Line(QStringLiteral("select count(*) from paciente ")).Append(conditions);
        QCOMPARE(counting.Text(), QStringLiteral("select count(*) from paciente \nwhere PAC_Status=:status \n"
                                                 "and upper(PAC_NOME) like upper(:p1) "));
        QVERIFY(counting.Params() == conditions.Params());
        // The appended statement is left as it was.
        QCOMPARE(conditions.Text().count(QLatin1Char('\n')), 1);
    }
};

QTEST_APPLESS_MAIN(TestStatementBuilder)
#include "tst_statementbuilder.moc"
