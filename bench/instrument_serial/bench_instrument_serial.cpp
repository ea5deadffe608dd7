// Transactions per second over a pseudo-terminal with the instrument simulator on
// the other side. Each transaction is the full cycle: close, reopen without the
// receive event, write, read the reply, close, reopen with the receive event.
// Run with --benchmark_repetitions=N for the median and spread.
#include "InstrumentSimulator.h"
#include "RecordingDialogs.h"
#include "SerialScrambler.h"
#include "UBCom.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Link {
    QTemporaryDir dir;
    cornix::InstrumentSimulator sim;
    cornix::RecordingDialogs dialogs;
    TSerial serial;

    bool open()
    {
        if (!sim.start())
            return false;
        const QString settings = dir.path() + QStringLiteral("/cornix.ini");
        QFile file(settings);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("[HARDWARE]\ncomPort=" + QByteArray::fromStdString(sim.portPath()) + "\n");
        file.close();
        serial.setLogFileName(dir.path() + QStringLiteral("/Hardware.Log"));
        return serial.OpenLink(settings);
    }
};

void transact(benchmark::State &state, const QString &command)
{
    Link link;
    if (!link.open()) {
        state.SkipWithError("cannot open the simulated instrument");
        return;
    }
    for (auto _ : state) {
        if (!link.serial.Transact(command)) {
            state.SkipWithError("transaction failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["tx/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_StatusTransaction(benchmark::State &state) { transact(state, QStringLiteral("L001")); }
void BM_VersionTransaction(benchmark::State &state) { transact(state, QStringLiteral("V000")); }

// The port's own close and reopen, for attributing the transaction time: the
// serial port keeps a lock file in /var/lock, written and synced on every open.
void BM_PortReopen(benchmark::State &state)
{
    cornix::InstrumentSimulator sim;
    if (!sim.start()) {
        state.SkipWithError("cannot start the simulated instrument");
        return;
    }
    QSerialPort port(QString::fromStdString(sim.portPath()));
    for (auto _ : state) {
        if (!port.open(QIODevice::ReadWrite)) {
            state.SkipWithError("cannot open the port");
            break;
        }
        port.close();
    }
    state.counters["opens/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ScrambleCommand(benchmark::State &state)
{
    cornix::SerialScrambler scrambler(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(scrambler.scramble("L001"));
}

void BM_UnscrambleReply(benchmark::State &state)
{
    cornix::SerialScrambler scrambler(1);
    const std::string wire = scrambler.scramble("01.00 25/12/2023<F>").wire;
    for (auto _ : state)
        benchmark::DoNotOptimize(cornix::SerialScrambler::unscramble(wire));
}

} // namespace

BENCHMARK(BM_StatusTransaction)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_VersionTransaction)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PortReopen)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ScrambleCommand);
BENCHMARK(BM_UnscrambleReply);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
