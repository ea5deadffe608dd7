#include "DateText.h"
#include "Numbers.h"

#include <QTest>

using namespace cornix;

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    void init() { SetDecimalSeparator('.'); }

    void formatFloat_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<char>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mm2 four decimals") << "0.0000" << 0.54 << '.' << "0.5400";
        QTest::newRow("mm2 comma") << "0.0000" << 0.54 << ',' << "0,5400";
        QTest::newRow("two decimals exact half binary below") << "0.00" << 2.675 << '.' << "2.67";
        QTest::newRow("two decimals exact half to even") << "0.00" << 0.125 << '.' << "0.12";
        QTest::newRow("two decimals exact half to even up") << "0.00" << 0.375 << '.' << "0.38";
        QTest::newRow("two decimals negative") << "0.00" << -3.14159 << '.' << "-3.14";
        QTest::newRow("negative rounding to zero has no sign") << "0.00" << -0.001 << '.' << "0.00";
        QTest::newRow("settings average") << "0.00" << 12.5 << ',' << "12,50";
        QTest::newRow("percent 5.5") << "00" << 5.5 << '.' << "06";
        QTest::newRow("percent 4.5") << "00" << 4.5 << '.' << "04";
        QTest::newRow("percent 100") << "00" << 100.0 << '.' << "100";
        QTest::newRow("percent negative") << "00" << -7.0 << '.' << "-07";
        QTest::newRow("pachymetry 45") << "#000" << 45.0 << '.' << "045";
        QTest::newRow("pachymetry 0") << "#000" << 0.0 << '.' << "000";
        QTest::newRow("pachymetry 1234") << "#000" << 1234.0 << '.' << "1234";
        QTest::newRow("pachymetry 539.5") << "#000" << 539.5 << '.' << "540";
        QTest::newRow("length scale") << "0.000000" << 0.00125 << '.' << "0.001250";
        QTest::newRow("length scale comma") << "0.000000" << 0.0018604 << ',' << "0,001860";
        QTest::newRow("big") << "0.00" << 1234567.891 << '.' << "1234567.89";
    }

    void formatFloat()
    {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(char, separator);
        QFETCH(QString, expected);
        SetDecimalSeparator(separator);
        QCOMPARE(QString::fromStdString(FormatFloat(pattern.toStdString(), value)), expected);
    }

    void strToFloat_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<char>("separator");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("expected");
        QTest::newRow("point") << "2.5" << '.' << true << 2.5;
        QTest::newRow("comma") << "2,5" << ',' << true << 2.5;
        QTest::newRow("comma with point in force") << "2,5" << '.' << false << 0.0;
        QTest::newRow("point with comma in force") << "2.5" << ',' << false << 0.0;
        QTest::newRow("integer") << "12" << '.' << true << 12.0;
        QTest::newRow("negative") << "-0.75" << '.' << true << -0.75;
        QTest::newRow("blanks around") << "  3.25 " << '.' << true << 3.25;
        QTest::newRow("exponent") << "1.5e3" << '.' << true << 1500.0;
        QTest::newRow("leading separator") << ".5" << '.' << true << 0.5;
        QTest::newRow("error fallback") << "error" << '.' << false << 0.0;
        QTest::newRow("empty") << "" << '.' << false << 0.0;
        QTest::newRow("lone separator") << "." << '.' << false << 0.0;
        QTest::newRow("trailing garbage") << "2.5x" << '.' << false << 0.0;
        QTest::newRow("both separators") << "1.234,5" << ',' << false << 0.0;
        QTest::newRow("inf") << "inf" << '.' << false << 0.0;
        QTest::newRow("separator e") << "2.5" << 'e' << false << 0.0;
    }

    void strToFloat()
    {
        QFETCH(QString, text);
        QFETCH(char, separator);
        QFETCH(bool, valid);
        QFETCH(double, expected);
        SetDecimalSeparator(separator);
        if (valid) {
            QCOMPARE(StrToFloat(text.toStdString()), expected);
        } else {
            QVERIFY_THROWS_EXCEPTION(EConvertError, StrToFloat(text.toStdString()));
        }
    }

    void strToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "30" << true << 30;
        QTest::newRow("signed") << "-12" << true << -12;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("blanks") << " 70000 " << true << 70000;
        QTest::newRow("decimal text") << "2.5" << false << 0;
        QTest::newRow("error") << "error" << false << 0;
        QTest::newRow("overflow") << "2147483648" << false << 0;
        QTest::newRow("plus minus") << "+-3" << false << 0;
        QTest::newRow("minus only") << "-" << false << 0;
    }

    void strToInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, expected);
        if (valid) {
            QCOMPARE(StrToInt(text.toStdString()), expected);
        } else {
            QVERIFY_THROWS_EXCEPTION(EConvertError, StrToInt(text.toStdString()));
        }
    }

    void conversionErrorNamesText()
    {
        try {
            StrToFloat(std::string_view("abc"));
            QFAIL("no exception");
        } catch (const EConvertError &error) {
            QCOMPARE(error.text(), std::string("abc"));
            QVERIFY(QString::fromUtf8(error.what()).contains(QStringLiteral("'abc'")));
        }
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("0.5") << 0.5 << qint64(0);
        QTest::newRow("1.5") << 1.5 << qint64(2);
        QTest::newRow("2.5") << 2.5 << qint64(2);
        QTest::newRow("2.5000001") << 2.5000001 << qint64(3);
        QTest::newRow("3.49") << 3.49 << qint64(3);
        QTest::newRow("-0.5") << -0.5 << qint64(0);
        QTest::newRow("-1.5") << -1.5 << qint64(-2);
        QTest::newRow("-2.5") << -2.5 << qint64(-2);
        QTest::newRow("-2.6") << -2.6 << qint64(-3);
        QTest::newRow("large") << 4503599627370495.5 << qint64(4503599627370496);
    }

    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(qint64, expected);
        QCOMPARE(RoundHalfEven(value), expected);
    }

    void dateText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("plain") << "08/12/2026" << QDate(2026, 12, 8);
        QTest::newRow("leap day") << "29/02/2000" << QDate(2000, 2, 29);
        QTest::newRow("no leap day") << "29/02/2001" << QDate();
        QTest::newRow("short fields") << "1/1/2000" << QDate();
        QTest::newRow("month 13") << "01/13/2000" << QDate();
        QTest::newRow("empty") << "" << QDate();
    }

    void dateText()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QCOMPARE(TextToDate(text), expected);
        if (expected.isValid())
            QCOMPARE(DateToText(expected), text);
    }
};

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
