// The simulator seen from a plain terminal client: what it publishes, how it
// answers, and the demo executable driven through its standard input.
#include "InstrumentSimulator.h"
#include "SerialScrambler.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;
using cornix::InstrumentSimulator;
using cornix::SerialScrambler;

namespace {

// A raw terminal client on the simulator's slave side.
class Client {
public:
    explicit Client(const std::string &path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY))
    {
        if (m_fd >= 0) {
            termios raw {};
            ::tcgetattr(m_fd, &raw);
            ::cfmakeraw(&raw);
            ::tcsetattr(m_fd, TCSANOW, &raw);
        }
    }
    ~Client()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }

    void send(const std::string &plain)
    {
        SerialScrambler scrambler(3);
        const std::string wire = scrambler.scramble(plain).wire + '\0';
        QCOMPARE(::write(m_fd, wire.data(), wire.size()), ssize_t(wire.size()));
    }

    // Everything that arrives until `count` plain characters are in or the time passes.
    std::string receive(std::size_t count, int timeoutMs = 1000)
    {
        std::string wire;
        while (SerialScrambler::unscramble(wire).size() < count) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, timeoutMs) <= 0)
                break;
            char buffer[256];
            const auto n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            wire.append(buffer, std::size_t(n));
        }
        return SerialScrambler::unscramble(wire);
    }

private:
    int m_fd;
};

} // namespace

class TestInstrumentSimulator : public QObject {
    Q_OBJECT

private slots:
    void publishesLink();
    void answers_data();
    void answers();
    void recordsWireForm();
    void demoExecutable();
};

void TestInstrumentSimulator::publishesLink()
{
    QTemporaryDir dir;
    const std::string link = (dir.path() + QStringLiteral("/tty")).toStdString();
    {
        InstrumentSimulator sim({link, 1, "01.00 01/01/2024"});
        QVERIFY(sim.start());
        QCOMPARE(sim.portPath(), link);
        QCOMPARE(QFileInfo(QString::fromStdString(link)).symLinkTarget(), QString::fromStdString(sim.slavePath()));
    }
    QVERIFY(!QFileInfo::exists(QString::fromStdString(link)));
}

void TestInstrumentSimulator::answers_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    for (const char *known : {"L001", "L006", "C001", "I001", "S000"})
        QTest::newRow(known) << known << "R000000";
    QTest::newRow("L007 unknown") << "L007" << "R005000";
    QTest::newRow("C002 unknown") << "C002" << "R005000";
    QTest::newRow("version") << "V000" << "01.00 01/01/2024<F>";
}

void TestInstrumentSimulator::answers()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    InstrumentSimulator sim({{}, 1, "01.00 01/01/2024"});
    QVERIFY(sim.start());
    Client client(sim.slavePath());
    QVERIFY(client.ok());
    client.send(command.toStdString());
    QCOMPARE(QString::fromStdString(client.receive(std::size_t(reply.size()))), reply);
}

void TestInstrumentSimulator::recordsWireForm()
{
    InstrumentSimulator sim;
    QVERIFY(sim.start());
    Client client(sim.slavePath());
    client.send("V000");
    QVERIFY(sim.waitForCommands(1, 10s));
    const std::string wire = sim.wireCommands().front();
    QVERIFY(wire.size() >= 5);
    QVERIFY(wire[0] >= '0' && wire[0] <= 'y');
    QCOMPARE(sim.commands().front(), std::string("V000"));
}

void TestInstrumentSimulator::demoExecutable()
{
    QTemporaryDir dir;
    const QString link = dir.path() + QStringLiteral("/instrument");
    QProcess process;
    process.start(QStringLiteral(CORNIX_BINARY_DIR "/bin/cornix-instrument-sim"),
                  {QStringLiteral("--link"), link, QStringLiteral("--version"), QStringLiteral("02.00 05/06/2024")});
    QVERIFY(process.waitForStarted());
    QVERIFY(process.waitForReadyRead(5000));
    QCOMPARE(process.readLine().trimmed(), QByteArray("port: ") + link.toUtf8());
    Client client(link.toStdString());
    QVERIFY(client.ok());
    client.send("V000");
    QCOMPARE(client.receive(19), std::string("02.00 05/06/2024<F>"));
    process.write("error 7 3\n");
    QVERIFY(process.waitForReadyRead(5000));
    QCOMPARE(process.readLine().trimmed(), QByteArray("ok"));
    client.send("L001");
    QCOMPARE(client.receive(7), std::string("R007003"));
    process.write("press\n");
    QVERIFY(process.waitForBytesWritten(5000));
    QCOMPARE(client.receive(1), std::string("J"));
    process.write("quit\n");
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link));
}

QTEST_GUILESS_MAIN(TestInstrumentSimulator)
#include "tst_instrumentsimulator.moc"
