#pragma once
// The records the gallery's record windows show: one database on the test server with
// a few dozen patients and doctors (one of each inactive) and some examinations, made
// once per gallery run and kept open until the program ends.
#include "FirebirdTestDatabase.h"
#include "RecordsTestData.h"
#include "UfrmDataModule.h"

#include <QCoreApplication>
#include <QDate>
#include <QPair>
#include <QSqlQuery>
#include <QTime>

namespace cornix::gallery {

inline const QStringList &galleryPatientNames()
{
    static const QStringList names = {
        QStringLiteral("Ana Beatriz Souza"),      QStringLiteral("Antônio Carlos Pereira"),
        QStringLiteral("Beatriz Helena Duarte"),  QStringLiteral("Bruno Figueiredo Lima"),
        QStringLiteral("Camila Andrade Rocha"),   QStringLiteral("Carlos Eduardo Nogueira"),
        QStringLiteral("Cecília Martins Prado"),  QStringLiteral("Daniel Ribeiro Castro"),
        QStringLiteral("Débora Cristina Alves"),  QStringLiteral("Eduardo Tavares Moura"),
        QStringLiteral("Elaine Siqueira Campos"), QStringLiteral("Fábio Henrique Barros"),
        QStringLiteral("Fernanda Lopes Teixeira"), QStringLiteral("Francisco de Assis Melo"),
        QStringLiteral("Gabriela Fonseca Reis"),  QStringLiteral("Gustavo Almeida Pinto"),
        QStringLiteral("Helena Vasconcelos"),     QStringLiteral("Igor Sampaio Cardoso"),
        QStringLiteral("Isabela Moreira Dias"),   QStringLiteral("João Batista dos Santos"),
        QStringLiteral("José Roberto Carvalho"),  QStringLiteral("Juliana Freitas Gomes"),
        QStringLiteral("Lúcia Aparecida Costa"),  QStringLiteral("Luiz Fernando Machado"),
        QStringLiteral("Márcia Regina Oliveira"), QStringLiteral("Maria das Dores Silva"),
        QStringLiteral("Mariana Cunha Batista"),  QStringLiteral("Natália Brandão Leite"),
        QStringLiteral("Otávio Guimarães Neto"),  QStringLiteral("Patrícia Monteiro Araújo"),
        QStringLiteral("Paulo Sérgio Rezende"),   QStringLiteral("Rafael Antunes Viana"),
        QStringLiteral("Renata Coelho Barbosa"),  QStringLiteral("Sebastião Ferreira"),
        QStringLiteral("Tatiane Rodrigues Luz"),  QStringLiteral("Vinícius Queiroz Farias")};
    return names;
}

// Doctors with their sex ("M"/"F"): the title the records give them depends on it.
inline const QList<QPair<QString, QString>> &galleryDoctors()
{
    static const QList<QPair<QString, QString>> doctors = {
        {QStringLiteral("Adriana Menezes"), QStringLiteral("F")},   {QStringLiteral("Alberto Nascimento"), QStringLiteral("M")},
        {QStringLiteral("Beatriz Galvão"), QStringLiteral("F")},    {QStringLiteral("Cláudio Bittencourt"), QStringLiteral("M")},
        {QStringLiteral("Denise Arruda"), QStringLiteral("F")},     {QStringLiteral("Eduardo Sales"), QStringLiteral("M")},
        {QStringLiteral("Flávia Rangel"), QStringLiteral("F")},     {QStringLiteral("Gilberto Pacheco"), QStringLiteral("M")},
        {QStringLiteral("Heloísa Prates"), QStringLiteral("F")},    {QStringLiteral("Henrique Lacerda"), QStringLiteral("M")},
        {QStringLiteral("Ivone Cavalcanti"), QStringLiteral("F")},  {QStringLiteral("Jorge Albuquerque"), QStringLiteral("M")},
        {QStringLiteral("Lívia Matos"), QStringLiteral("F")},       {QStringLiteral("Marcelo Torres"), QStringLiteral("M")},
        {QStringLiteral("Mônica Saraiva"), QStringLiteral("F")},    {QStringLiteral("Nelson Quintela"), QStringLiteral("M")},
        {QStringLiteral("Regina Barreto"), QStringLiteral("F")},    {QStringLiteral("Rodrigo Peixoto"), QStringLiteral("M")},
        {QStringLiteral("Sílvia Camargo"), QStringLiteral("F")},    {QStringLiteral("Tomás Ventura"), QStringLiteral("M")},
        {QStringLiteral("Valéria Dantas"), QStringLiteral("F")},    {QStringLiteral("Wagner Furtado"), QStringLiteral("M")},
        {QStringLiteral("Yara Medeiros"), QStringLiteral("F")},     {QStringLiteral("Zélia Fontes"), QStringLiteral("F")}};
    return doctors;
}

inline const QStringList &gallerySpecialities()
{
    static const QStringList specialities = {QStringLiteral("Córnea"), QStringLiteral("Catarata"),
                                             QStringLiteral("Glaucoma"), QStringLiteral("Retina"),
                                             QStringLiteral("Cirurgia Refrativa"), QStringLiteral("Oftalmologia Geral")};
    return specialities;
}

inline void fillGalleryRecords(TDataModule1 &module)
{
    TBDCornyx db(module);
    const QStringList cities = {QStringLiteral("São Paulo"), QStringLiteral("Campinas"), QStringLiteral("Santos"),
                                QStringLiteral("Ribeirão Preto")};
    const QStringList names = galleryPatientNames();
    for (int i = 0; i < names.size(); ++i) {
        TPaciente p = test::MakePatient(1040 + 17 * i, names[i]);
        p.Sexo = i % 3 == 0 ? QStringLiteral("M") : QStringLiteral("F");
        p.Nascimento = QDate(1938 + (i * 7) % 60, 1 + i % 12, 1 + (i * 5) % 28).toString(QStringLiteral("dd/MM/yyyy"));
        p.Cidade = cities[i % cities.size()];
        p.UF = QStringLiteral("SP");
        p.NatUF = QStringLiteral("MG");
        p.Natural = QStringLiteral("Belo Horizonte");
        p.Civil = QStringLiteral("Casado(a)");
        p.Sangue = QStringLiteral("O+");
        p.Prof = QStringLiteral("Professora");
        p.RG = QStringLiteral("%1.%2-%3").arg(20 + i).arg(100 + 7 * i).arg(i % 9);
        p.Orgao = QStringLiteral("SSP");
        p.Logradouro = QStringLiteral("Rua das Acácias, %1").arg(10 + 3 * i);
        p.Bairro = QStringLiteral("Jardim Paulista");
        p.CEP = QStringLiteral("01%1-000").arg(400 + i);
        p.Fone1 = QStringLiteral("(11) 3%1-%2").arg(100 + i).arg(4000 + 37 * i);
        p.Email = QStringLiteral("paciente%1@exemplo.com.br").arg(i + 1);
        p.Observacoes = QStringLiteral("Usa lentes de contato rígidas.\nRetorno em seis meses.");
        db.SavePatient(p);
        if (i == 5)
            db.DeactivatePatient(p.ID);
    }
    const auto &doctors = galleryDoctors();
    for (int i = 0; i < doctors.size(); ++i) {
        TMedico d = test::MakeDoctor(doctors[i].first, doctors[i].second, QStringLiteral("%1-SP").arg(40210 + 113 * i));
        d.Especialidade = gallerySpecialities()[i % gallerySpecialities().size()];
        d.Cidade = QStringLiteral("São Paulo");
        d.UF = QStringLiteral("SP");
        d.Fone1 = QStringLiteral("(11) 3%1-%2").arg(200 + i).arg(5000 + 41 * i);
        d.Email = QStringLiteral("medico%1@clinica.com.br").arg(i + 1);
        d.Observacoes = QStringLiteral("Atende às terças e quintas.");
        db.SaveDoctor(d);
        if (i == 3)
            db.DeactivateDoctor(d.ID);
    }
    module.Commit();
}

// Examinations of most active patients by several doctors, a few of them today, for the
// examination manager and viewer; stored once.
inline void addGalleryExaminations(TDataModule1 &module)
{
    static bool added = false;
    if (added)
        return;
    added = true;
    QSqlQuery &ids = module.Execute(QStringLiteral("select PAC_ID from PACIENTE order by PAC_NOME"));
    QList<int> patients;
    while (ids.next())
        patients << ids.value(0).toInt();
    ids.finish();
    QSqlQuery &doctorIDs = module.Execute(QStringLiteral("select MED_ID from MEDICO where MED_STATUS=1 order by MED_ID"));
    QList<int> doctors;
    while (doctorIDs.next())
        doctors << doctorIDs.value(0).toInt();
    doctorIDs.finish();
    const QStringList diagnoses = {QStringLiteral("Endotélio dentro da normalidade"),
                                   QStringLiteral("Guttata central discreta"),
                                   QStringLiteral("Polimegatismo moderado"), QStringLiteral("Pós-operatório de catarata")};
    for (int p = 0; p < patients.size() && !doctors.isEmpty(); ++p) {
        for (int e = 0; e < (p * 7) % 4; ++e) {
            const QDate date = (p + e) % 9 == 0 ? QDate::currentDate() : QDate(2023 + e % 2, 1 + (p + 5 * e) % 12, 1 + (3 * p + e) % 27);
            module.Execute(
                QStringLiteral("insert into EXAME (EXM_MEDICO, EXM_PACIENTE, EXM_DATA, EXM_HORA, EXM_OLHO, "
                               "EXM_FIX_SIDE, EXM_FIX_POS, EXM_TOTALCELULAS, EXM_AREAANALISADA, EXM_DENSIDADE, EXM_DP, "
                               "EXM_AREAMIN, EXM_AREAMED, EXM_AREAMAX, EXM_HEXAGONAIS, EXM_COEFVAR, EXM_TOTALIMG, "
                               "EXM_PAQUIMETRIA, EXM_MORPHOINFO, EXM_MEGATINFO, EXM_FIRMWARE, EXM_SOFTWARE, "
                               "EXM_DIAGNOSTICO, EXM_OBSERVACAO) values (:medico, :paciente, :data, :hora, :olho, :lado, "
                               ":fix, :cells, 0.0712, :dens, 95.5, 180.25, 395.0, 710.75, 120, 0.24, 3, 540, "
                               "'3;12;120;40;5', '0;2;20;90;60;8;0', '01.00', 'Cornix 1.0', :diag, :obs)"),
                {{QStringLiteral(":medico"), doctors[(p + e) % doctors.size()]},
                 {QStringLiteral(":paciente"), patients[p]},
                 {QStringLiteral(":data"), date},
                 {QStringLiteral(":hora"), QTime(8 + (p + e) % 9, (7 * p + 13 * e) % 60)},
                 {QStringLiteral(":olho"), e % 2},
                 {QStringLiteral(":lado"), e % 2 == 0 ? QStringLiteral("N") : QStringLiteral("T")},
                 {QStringLiteral(":fix"), e % 2 == 0 ? 2 : 10},
                 {QStringLiteral(":cells"), 150 + 11 * p + e},
                 {QStringLiteral(":dens"), 2100 + 37 * p + 90 * e},
                 {QStringLiteral(":diag"), diagnoses[(p + e) % diagnoses.size()]},
                 {QStringLiteral(":obs"), QStringLiteral("Retorno em um ano.")}});
        }
    }
    module.Commit();
}

// The data module the record windows of the gallery work on; nullptr (with a warning)
// without a test server.
inline TDataModule1 *galleryRecords()
{
    // Closed with the application, before the client library's own exit handlers run.
    static test::ConnectedModule *db = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const QString path = test::CreateTestDatabase(QStringLiteral("gallery_records"), test::Engine::Server);
        if (path.isEmpty())
            return nullptr;
        try {
            db = new test::ConnectedModule(test::Connect(path, test::Engine::Server));
            qAddPostRoutine([] {
                delete db;
                db = nullptr;
            });
            fillGalleryRecords(*db->module);
        } catch (const EDatabaseError &error) {
            qWarning("gallery: no records database: %s", error.what());
            return nullptr;
        }
    }
    return db ? db->module.get() : nullptr;
}

} // namespace cornix::gallery
