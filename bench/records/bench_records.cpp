// Records on a clinic-sized database: 10,000 patients and 30,000 examinations on the
// local Firebird server (scripts/services.sh start <build-dir> first).
//   ListPatients with a two-word name filter (runs on every keystroke), target <= 50 ms
//   SaveExamination with its three bitmaps, target <= 300 ms
//   LoadExamination, target <= 20 ms
#include "ClinicDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <random>

using namespace cornix::test;

namespace {

using cornix::bench::kDoctors;
using cornix::bench::kExaminations;
using cornix::bench::kPatients;

struct Fixture {
    ConnectedModule db;
    cornix::RecordingDialogs dialogs;
    TBFrameBuffer frames;
};

Fixture *g_fixture = nullptr;

void BM_ListPatientsTwoWords(benchmark::State &state)
{
    TBDCornyx db(*g_fixture->db.module);
    const QStringList filters = {QStringLiteral("maria silva"), QStringLiteral("ana souza"),
                                 QStringLiteral("jo lima"), QStringLiteral("carlos da")};
    int i = 0, rows = 0;
    for (auto _ : state)
        rows = db.ListPatients(filters[i++ % filters.size()], 1, 0, {}, -1, {}, {}, {}, {}, 1);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ListPatientsTwoWords)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_ListPatientsWithExaminations(benchmark::State &state)
{
    TBDCornyx db(*g_fixture->db.module);
    int rows = 0;
    for (auto _ : state)
        rows = db.ListPatients(QStringLiteral("maria silva"), 1, 0, {}, 0, {}, {}, {}, {}, 1);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ListPatientsWithExaminations)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_SaveExamination(benchmark::State &state)
{
    TBDCornyx db(*g_fixture->db.module);
    std::mt19937 random(7);
    for (auto _ : state) {
        TExame exam = MakeExam(1 + int(random() % kDoctors), 1 + int(random() % kPatients));
        if (!db.SaveExamination(exam, g_fixture->frames))
            state.SkipWithError("SaveExamination failed");
    }
    g_fixture->db.module->Commit();
}
BENCHMARK(BM_SaveExamination)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_LoadExamination(benchmark::State &state)
{
    TDExamination loader(*g_fixture->db.module);
    std::mt19937 random(9);
    for (auto _ : state) {
        TExame exam;
        if (!loader.LoadExamination(1 + int(random() % kExaminations), exam))
            state.SkipWithError("LoadExamination found nothing");
        benchmark::DoNotOptimize(exam.Density);
    }
}
BENCHMARK(BM_LoadExamination)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture fixture;
    fixture.db = cornix::bench::OpenClinicDatabase();
    if (!fixture.db.module)
        return 1;
    FillFrames(fixture.frames);
    g_fixture = &fixture;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture = nullptr;
    return 0;
}
