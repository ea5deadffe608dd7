#include "SerialReply.h"
#include "SerialScrambler.h"

#include <QTest>

using namespace cornix;

Q_DECLARE_METATYPE(std::string)

class TestSerialReply : public QObject {
    Q_OBJECT

private slots:
    void judge_data();
    void judge();
    void complete_data();
    void complete();
    void notifications_data();
    void notifications();
    void leadingNotificationsStopAtReply();
    void trailingNotifications_data();
    void trailingNotifications();
};

void TestSerialReply::judge_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("param"); // -1: none taken from the reply
    QTest::addColumn<bool>("uncorrected");

    QTest::newRow("success") << "L001" << "R000000" << true << 0 << 0 << false;
    QTest::newRow("code 5 parameter 3") << "L001" << "R005003" << false << 5 << 3 << false;
    QTest::newRow("code above the table") << "C001" << "R016001" << false << 16 << 1 << false;
    QTest::newRow("negative code") << "C001" << "R-01000" << false << -1 << 0 << false;
    QTest::newRow("longer status still reads") << "C001" << "R000000XYZ" << true << 0 << 0 << false;
    QTest::newRow("letters in the code") << "L001" << "RABC000" << false << 2 << -1 << false;
    QTest::newRow("letters in the parameter") << "L001" << "R000X00" << false << 2 << -1 << false;
    QTest::newRow("unreadable and longer") << "L001" << "RABC000XYZ" << false << 2 << -1 << true;
    QTest::newRow("six characters") << "L001" << "R00000" << false << 2 << -1 << false;
    QTest::newRow("not a status") << "L001" << "X000000" << false << 2 << -1 << false;
    QTest::newRow("version data") << "V000" << "01.00 01/02/2024<F>" << true << 0 << -1 << false;
    QTest::newRow("any reply to V000") << "V000" << "junk" << true << 0 << -1 << false;
    QTest::newRow("E000 with suffix") << "E000123" << "x" << true << 0 << -1 << false;
    QTest::newRow("V000 with suffix is a status request") << "V0001" << "R000000" << true << 0 << 0 << false;
}

void TestSerialReply::judge()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    QFETCH(bool, success);
    QFETCH(int, error);
    QFETCH(int, param);
    QFETCH(bool, uncorrected);
    const auto verdict = JudgeReply(command.toStdString(), reply.toStdString());
    QCOMPARE(verdict.success, success);
    QCOMPARE(verdict.error, error);
    QCOMPARE(verdict.param.value_or(-1), param);
    QCOMPARE(verdict.reportUncorrected, uncorrected);
}

void TestSerialReply::complete_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("complete");
    QTest::newRow("status of seven") << "L001" << "R000000" << true;
    QTest::newRow("status of six") << "L001" << "R00000" << false;
    QTest::newRow("status of eight") << "L001" << "R0000000" << false;
    QTest::newRow("version of seven") << "V000" << "01.00 0" << false;
    QTest::newRow("version ended") << "V000" << "01.00 01/01/2024<F>" << true;
    QTest::newRow("break marker") << "E000" << "abc<B>" << true;
    QTest::newRow("status with end marker") << "L001" << "R0<F>" << true;
}

void TestSerialReply::complete()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    QFETCH(bool, complete);
    QCOMPARE(ReplyComplete(command.toStdString(), reply.toStdString()), complete);
}

void TestSerialReply::notifications_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("letters");
    QTest::addColumn<int>("left");
    // 'J' ^ '0' = 'z'; 'K' ^ '0' = '{' is out of range, so K is sent with key '1': 'K' ^ '1' = 'z'.
    QTest::newRow("press") << QByteArray("0z") << QByteArray("J") << 0;
    QTest::newRow("release") << QByteArray("1z") << QByteArray("K") << 0;
    QTest::newRow("press and release") << QByteArray("0z1z") << QByteArray("JK") << 0;
    QTest::newRow("half a notification waits") << QByteArray("0z1") << QByteArray("J") << 1;
    QTest::newRow("noise before press") << QByteArray("#0z") << QByteArray("J") << 0;
    QTest::newRow("not a notification") << QByteArray("00") << QByteArray() << 1;
}

void TestSerialReply::notifications()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, letters);
    QFETCH(int, left);
    std::string buffer = bytes.toStdString();
    std::string found;
    TakeNotifications(buffer, found);
    QCOMPARE(QByteArray::fromStdString(found), letters);
    QCOMPARE(int(buffer.size()), left);
}

void TestSerialReply::leadingNotificationsStopAtReply()
{
    SerialScrambler scrambler(3);
    const std::string reply = scrambler.scramble("R000000").wire;
    std::string raw = "0z" + reply;
    std::string letters;
    TakeLeadingNotifications(raw, letters);
    QCOMPARE(letters, std::string("J"));
    QCOMPARE(raw, reply);
}

void TestSerialReply::trailingNotifications_data()
{
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QByteArray>("letters");
    QTest::newRow("nothing after") << QByteArray() << false << QByteArray();
    QTest::newRow("press after") << QByteArray("0z") << true << QByteArray("J");
    QTest::newRow("press and release after") << QByteArray("0z1z") << true << QByteArray("JK");
    QTest::newRow("half a press after") << QByteArray("0") << false << QByteArray();
    QTest::newRow("more reply after") << QByteArray("abc") << false << QByteArray();
}

void TestSerialReply::trailingNotifications()
{
    QFETCH(QByteArray, after);
    QFETCH(bool, taken);
    QFETCH(QByteArray, letters);
    SerialScrambler scrambler(11);
    const std::string reply = scrambler.scramble("R000000").wire;
    std::string raw = reply + after.toStdString();
    std::string found;
    QCOMPARE(TakeTrailingNotifications(raw, found), taken);
    QCOMPARE(QByteArray::fromStdString(found), letters);
    QCOMPARE(raw, taken ? reply : reply + after.toStdString());
}

QTEST_APPLESS_MAIN(TestSerialReply)
#include "tst_serialreply.moc"
