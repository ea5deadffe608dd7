#include "SerialScrambler.h"

#include <QTest>

#include <random>

using cornix::SerialScrambler;

namespace {

bool isMarker(unsigned char c) { return c >= ' ' && c <= '/'; }

// Counts re-keyed characters; fails the test if the wire text is malformed.
int checkWireShape(const std::string &wire, std::size_t plainLength)
{
    if (wire.empty())
        return -1;
    const auto firstKey = static_cast<unsigned char>(wire[0]);
    if (firstKey < '0' || firstKey > 'y')
        return -1;
    int rekeys = 0;
    for (std::size_t i = 1; i < wire.size(); ++i) {
        const auto c = static_cast<unsigned char>(wire[i]);
        if (isMarker(c)) {
            if (i + 2 >= wire.size())
                return -1;
            const auto key = static_cast<unsigned char>(wire[i + 1]);
            if (key < '0' || key > '}' || !SerialScrambler::inRange(static_cast<unsigned char>(wire[i + 2])))
                return -1;
            ++rekeys;
            i += 2;
        } else if (!SerialScrambler::inRange(c)) {
            return -1;
        }
    }
    return wire.size() == plainLength + 1 + 2 * std::size_t(rekeys) ? rekeys : -1;
}

std::string randomText(std::mt19937 &random, int length)
{
    // Printable ASCII: '!'..'~' includes characters beyond "z" that always force a new key.
    std::uniform_int_distribution<int> character('!', '~');
    std::string text(std::size_t(length), ' ');
    for (char &c : text)
        c = static_cast<char>(character(random));
    return text;
}

} // namespace

class TestSerialScrambler : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void versionCommandWithoutRekeying();
    void unscrambleKnownWire_data();
    void unscrambleKnownWire();
    void emptyTextFails();
    void unscramblableCharacter_data();
    void unscramblableCharacter();
    void wireLengthFor_data();
    void wireLengthFor();
};

void TestSerialScrambler::roundTrip_data()
{
    QTest::addColumn<int>("length");
    for (int length = 1; length <= 60; ++length)
        QTest::addRow("length %d", length) << length;
}

void TestSerialScrambler::roundTrip()
{
    QFETCH(int, length);
    std::mt19937 random(std::uint32_t(1000 + length));
    SerialScrambler scrambler{std::uint32_t(length)};
    int rekeys = 0;
    for (int sample = 0; sample < 50; ++sample) {
        const std::string plain = randomText(random, length);
        const auto result = scrambler.scramble(plain);
        QVERIFY(result.ok);
        const int shapeRekeys = checkWireShape(result.wire, plain.size());
        QVERIFY2(shapeRekeys >= 0, result.wire.c_str());
        rekeys += shapeRekeys;
        QCOMPARE(SerialScrambler::unscramble(result.wire), plain);
    }
    if (length >= 5)
        QVERIFY(rekeys > 0); // texts this long always include re-keyed characters
}

void TestSerialScrambler::versionCommandWithoutRekeying()
{
    // Some keys scramble "V000" without re-keying; find one and check its form.
    for (std::uint32_t seed = 0; seed < 1000; ++seed) {
        SerialScrambler scrambler(seed);
        const auto result = scrambler.scramble("V000");
        QVERIFY(result.ok);
        if (result.wire.size() != 5)
            continue;
        const auto key = static_cast<unsigned char>(result.wire[0]);
        QVERIFY(key >= '0' && key <= 'y');
        for (std::size_t i = 1; i < 5; ++i) {
            QVERIFY(SerialScrambler::inRange(static_cast<unsigned char>(result.wire[i])));
            // Each character is the plain one XOR the running key.
            QCOMPARE(static_cast<unsigned char>(result.wire[i]),
                     static_cast<unsigned char>("V000"[i - 1] ^ static_cast<unsigned char>(key + i - 1)));
        }
        QCOMPARE(SerialScrambler::unscramble(result.wire), std::string("V000"));
        return;
    }
    QFAIL("no key scrambles V000 without re-keying");
}

void TestSerialScrambler::unscrambleKnownWire_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("plain");
    // 'V' ^ '0' = 'f'; then key '1'.
    QTest::newRow("one character") << QByteArray("0f") << QByteArray("V");
    // Marker " ", new key 'A', '0' ^ 'A' = 'q'.
    QTest::newRow("re-keyed second character") << QByteArray("0f Aq") << QByteArray("V0");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("key only") << QByteArray("0") << QByteArray();
    QTest::newRow("marker last") << QByteArray("0f/") << QByteArray("V");
    QTest::newRow("marker then key only") << QByteArray("0f A") << QByteArray("V");
    // A character equal to the running key is dropped.
    QTest::newRow("character equal to key") << QByteArray("00") << QByteArray();
}

void TestSerialScrambler::unscrambleKnownWire()
{
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, plain);
    QCOMPARE(QByteArray::fromStdString(SerialScrambler::unscramble(wire.toStdString())), plain);
}

void TestSerialScrambler::emptyTextFails()
{
    SerialScrambler scrambler(1);
    const auto result = scrambler.scramble("");
    QVERIFY(!result.ok);
    QVERIFY(result.wire.empty());
    QCOMPARE(result.failedCharacter, -1);
}

void TestSerialScrambler::unscramblableCharacter_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<int>("failed");
    // No key in range turns a byte above 127 into "0".."z": the first key search
    // must give up instead of drawing forever.
    QTest::newRow("first character") << QByteArray("\xE9") << 0xE9;
    QTest::newRow("later character") << QByteArray("V0\xFF") << 0xFF;
}

void TestSerialScrambler::unscramblableCharacter()
{
    QFETCH(QByteArray, plain);
    QFETCH(int, failed);
    SerialScrambler scrambler(7);
    const auto result = scrambler.scramble(plain.toStdString());
    QVERIFY(!result.ok);
    QVERIFY(result.wire.empty());
    QCOMPARE(result.failedCharacter, failed);
}

void TestSerialScrambler::wireLengthFor_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    QTest::newRow("first character") << QByteArray("0f Aq") << 1 << 2;
    QTest::newRow("through the re-key") << QByteArray("0f Aq") << 2 << 5;
    QTest::newRow("more than there is") << QByteArray("0f Aq") << 3 << -1;
    QTest::newRow("empty wire") << QByteArray() << 1 << -1;
}

void TestSerialScrambler::wireLengthFor()
{
    QFETCH(QByteArray, wire);
    QFETCH(int, count);
    QFETCH(int, expected);
    const auto length = SerialScrambler::wireLengthFor(wire.toStdString(), std::size_t(count));
    QCOMPARE(length == std::string_view::npos ? -1 : int(length), expected);
}

QTEST_APPLESS_MAIN(TestSerialScrambler)
#include "tst_serialscrambler.moc"
