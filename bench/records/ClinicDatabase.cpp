#include "ClinicDatabase.h"

#include "UDataBaseCornyx.h"
#include "UfrmDataModule.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>

#include <random>

namespace cornix::bench {

namespace {

const char *kFirst[] = {"Maria", "Ana", "José", "João", "Antônio", "Francisca", "Carlos", "Paulo", "Pedro", "Lucas",
                        "Luiz", "Marcos", "Luís", "Gabriel", "Rafael", "Juliana", "Márcia", "Fernanda", "Patrícia",
                        "Aline"};
const char *kLast[] = {"Silva", "Santos", "Oliveira", "Souza", "Rodrigues", "Ferreira", "Alves", "Pereira", "Lima",
                       "Gomes", "Costa", "Ribeiro", "Martins", "Carvalho", "Almeida", "Lopes", "Soares", "Fernandes",
                       "Vieira", "Barbosa", "Rocha", "Dias", "Nascimento", "Andrade", "Moreira"};

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
        patient.bindValue(QStringLiteral(":n"), PatientName(i));
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

} // namespace

QString PatientName(int i)
{
    return QStringLiteral("%1 %2 da %3")
        .arg(QString::fromUtf8(kFirst[i % 20]), QString::fromUtf8(kFirst[(i / 20) % 20]),
             QString::fromUtf8(kLast[(i / 400) % 25]));
}

test::ConnectedModule OpenClinicDatabase()
{
    QString path = QStringLiteral(CORNIX_BINARY_DIR "/testdb/bench_records/Cornyx.FDB");
    const bool reuse = QFile::exists(path);
    if (!reuse)
        path = test::CreateTestDatabase(QStringLiteral("bench_records"), test::Engine::Server);
    if (path.isEmpty()) {
        fprintf(stderr, "no database (start the server: scripts/services.sh start <build-dir>)\n");
        return {};
    }
    test::ConnectedModule db;
    try {
        db = test::Connect(path, test::Engine::Server);
    } catch (const EDatabaseError &error) {
        fprintf(stderr, "no database: %s\n", error.what());
        return {};
    }
    if (!reuse) {
        QElapsedTimer timer;
        timer.start();
        populate(*db.module);
        fprintf(stderr, "%d patients and %d examinations stored in %.1f s\n", kPatients, kExaminations,
                timer.elapsed() / 1000.0);
    }
    return db;
}

} // namespace cornix::bench
