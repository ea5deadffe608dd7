// Records on a clinic-sized database: 10,000 patients and 30,000 examinations on the
// local Firebird server (scripts/services.sh start <build-dir> first).
//   ListPatients with a two-word name filter (runs on every keystroke), target <= 50 ms
//   SaveExamination with its three bitmaps, target <= 300 ms
//   LoadExamination, target <= 20 ms
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <random>

using namespace cornix::test;

namespace {

constexpr int kPatients = 10000;
constexpr int kExaminations = 30000;
constexpr int kDoctors = 20;

const char *kFirst[] = {"Maria", "Ana", "José", "João", "Antônio", "Francisca", "Carlos", "Paulo", "Pedro", "Lucas",
                        "Luiz", "Marcos", "Luís", "Gabriel", "Rafael", "Juliana", "Márcia", "Fernanda", "Patrícia",
                        "Aline"};
const char *kLast[] = {"Silva", "Santos", "Oliveira", "Souza", "Rodrigues", "Ferreira", "Alves", "Pereira", "Lima",
                       "Gomes", "Costa", "Ribeiro", "Martins", "Carvalho", "Almeida", "Lopes", "Soares", "Fernandes",
                       "Vieira", "Barbosa", "Rocha", "Dias", "Nascimento", "Andrade", "Moreira"};

QString patientName(int i)
{
    return QStringLiteral("%1 %2 da %3")
        .arg(QString::fromUtf8(kFirst[i % 20]), QString::fromUtf8(kFirst[(i / 20) % 20]),
             QString::fromUtf8(kLast[(i / 400) % 25]));
}

void populate(TDataModule1 &module)
{
    std::mt19937 random(42);
    QSqlQuery doctor = module.NewQuery();
    doctor.prepare(QStringLiteral("insert into MEDICO (MED_NOME, MED_SEXO, MED_CRM) values (:n, 'M', :c)"));
    for (int d = 1; d <= kDoctors; ++d) {
        doctor.bindValue(QStringLiteral(":n"), QStringLiteral("Dr. Medico %1").arg(d));
        doctor.bindValue(QStringLiteral(":c"), QStringLiteral("B-%1").arg(d));
        doctor.exec();
    }
    QSqlQuery patient = module.NewQuery();
    patient.prepare(QStringLiteral("insert into PACIENTE (PAC_PRONTUARIO, PAC_NOME, PAC_SEXO, PAC_CPF, "
                                   "PAC_NASCIMENTO, PAC_CIDADE) values (:p, :n, 'F', :c, :d, 'São Paulo')"));
    for (int i = 1; i <= kPatients; ++i) {
        patient.bindValue(QStringLiteral(":p"), i);
        patient.bindValue(QStringLiteral(":n"), patientName(i));
        patient.bindValue(QStringLiteral(":c"), GenerateCPF());
        patient.bindValue(QStringLiteral(":d"), QDate(1930, 1, 1).addDays(int(random() % 30000)));
        patient.exec();
    }
    QSqlQuery exam = module.NewQuery();
    exam.prepare(QStringLiteral(
        "insert into EXAME (EXM_MEDICO, EXM_PACIENTE, EXM_DATA, EXM_HORA, EXM_OLHO, EXM_FIX_SIDE, EXM_FIX_POS, "
        "EXM_TOTALCELULAS, EXM_AREAANALISADA, EXM_DENSIDADE, EXM_DP, EXM_AREAMIN, EXM_AREAMED, EXM_AREAMAX, "
        "EXM_HEXAGONAIS, EXM_COEFVAR, EXM_TOTALIMG, EXM_PAQUIMETRIA, EXM_MORPHOINFO, EXM_MEGATINFO, "
        "EXM_DIAGNOSTICO, EXM_OBSERVACAO, EXM_IMG_CROP_ORIG, EXM_IMG_CROP_PROC) values (:m, :p, :d, '10:00:00', "
        ":o, 'N', 2, 120, 0.05, 2500, 110.5, 150.25, 400.5, 900.75, 70, 0.3, 3, 540, '3;12;70;30;5', "
        "'1;2;10;40;50;15;2', 'Normal', '', '/x/Crop.bmp', '/x/Process.bmp')"));
    for (int e = 1; e <= kExaminations; ++e) {
        exam.bindValue(QStringLiteral(":m"), 1 + int(random() % kDoctors));
        exam.bindValue(QStringLiteral(":p"), 1 + int(random() % kPatients));
        exam.bindValue(QStringLiteral(":d"), QDate(2015, 1, 1).addDays(int(random() % 3000)));
        exam.bindValue(QStringLiteral(":o"), e % 2);
        exam.exec();
    }
    module.Commit();
}

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
    // The populated database is kept between runs; delete <build>/testdb/bench_records to start afresh.
    QString path = QStringLiteral(CORNIX_BINARY_DIR "/testdb/bench_records/Cornyx.FDB");
    const bool reuse = QFile::exists(path);
    if (!reuse)
        path = CreateTestDatabase(QStringLiteral("bench_records"), Engine::Server);
    if (path.isEmpty()) {
        fprintf(stderr, "bench_records: no database (start the server: scripts/services.sh start <build-dir>)\n");
        return 1;
    }
    Fixture fixture;
    fixture.db = Connect(path, Engine::Server);
    FillFrames(fixture.frames);
    if (!reuse) {
        QElapsedTimer timer;
        timer.start();
        populate(*fixture.db.module);
        fprintf(stderr, "bench_records: %d patients and %d examinations stored in %.1f s\n", kPatients,
                kExaminations, timer.elapsed() / 1000.0);
    }
    g_fixture = &fixture;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture = nullptr;
    return 0;
}
