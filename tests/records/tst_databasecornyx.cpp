// TBDCornyx against a real Firebird server (started by scripts/services.sh).
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UDataBaseCornyx.h"
#include "UfrmDataModule.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace cornix::test;

class TestDataBaseCornyx : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    // Pure helpers.
    void isValidCPF_data();
    void isValidCPF();
    void generatedCPFsAreValid();
    void isValidDateText_data();
    void isValidDateText();
    void capitalizeName_data();
    void capitalizeName();
    void showDatabaseError_data();
    void showDatabaseError();
    void examinationFolder_data();
    void examinationFolder();

    // Patients.
    void fiveInvalidFieldsGiveOneNumberedDialog();
    void emailRule_data();
    void emailRule();
    void newPatientIsNormalisedAndActive();
    void updateChangesOnlyThatPatient();
    void invalidBirthDate_data();
    void invalidBirthDate();
    void duplicates_data();
    void duplicates();
    void textOutsideTheCharacterSetWritesNothing();
    void textLongerThanItsColumnWritesNothing_data();
    void textLongerThanItsColumnWritesNothing();
    void bothUFsShareOneLine();
    void deactivateAndReactivate();
    void deactivationSurvivesRestart();

    // Doctors.
    void doctorTitles_data();
    void doctorTitles();
    void listDoctors();
    void deactivateDoctor();

    // Patient lists.
    void listPatientsOrderings();
    void listPatientsStatus_data();
    void listPatientsStatus();
    void listPatientsNameWords();
    void listPatientsRecordNumberOverCPF();
    void listPatientsDoctorAndDate();
    void listPatientsStatementLines();

    // Examinations.
    void examinationSevenStoredUnder0007();
    void examinationUpdateKeepsDoctorPatientEye();
    void examinationNeedsDoctorAndPatient_data();
    void examinationNeedsDoctorAndPatient();
    void imageWriteFailureLeavesNoRow_data();
    void imageWriteFailureLeavesNoRow();
    void examinationTextOutsideTheCharacterSet();
    void examinationTextLongerThanItsColumn_data();
    void examinationTextLongerThanItsColumn();
    void listExaminations();

    // Failures of the database reach no caller as an exception.
    void closedDatabase_data();
    void closedDatabase();
    void closedDatabaseUpgradeIsSilent();

    // Upgrade (changes the schema: runs last).
    void upgradeSkippedForOtherVersions();
    void upgradeAllowsPatientsWithoutCPF();
    void upgradeTwiceIsSilent();

private:
    int scalar(const QString &sql);
    int savePatient(int prontuario, const QString &name, const QString &cpf = GenerateCPF());
    int saveDoctor(const QString &name, const QString &crm);
    int nextProntuario() { return ++m_prontuario; }

    QString m_database;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    int m_prontuario = 1000;
};

void TestDataBaseCornyx::initTestCase()
{
    m_database = CreateTestDatabase(QStringLiteral("records_database"), Engine::Server);
    QVERIFY2(!m_database.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_database, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestDataBaseCornyx::cleanupTestCase()
{
    m_db.module.reset();
    m_dialogs.reset();
}

void TestDataBaseCornyx::init() { m_dialogs->clear(); }

int TestDataBaseCornyx::scalar(const QString &sql)
{
    QSqlQuery &query = m_db.module->Execute(sql);
    const int value = query.next() ? query.value(0).toInt() : -1;
    query.finish();
    return value;
}

int TestDataBaseCornyx::savePatient(int prontuario, const QString &name, const QString &cpf)
{
    TPaciente p = MakePatient(prontuario, name, cpf);
    TBDCornyx db(*m_db.module);
    if (!db.SavePatient(p))
        return -1;
    return p.ID;
}

int TestDataBaseCornyx::saveDoctor(const QString &name, const QString &crm)
{
    TMedico d = MakeDoctor(name, QStringLiteral("M"), crm);
    TBDCornyx db(*m_db.module);
    return db.SaveDoctor(d) ? d.ID : -1;
}

// Pure helpers ---------------------------------------------------------------------------

void TestDataBaseCornyx::isValidCPF_data()
{
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<bool>("valid");
    QTest::newRow("valid") << "52998224725" << true;
    QTest::newRow("last digit changed") << "52998224726" << false;
    QTest::newRow("first check digit changed") << "52998224735" << false;
    QTest::newRow("all zeros") << "00000000000" << true;
    QTest::newRow("ten digits") << "5299822472" << false;
    QTest::newRow("twelve digits") << "529982247250" << false;
    QTest::newRow("punctuated") << "529.982.247-25" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("first check digit 0 (r < 2)") << "11144477735" << true;
    // Arabic-Indic digits 5 2 9 9 8 2 2 4 7 count as 0: their check digits would be 00.
    QTest::newRow("non-ASCII digits are not digits")
        << QStringLiteral("\u0665\u0662\u0669\u0669\u0668\u0662\u0662\u0664\u066725") << false;
    QTest::newRow("non-ASCII digits count as 0")
        << QStringLiteral("\u0665\u0662\u0669\u0669\u0668\u0662\u0662\u0664\u066700") << true;
}

void TestDataBaseCornyx::isValidCPF()
{
    QFETCH(QString, cpf);
    QFETCH(bool, valid);
    QCOMPARE(TBDCornyx::IsValidCPF(cpf), valid);
}

void TestDataBaseCornyx::generatedCPFsAreValid()
{
    for (int i = 0; i < 200; ++i) {
        const QString cpf = GenerateCPF();
        QCOMPARE(cpf.size(), 11);
        QVERIFY2(TBDCornyx::IsValidCPF(cpf), qPrintable(cpf));
    }
}

void TestDataBaseCornyx::isValidDateText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("29/02/2001 not a leap year") << "29/02/2001" << false;
    QTest::newRow("29/02/2000 leap year") << "29/02/2000" << true;
    QTest::newRow("1/1/2000 short") << "1/1/2000" << false;
    QTest::newRow("31/12/9999") << "31/12/9999" << true;
    QTest::newRow("00/01/2000 day 0") << "00/01/2000" << false;
    QTest::newRow("01/13/2000 month 13") << "01/13/2000" << false;
    QTest::newRow("40/01/2000 first char 4") << "40/01/2000" << false;
    QTest::newRow("31/04/2000 April has 30") << "31/04/2000" << false;
    QTest::newRow("01/01/0000 year 0") << "01/01/0000" << false;
    QTest::newRow("empty mask") << "  /  /    " << false;
    QTest::newRow("dashes") << "01-01-2000" << false;
}

void TestDataBaseCornyx::isValidDateText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(TBDCornyx::IsValidDateText(text), valid);
}

void TestDataBaseCornyx::capitalizeName_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("das") << "MARIA DAS DORES" << "Maria das Dores";
    QTest::newRow("accented de") << "joão DE souza" << "João de Souza";
    QTest::newRow("first word kept") << "Da Silva" << "Da Silva";
    QTest::newRow("word starting with Das") << "Ana Dasilva" << "Ana dasilva";
    QTest::newRow("do and dos") << "pedro do carmo dos anjos" << "Pedro do Carmo dos Anjos";
    QTest::newRow("trailing de without blank") << "maria de" << "Maria De";
    QTest::newRow("accented capital") << "ÉRICA ÁVILA" << "Érica Ávila";
    QTest::newRow("empty") << "" << "";
}

void TestDataBaseCornyx::capitalizeName()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const QString result = TBDCornyx::CapitalizeName(input);
    QCOMPARE(result, expected);
    QCOMPARE(result.size(), input.size());
}

void TestDataBaseCornyx::showDatabaseError_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    const QString violation = QStringLiteral("violation of PRIMARY or UNIQUE KEY constraint \"INTEG_%1\" on table \"T\"");
    QTest::newRow("patient, record number") << 1 << violation.arg(3)
                                            << "ERRO! PRONTUÁRIO DUPLICADO!\n\nNão é Possível Cadastrar Prontuário Duplicado!";
    QTest::newRow("patient, CPF") << 1 << violation.arg(6)
                                  << "ERRO! CPF DUPLICADO!\n\nNão é Possível Cadastrar CPF Duplicado!";
    QTest::newRow("patient, other constraint") << 1 << violation.arg(9)
                                               << "ERRO Inesperado!\n" + violation.arg(9);
    QTest::newRow("patient, birth date") << 1 << "'x' is not a valid date" << "Data de Nascimento inválida!";
    QTest::newRow("doctor, CRM") << 2 << violation.arg(8) << "ERRO! CRM DUPLICADO!\n\nNão é Possível Cadastrar !";
    QTest::newRow("doctor, record number") << 2 << violation.arg(3) << "ERRO Inesperado!\n" + violation.arg(3);
    QTest::newRow("doctor, birth date kept") << 2 << "not a valid date" << "not a valid date";
    QTest::newRow("examination keeps text") << 3 << violation.arg(3) << violation.arg(3);
    QTest::newRow("cut to 150") << 3 << QString(200, u'x') << QString(150, u'x');
    QTest::newRow("unexpected cut to 150") << 2 << "violation of PRIMARY_x" + QString(200, u'y')
                                           << ("ERRO Inesperado!\nviolation of PRIMARY_x" + QString(200, u'y')).left(150);
}

void TestDataBaseCornyx::showDatabaseError()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    TBDCornyx(*m_db.module).ShowDatabaseError(kind, message);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("ERRO"));
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
    QCOMPARE(m_dialogs->last().text, shown);
}

void TestDataBaseCornyx::examinationFolder_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("tail");
    QTest::newRow("7") << 7 << "/Database/DBimages/0007";
    QTest::newRow("999") << 999 << "/Database/DBimages/0999";
    QTest::newRow("12345") << 12345 << "/Database/DBimages/12345";
}

void TestDataBaseCornyx::examinationFolder()
{
    QFETCH(int, id);
    QFETCH(QString, tail);
    QCOMPARE(TBDCornyx(*m_db.module).ExaminationFolder(id), m_db.appDir->path() + tail);
}

// Patients ---------------------------------------------------------------------------------

void TestDataBaseCornyx::fiveInvalidFieldsGiveOneNumberedDialog()
{
    const int before = scalar(QStringLiteral("select count(*) from PACIENTE"));
    TPaciente p = MakePatient(1, QStringLiteral("   "), QStringLiteral("52998224726"));
    p.Prontuario = QStringLiteral("  ");
    p.Orgao = QStringLiteral("SSPSPXX");
    p.Email = QStringLiteral("ana @x.com");
    QVERIFY(!TBDCornyx(*m_db.module).SavePatient(p));
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("ERRO"));
    QCOMPARE(m_dialogs->last().text, QStringLiteral("ERRO! DADO(S) INVÁLIDO(S)!\n\n"
                                                    "01 - Número de Prontuário Inválido!\n"
                                                    "02 - Nome de Paciente Inválido!\n"
                                                    "03 - Número de CPF Inválido!\n"
                                                    "04 - Orgão Expeditor deve ter no máximo 6 caracteres!\n"
                                                    "05 - Email Inválido!\n"));
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE")), before);
}

void TestDataBaseCornyx::emailRule_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("plain") << "ana@x.com" << true;
    QTest::newRow("blanks around are trimmed") << "  ana@x.com " << true;
    QTest::newRow("no at") << "ana.x.com" << false;
    QTest::newRow("no dot") << "ana@xcom" << false;
    QTest::newRow("inner blank") << "ana @x.com" << false;
}

void TestDataBaseCornyx::emailRule()
{
    QFETCH(QString, email);
    QFETCH(bool, valid);
    TPaciente p = MakePatient(nextProntuario(), QStringLiteral("Email Teste"));
    p.Email = email;
    QCOMPARE(TBDCornyx(*m_db.module).SavePatient(p), valid);
    if (!valid)
        QCOMPARE(m_dialogs->last().text,
                 QStringLiteral("ERRO! DADO(S) INVÁLIDO(S)!\n\n01 - Email Inválido!\n"));
}

void TestDataBaseCornyx::newPatientIsNormalisedAndActive()
{
    TPaciente p = MakePatient(nextProntuario(), QStringLiteral("  JOSÉ DA SILVA  "), QStringLiteral("52998224725"));
    p.Cidade = QStringLiteral("SÃO PAULO");
    QVERIFY(TBDCornyx(*m_db.module).SavePatient(p));
    QVERIFY(p.ID > 0);
    QCOMPARE(p.Nome, QStringLiteral("José da Silva"));
    QCOMPARE(p.Cidade, QStringLiteral("São Paulo"));
    QCOMPARE(p.Email, QStringLiteral("paciente@exemplo.com.br"));
    QSqlQuery &row = m_db.module->Execute(QStringLiteral("select * from PACIENTE where PAC_ID=:id"),
                                          {{QStringLiteral(":id"), p.ID}});
    QVERIFY(row.next());
    QCOMPARE(row.value(QStringLiteral("PAC_STATUS")).toInt(), 1);
    QCOMPARE(row.value(QStringLiteral("PAC_NOME")).toString(), QStringLiteral("José da Silva"));
    QCOMPARE(row.value(QStringLiteral("PAC_PRONTUARIO")).toInt(), p.Prontuario.toInt());
    QCOMPARE(row.value(QStringLiteral("PAC_NASCIMENTO")).toDate(), QDate(1980, 5, 10));
    QCOMPARE(row.value(QStringLiteral("PAC_OBSERVACOES")).toString(), QStringLiteral("Observação\nsegunda linha"));
    row.finish();
}

void TestDataBaseCornyx::updateChangesOnlyThatPatient()
{
    const int other = savePatient(nextProntuario(), QStringLiteral("Outro Paciente"));
    TPaciente p = MakePatient(nextProntuario(), QStringLiteral("Primeiro Nome"));
    TBDCornyx db(*m_db.module);
    QVERIFY(db.SavePatient(p));
    const int id = p.ID;
    p.Nome = QStringLiteral("nome trocado");
    QVERIFY(db.SavePatient(p));
    QCOMPARE(p.ID, id);
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1 and PAC_NOME='Nome Trocado'").arg(id)), 1);
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1 and PAC_NOME='Outro Paciente'").arg(other)), 1);
}

void TestDataBaseCornyx::invalidBirthDate_data()
{
    QTest::addColumn<QString>("birth");
    QTest::newRow("empty mask") << "  /  /    ";
    QTest::newRow("31/02/2000") << "31/02/2000";
}

void TestDataBaseCornyx::invalidBirthDate()
{
    QFETCH(QString, birth);
    const int before = scalar(QStringLiteral("select count(*) from PACIENTE"));
    TPaciente p = MakePatient(nextProntuario(), QStringLiteral("Data Errada"));
    p.Nascimento = birth;
    QVERIFY(!TBDCornyx(*m_db.module).SavePatient(p));
    QCOMPARE(m_dialogs->last().text, QStringLiteral("Data de Nascimento inválida!"));
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE")), before);
}

void TestDataBaseCornyx::duplicates_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("message");
    QTest::newRow("record number") << "prontuario" << "ERRO! PRONTUÁRIO DUPLICADO!\n\nNão é Possível Cadastrar Prontuário Duplicado!";
    QTest::newRow("CPF") << "cpf" << "ERRO! CPF DUPLICADO!\n\nNão é Possível Cadastrar CPF Duplicado!";
    QTest::newRow("empty CPF twice before the upgrade") << "emptycpf" << "ERRO! CPF DUPLICADO!\n\nNão é Possível Cadastrar CPF Duplicado!";
    QTest::newRow("CRM") << "crm" << "ERRO! CRM DUPLICADO!\n\nNão é Possível Cadastrar !";
}

void TestDataBaseCornyx::duplicates()
{
    QFETCH(QString, what);
    QFETCH(QString, message);
    TBDCornyx db(*m_db.module);
    if (what == QLatin1String("crm")) {
        QVERIFY(saveDoctor(QStringLiteral("Carlos Lima"), QStringLiteral("CRM-77")) > 0);
        TMedico d = MakeDoctor(QStringLiteral("Outro Carlos"), QStringLiteral("M"), QStringLiteral("CRM-77"));
        QVERIFY(!db.SaveDoctor(d));
        QCOMPARE(d.ID, -1);
    } else {
        const bool sameRecord = what == QLatin1String("prontuario");
        const QString cpf = what == QLatin1String("cpf") ? QStringLiteral("11144477735") : QString();
        const int prontuario = nextProntuario();
        if (what != QLatin1String("emptycpf") || scalar(QStringLiteral("select count(*) from PACIENTE where PAC_CPF=''")) == 0)
            QVERIFY(savePatient(prontuario, QStringLiteral("Primeiro"), sameRecord ? GenerateCPF() : cpf) > 0);
        m_dialogs->clear();
        TPaciente p = MakePatient(sameRecord ? prontuario : nextProntuario(), QStringLiteral("Segundo"),
                                  sameRecord ? QString() : cpf);
        QVERIFY(!db.SavePatient(p));
        QCOMPARE(p.ID, -1);
    }
    QCOMPARE(m_dialogs->last().text, message);
}

void TestDataBaseCornyx::textOutsideTheCharacterSetWritesNothing()
{
    const int before = scalar(QStringLiteral("select count(*) from PACIENTE"));
    TBDCornyx db(*m_db.module);
    TPaciente p = MakePatient(nextProntuario(), QStringLiteral("Ohm Ω"));
    QVERIFY(!db.SavePatient(p));
    QVERIFY(m_dialogs->last().text.contains(QStringLiteral("Nome: Ω")));
    QVERIFY(m_dialogs->last().text.contains(QStringLiteral("Nada foi gravado")));
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE")), before);

    // An update is refused the same way and the stored row stays as it was.
    p.Nome = QStringLiteral("Euro € Aceito");
    QVERIFY(db.SavePatient(p));
    p.Observacoes = QStringLiteral("emoji 🙂");
    p.Nome = QStringLiteral("Nome Novo");
    QVERIFY(!db.SavePatient(p));
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1 and PAC_NOME='Euro € Aceito'").arg(p.ID)), 1);

    const int doctors = scalar(QStringLiteral("select count(*) from MEDICO"));
    TMedico d = MakeDoctor(QStringLiteral("Ωmega"), QStringLiteral("M"), QStringLiteral("CRM-Ω"));
    QVERIFY(!db.SaveDoctor(d));
    QVERIFY(m_dialogs->last().text.contains(QStringLiteral("CRM: Ω")));
    QCOMPARE(scalar(QStringLiteral("select count(*) from MEDICO")), doctors);
}

void TestDataBaseCornyx::deactivateAndReactivate()
{
    TBDCornyx db(*m_db.module);
    QVERIFY(!db.DeactivatePatient(987654));
    QCOMPARE(m_dialogs->last().text, QStringLiteral("ID não Encontrado!"));
    const int id = savePatient(nextProntuario(), QStringLiteral("Inativo Depois"));
    const QString status = QStringLiteral("select PAC_STATUS from PACIENTE where PAC_ID=%1").arg(id);
    QVERIFY(db.DeactivatePatient(id));
    QCOMPARE(scalar(status), 0);
    QVERIFY(db.DeactivatePatient(id)); // already inactive: still true
    QCOMPARE(scalar(status), 0);
    QVERIFY(db.ReactivatePatient(id));
    QCOMPARE(scalar(status), 1);
    db.SetPatientStatus(id, 0);
    QCOMPARE(scalar(status), 0);
}

void TestDataBaseCornyx::deactivationSurvivesRestart()
{
    const int id = savePatient(nextProntuario(), QStringLiteral("Reinicio Programa"));
    QVERIFY(TBDCornyx(*m_db.module).DeactivatePatient(id));
    m_db.module.reset(); // closing the program commits
    m_db = Connect(m_database, Engine::Server);
    QCOMPARE(scalar(QStringLiteral("select PAC_STATUS from PACIENTE where PAC_ID=%1").arg(id)), 0);
}

void TestDataBaseCornyx::textLongerThanItsColumnWritesNothing_data()
{
    QTest::addColumn<bool>("doctor");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: stored
    QTest::newRow("patient name of 50") << false << "Nome" << QString(50, u'a') << QString();
    QTest::newRow("patient name of 51") << false << "Nome" << QString(51, u'a')
                                        << "O campo Nome tem mais de 50 caracteres.";
    QTest::newRow("patient phone of 31") << false << "Fone1" << QString(31, u'9')
                                         << "O campo Telefone 1 tem mais de 30 caracteres.";
    QTest::newRow("patient sex of 2") << false << "Sexo" << "FF" << "O campo Sexo tem mais de 1 caractere.";
    QTest::newRow("patient notes are not limited") << false << "Observacoes" << QString(5000, u'o') << QString();
    QTest::newRow("doctor name of 46 + title") << true << "Nome" << QString(46, u'a') << QString();
    QTest::newRow("doctor name of 47 + title") << true << "Nome" << QString(47, u'a')
                                               << "O campo Nome tem mais de 50 caracteres.";
    QTest::newRow("doctor district of 31") << true << "Bairro" << QString(31, u'b')
                                           << "O campo Bairro tem mais de 30 caracteres.";
}

void TestDataBaseCornyx::textLongerThanItsColumnWritesNothing()
{
    QFETCH(bool, doctor);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    TBDCornyx db(*m_db.module);
    const QString table = doctor ? QStringLiteral("MEDICO") : QStringLiteral("PACIENTE");
    const int before = scalar(QStringLiteral("select count(*) from %1").arg(table));
    bool saved = false;
    if (doctor) {
        TMedico d = MakeDoctor(QStringLiteral("Longo"), QStringLiteral("M"), QStringLiteral("L%1").arg(before));
        if (field == QLatin1String("Nome"))
            d.Nome = text;
        else
            d.Bairro = text;
        saved = db.SaveDoctor(d);
        QCOMPARE(d.ID == -1, !saved);
    } else {
        TPaciente p = MakePatient(nextProntuario(), QStringLiteral("Longo"));
        if (field == QLatin1String("Nome"))
            p.Nome = text;
        else if (field == QLatin1String("Fone1"))
            p.Fone1 = text;
        else if (field == QLatin1String("Sexo"))
            p.Sexo = text;
        else
            p.Observacoes = text;
        saved = db.SavePatient(p);
        QCOMPARE(p.ID == -1, !saved);
    }
    QCOMPARE(saved, message.isEmpty());
    if (!saved) {
        QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
        QVERIFY2(m_dialogs->last().text.contains(message), qPrintable(m_dialogs->last().text));
        QVERIFY(m_dialogs->last().text.contains(QStringLiteral("Nada foi gravado")));
    }
    QCOMPARE(scalar(QStringLiteral("select count(*) from %1").arg(table)), before + (saved ? 1 : 0));
}

// The state and the birthplace's state are both "UF" in the message, on one line.
void TestDataBaseCornyx::bothUFsShareOneLine()
{
    TBDCornyx db(*m_db.module);
    TPaciente p = MakePatient(nextProntuario(), QStringLiteral("Dois Estados"));
    p.UF = QStringLiteral("Ω");
    p.NatUF = QStringLiteral("Я");
    QVERIFY(!db.SavePatient(p));
    QVERIFY2(m_dialogs->last().text.contains(QStringLiteral(" - UF: ΩЯ\n")), qPrintable(m_dialogs->last().text));
    QCOMPARE(m_dialogs->last().text.count(QStringLiteral("UF")), 1);
}

// Doctors -----------------------------------------------------------------------------------

void TestDataBaseCornyx::doctorTitles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("stored");
    QTest::newRow("maria souza F") << "maria souza" << "f" << "Dra. Maria Souza";
    QTest::newRow("Alexandra Lima M: DRA inside the name") << "Alexandra Lima" << "M" << "Alexandra Lima";
    QTest::newRow("titled already") << "DR. PAULO" << "" << "Dr. Paulo";
    QTest::newRow("Joao without sex") << "Joao" << "" << "";
}

void TestDataBaseCornyx::doctorTitles()
{
    QFETCH(QString, name);
    QFETCH(QString, sex);
    QFETCH(QString, stored);
    static int crm = 0;
    TMedico d = MakeDoctor(name, sex, QStringLiteral("T-%1").arg(++crm));
    const bool saved = TBDCornyx(*m_db.module).SaveDoctor(d);
    QCOMPARE(saved, !stored.isEmpty());
    if (!saved) {
        QCOMPARE(m_dialogs->last().text, QStringLiteral("Nome de Médico Inválido\nDigite o título ou selecione o sexo!"));
        return;
    }
    QCOMPARE(d.Nome, stored);
    QCOMPARE(scalar(QStringLiteral("select count(*) from MEDICO where MED_ID=%1 and MED_NOME='%2' and MED_STATUS=1")
                        .arg(d.ID)
                        .arg(stored)),
             1);
}

void TestDataBaseCornyx::listDoctors()
{
    TBDCornyx db(*m_db.module);
    saveDoctor(QStringLiteral("Zeca Pereira Lista"), QStringLiteral("L-1"));
    saveDoctor(QStringLiteral("Abel Pereira Lista"), QStringLiteral("L-2"));
    QCOMPARE(db.ListDoctors(QStringLiteral("lista pereira"), 1, QString()), 2);
    QCOMPARE(m_db.module->IBQMedList().FieldByName(QStringLiteral("MED_NOME")).toString(),
             QStringLiteral("Dr. Abel Pereira Lista"));
    QCOMPARE(db.ListDoctors(QStringLiteral("lista"), 1, QStringLiteral("MED_CRM desc")), 2);
    QCOMPARE(m_db.module->IBQMedList().FieldByName(QStringLiteral("MED_CRM")).toString(), QStringLiteral("L-2"));
    QCOMPARE(db.ListDoctors(QStringLiteral("lista"), 0, QString()), 0);
    QVERIFY(db.ListDoctors(QString(), 1, QStringLiteral("MED_CRM")) >= 2);
}

void TestDataBaseCornyx::deactivateDoctor()
{
    TBDCornyx db(*m_db.module);
    QVERIFY(!db.DeactivateDoctor(987654));
    QCOMPARE(m_dialogs->last().text, QStringLiteral("ID do Médico não Encontrado!"));
    const int id = saveDoctor(QStringLiteral("Sai Logo"), QStringLiteral("D-1"));
    QVERIFY(db.DeactivateDoctor(id));
    QCOMPARE(scalar(QStringLiteral("select MED_STATUS from MEDICO where MED_ID=%1").arg(id)), 0);
}

// Patient lists --------------------------------------------------------------------------------

void TestDataBaseCornyx::listPatientsOrderings()
{
    const int first = savePatient(nextProntuario(), QStringLiteral("Ordem Zulu"));
    const int second = savePatient(nextProntuario(), QStringLiteral("Ordem Alfa"));
    TBDCornyx db(*m_db.module);
    TSqlDataset &list = m_db.module->IBQPacList();
    auto ids = [&] {
        QList<int> result;
        for (int row = 0; row < list.rowCount(); ++row)
            result << list.record(row).value(QStringLiteral("PAC_ID")).toInt();
        return result;
    };
    QCOMPARE(db.ListPatients(QStringLiteral("ordem"), 1, 0, {}, -1, {}, {}, {}, QString(), 1), 2);
    QCOMPARE(ids(), (QList<int>{second, first})); // by name
    db.ListPatients(QStringLiteral("ordem"), 1, 0, {}, -1, {}, {}, {}, QStringLiteral("-PAC_ID"), 1);
    QCOMPARE(db.SortOrder(), QStringLiteral("ASC"));
    QCOMPARE(ids(), (QList<int>{first, second}));
    db.ListPatients(QStringLiteral("ordem"), 1, 0, {}, -1, {}, {}, {}, QStringLiteral("PAC_ID"), 1);
    QCOMPARE(db.SortOrder(), QStringLiteral("DESC"));
    QCOMPARE(ids(), (QList<int>{second, first}));
    db.ListPatients(QStringLiteral("ordem"), 1, 0, {}, -1, {}, {}, {}, QStringLiteral("PAC_ID"), 2);
    QCOMPARE(ids(), (QList<int>{first, second}));
    QCOMPARE(list.RecNo(), 2);
    db.ListPatients(QStringLiteral("ordem"), 1, 0, {}, -1, {}, {}, {}, QStringLiteral("+PAC_NOME"), 0);
    QCOMPARE(ids(), (QList<int>{first, second}));
    QCOMPARE(list.RecNo(), 1);
}

void TestDataBaseCornyx::listPatientsStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("rows");
    QTest::newRow("1 active") << 1 << 1;
    QTest::newRow("0 inactive") << 0 << 1;
    QTest::newRow("2 both") << 2 << 2;
    QTest::newRow("3 none") << 3 << 0;
}

void TestDataBaseCornyx::listPatientsStatus()
{
    QFETCH(int, status);
    QFETCH(int, rows);
    static bool made = false;
    if (!made) {
        savePatient(nextProntuario(), QStringLiteral("Estado Ativo"));
        const int inactive = savePatient(nextProntuario(), QStringLiteral("Estado Inativo"));
        TBDCornyx(*m_db.module).DeactivatePatient(inactive);
        made = true;
    }
    QCOMPARE(TBDCornyx(*m_db.module).ListPatients(QStringLiteral("estado"), status, 0, {}, -1, {}, {}, {}, {}, 1),
             rows);
}

void TestDataBaseCornyx::listPatientsNameWords()
{
    const int id = savePatient(nextProntuario(), QStringLiteral("Maria da Silva Palavra"));
    savePatient(nextProntuario(), QStringLiteral("Maria Souza Palavra"));
    TBDCornyx db(*m_db.module);
    QCOMPARE(db.ListPatients(QStringLiteral("silva maria"), 1, 0, {}, -1, {}, {}, {}, {}, 1), 1);
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_ID")).toInt(), id);
    QCOMPARE(db.ListPatients(QStringLiteral("PALAVRA  maria"), 1, 0, {}, -1, {}, {}, {}, {}, 1), 2);
    QCOMPARE(db.ListPatients(QStringLiteral("palavra xyz"), 1, 0, {}, -1, {}, {}, {}, {}, 1), 0);
    QCOMPARE(db.ListPatients(QStringLiteral("palavra"), 1, 0, {}, -1, QStringLiteral("M"), {}, {}, {}, 1), 0);
}

void TestDataBaseCornyx::listPatientsRecordNumberOverCPF()
{
    const int prontuario = nextProntuario();
    const int id = savePatient(prontuario, QStringLiteral("Numero Registro"), QStringLiteral("39053344705"));
    TBDCornyx db(*m_db.module);
    QCOMPARE(db.ListPatients({}, 1, prontuario, QStringLiteral("99999"), -1, {}, {}, {}, {}, 1), 1);
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_ID")).toInt(), id);
    QCOMPARE(db.ListPatients({}, 1, 0, QStringLiteral("0533447"), -1, {}, {}, {}, {}, 1), 1);
    QCOMPARE(db.ListPatients({}, 1, 0, QStringLiteral("99999"), -1, {}, {}, {}, {}, 1), 0);
}

void TestDataBaseCornyx::listPatientsDoctorAndDate()
{
    const int withExam = savePatient(nextProntuario(), QStringLiteral("Com Exame Filtro"));
    savePatient(nextProntuario(), QStringLiteral("Sem Exame Filtro"));
    const int doctor = saveDoctor(QStringLiteral("Filtro Medico"), QStringLiteral("F-1"));
    TBFrameBuffer frames;
    FillFrames(frames);
    TExame exam = MakeExam(doctor, withExam);
    TBDCornyx db(*m_db.module);
    QVERIFY(db.SaveExamination(exam, frames));
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(db.ListPatients(QStringLiteral("filtro"), 1, 0, {}, -1, {}, {}, {}, {}, 1), 2);
    QCOMPARE(db.ListPatients(QStringLiteral("filtro"), 1, 0, {}, 0, {}, {}, {}, {}, 1), 1);
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_ID")).toInt(), withExam);
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_TOTALEXAME")).toInt(), 1);
    QCOMPARE(db.ListPatients(QStringLiteral("filtro"), 1, 0, {}, doctor, {}, {}, {}, {}, 1), 1);
    QCOMPARE(db.ListPatients(QStringLiteral("filtro"), 1, 0, {}, doctor + 1000, {}, {}, {}, {}, 1), 0);
    QCOMPARE(db.ListPatients(QStringLiteral("filtro"), 1, 0, {}, -1, {}, today, today, {}, 1), 1);
    QCOMPARE(db.ListPatients(QStringLiteral("filtro"), 1, 0, {}, -1, {}, QStringLiteral("01/01/2000"),
                             QStringLiteral("31/12/2000"), {}, 1),
             0);
    // A date filter with one invalid end is off.
    QCOMPARE(db.ListPatients(QStringLiteral("filtro"), 1, 0, {}, -1, {}, QStringLiteral("01/01/2000"),
                             QStringLiteral("  /  /    "), {}, 1),
             2);
}

void TestDataBaseCornyx::listPatientsStatementLines()
{
    TBDCornyx db(*m_db.module);
    db.ListPatients(QStringLiteral("ana  maria"), 1, 0, QStringLiteral("123"), 5, QStringLiteral("F"), {}, {},
                    QStringLiteral("PAC_CPF"), 1);
    const QStringList lines = db.LastPatientSQL().split(QLatin1Char('\n'));
    QCOMPARE(db.Conjunction(), QStringLiteral("and"));
    QCOMPARE(lines.value(1), QStringLiteral("current_date as PAC_EXMDATA,"));
    QCOMPARE(lines.value(3), QStringLiteral("where PAC_Status=:status "));
    QCOMPARE(lines.value(4), QStringLiteral("and Pac_CPF like :ParamCPF "));
    QCOMPARE(lines.value(5), QStringLiteral("and Exm_Medico=:ParamDoctor "));
    QCOMPARE(lines.value(6), QStringLiteral("and Pac_Sexo=:ParamSexo "));
    QCOMPARE(lines.value(7), QStringLiteral("and upper(PAC_NOME) like upper(:p1) "));
    QCOMPARE(lines.value(8), QStringLiteral("and upper(PAC_NOME) like upper(:p2) "));
    QCOMPARE(lines.value(9), QStringLiteral("and upper(PAC_NOME) like upper(:p3) "));
    QVERIFY(lines.value(10).startsWith(QStringLiteral("group by PAC_ID,")));
    QCOMPARE(lines.value(11), QStringLiteral("order by PAC_CPF DESC ,PAC_NOME ASC"));
    QCOMPARE(lines.size(), 12);
}

// Examinations --------------------------------------------------------------------------------

void TestDataBaseCornyx::examinationSevenStoredUnder0007()
{
    const int patient = savePatient(nextProntuario(), QStringLiteral("Exame Sete"));
    const int doctor = saveDoctor(QStringLiteral("Exame Sete"), QStringLiteral("E-7"));
    TBFrameBuffer frames;
    FillFrames(frames);
    TBDCornyx db(*m_db.module);
    TExame exam = MakeExam(doctor, patient);
    while (exam.ID < 7) {
        exam = MakeExam(doctor, patient);
        QVERIFY(db.SaveExamination(exam, frames));
    }
    QCOMPARE(exam.ID, 7);
    QCOMPARE(m_dialogs->last().text, QStringLiteral("Exame Salvo com Sucesso!"));
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Information);
    QCOMPARE(exam.DateText, QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    QCOMPARE(exam.TimeText.size(), 8);

    const QString folder = m_db.appDir->path() + QStringLiteral("/Database/DBimages/0007");
    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{QStringLiteral("Crop.bmp"), QStringLiteral("Original.bmp"), QStringLiteral("Process.bmp")}));
    const QImage original(folder + QStringLiteral("/Original.bmp"));
    QCOMPARE(original.size(), QSize(640, 480));
    QCOMPARE(original.pixelColor(0, 0), QColor(100, 90, 160)); // the report frame, not frame 0
    QCOMPARE(QImage(folder + QStringLiteral("/Crop.bmp")).size(), QSize(200, 150));
    for (const char *name : {"Original.bmp", "Crop.bmp", "Process.bmp"}) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(30);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(int(header[28]), 24); // bits per pixel
    }
    QSqlQuery &row = m_db.module->Execute(QStringLiteral("select * from EXAME where EXM_ID=7"));
    QVERIFY(row.next());
    QCOMPARE(row.value(QStringLiteral("EXM_IMG_CROP_ORIG")).toString(), folder + QStringLiteral("/Crop.bmp"));
    QCOMPARE(row.value(QStringLiteral("EXM_IMG_CROP_PROC")).toString(), folder + QStringLiteral("/Process.bmp"));
    row.finish();
}

void TestDataBaseCornyx::examinationUpdateKeepsDoctorPatientEye()
{
    const int patient = savePatient(nextProntuario(), QStringLiteral("Exame Atualizado"));
    const int doctor = saveDoctor(QStringLiteral("Exame Atualizado"), QStringLiteral("E-U"));
    const int otherPatient = savePatient(nextProntuario(), QStringLiteral("Outro Atualizado"));
    TBFrameBuffer frames;
    FillFrames(frames);
    TBDCornyx db(*m_db.module);
    TExame exam = MakeExam(doctor, patient);
    QVERIFY(db.SaveExamination(exam, frames));
    const int id = exam.ID;
    exam.PatientID = otherPatient;
    exam.Eye = 0;
    exam.Firmware = QStringLiteral("outro");
    exam.Diagnosis = QStringLiteral("Revisto");
    exam.Density = 1999;
    QVERIFY(db.SaveExamination(exam, frames));
    QCOMPARE(exam.ID, id);
    QSqlQuery &row = m_db.module->Execute(QStringLiteral("select * from EXAME where EXM_ID=%1").arg(id));
    QVERIFY(row.next());
    QCOMPARE(row.value(QStringLiteral("EXM_PACIENTE")).toInt(), patient);
    QCOMPARE(row.value(QStringLiteral("EXM_MEDICO")).toInt(), doctor);
    QCOMPARE(row.value(QStringLiteral("EXM_OLHO")).toInt(), 1);
    QCOMPARE(row.value(QStringLiteral("EXM_FIRMWARE")).toString(), QStringLiteral("FW 1.2"));
    QCOMPARE(row.value(QStringLiteral("EXM_DIAGNOSTICO")).toString(), QStringLiteral("Revisto"));
    QCOMPARE(row.value(QStringLiteral("EXM_DENSIDADE")).toInt(), 1999);
    row.finish();
}

void TestDataBaseCornyx::examinationNeedsDoctorAndPatient_data()
{
    QTest::addColumn<int>("doctor");
    QTest::addColumn<int>("patient");
    QTest::addColumn<QString>("message");
    QTest::newRow("no doctor") << 0 << 0 << "Selecione um Médico Responsável!";
    QTest::newRow("no patient") << 1 << 0 << "Selecione um paciente!";
}

void TestDataBaseCornyx::examinationNeedsDoctorAndPatient()
{
    QFETCH(int, doctor);
    QFETCH(int, patient);
    QFETCH(QString, message);
    TBFrameBuffer frames;
    FillFrames(frames);
    TExame exam = MakeExam(doctor, patient);
    QVERIFY(!TBDCornyx(*m_db.module).SaveExamination(exam, frames));
    QCOMPARE(m_dialogs->last().text, message);
}

void TestDataBaseCornyx::imageWriteFailureLeavesNoRow_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("image folder cannot be made") << "folder";
    QTest::newRow("crop never made") << "crop";
    QTest::newRow("update of an existing examination") << "update";
}

void TestDataBaseCornyx::imageWriteFailureLeavesNoRow()
{
    QFETCH(QString, failure);
    const int patient = savePatient(nextProntuario(), QStringLiteral("Falha Imagem"));
    const int doctor = saveDoctor(QStringLiteral("Falha Imagem"), QStringLiteral("FI-%1").arg(patient));
    TBDCornyx db(*m_db.module);
    TBFrameBuffer frames;
    FillFrames(frames, failure != QLatin1String("crop"));
    TExame exam = MakeExam(doctor, patient);
    if (failure == QLatin1String("update")) {
        QVERIFY(db.SaveExamination(exam, frames));
        exam.Diagnosis = QStringLiteral("não deve ficar");
    }
    const TExame before = exam;
    const int rows = scalar(QStringLiteral("select count(*) from EXAME"));
    const QString images = m_db.appDir->path() + QStringLiteral("/Database/DBimages");
    QDir().mkpath(images);
    const QStringList filesBefore = QDir(images).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    // A plain file where the image folders go makes every folder creation fail.
    const QString blocker = m_db.appDir->path() + QStringLiteral("/Database/DBimages.moved");
    if (failure != QLatin1String("crop")) {
        QVERIFY(QDir().rename(images, blocker));
        QFile file(images);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    m_dialogs->clear();
    QVERIFY(!db.SaveExamination(exam, frames));
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
    QCOMPARE(exam.ID, before.ID);
    QCOMPARE(exam.DateText, before.DateText);
    QCOMPARE(scalar(QStringLiteral("select count(*) from EXAME")), rows);
    if (failure == QLatin1String("update"))
        QCOMPARE(scalar(QStringLiteral("select count(*) from EXAME where EXM_ID=%1 and EXM_DIAGNOSTICO='Córnea transparente'")
                            .arg(exam.ID)),
                 1);
    if (failure != QLatin1String("crop")) {
        QVERIFY(QFile::remove(images));
        QVERIFY(QDir().rename(blocker, images));
    }
    QCOMPARE(QDir(images).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
    // The connection is still usable: the same examination saves once the files can be written.
    if (failure != QLatin1String("crop"))
        QVERIFY(db.SaveExamination(exam, frames));
}

void TestDataBaseCornyx::examinationTextOutsideTheCharacterSet()
{
    const int patient = savePatient(nextProntuario(), QStringLiteral("Exame Ohm"));
    const int doctor = saveDoctor(QStringLiteral("Exame Ohm"), QStringLiteral("E-O"));
    TBFrameBuffer frames;
    FillFrames(frames);
    TExame exam = MakeExam(doctor, patient);
    exam.Diagnosis = QStringLiteral("resistência de 5 Ω");
    const int rows = scalar(QStringLiteral("select count(*) from EXAME"));
    QVERIFY(!TBDCornyx(*m_db.module).SaveExamination(exam, frames));
    QVERIFY(m_dialogs->last().text.contains(QStringLiteral("Diagnóstico: Ω")));
    QCOMPARE(exam.ID, -1);
    QCOMPARE(scalar(QStringLiteral("select count(*) from EXAME")), rows);
}

void TestDataBaseCornyx::examinationTextLongerThanItsColumn_data()
{
    QTest::addColumn<QString>("diagnosis");
    QTest::addColumn<QString>("fixSide");
    QTest::addColumn<QString>("message");
    QTest::newRow("diagnosis of 256") << QString(256, u'd') << "N"
                                      << "O campo Diagnóstico tem mais de 255 caracteres.";
    QTest::newRow("two fixation sides") << "ok" << "NT" << "O campo Fixação tem mais de 1 caractere.";
    QTest::newRow("diagnosis of 255 is stored") << QString(255, u'd') << "T" << QString();
}

void TestDataBaseCornyx::examinationTextLongerThanItsColumn()
{
    QFETCH(QString, diagnosis);
    QFETCH(QString, fixSide);
    QFETCH(QString, message);
    const int patient = savePatient(nextProntuario(), QStringLiteral("Exame Longo"));
    const int doctor = saveDoctor(QStringLiteral("Exame Longo"), QStringLiteral("E-L%1").arg(patient));
    TBFrameBuffer frames;
    FillFrames(frames);
    TExame exam = MakeExam(doctor, patient);
    exam.Diagnosis = diagnosis;
    exam.FixSide = fixSide;
    const int rows = scalar(QStringLiteral("select count(*) from EXAME"));
    const bool saved = TBDCornyx(*m_db.module).SaveExamination(exam, frames);
    QCOMPARE(saved, message.isEmpty());
    if (!saved) {
        QVERIFY2(m_dialogs->last().text.contains(message), qPrintable(m_dialogs->last().text));
        QVERIFY(m_dialogs->last().text.contains(QStringLiteral("Nada foi gravado")));
        QCOMPARE(exam.ID, -1);
    }
    QCOMPARE(scalar(QStringLiteral("select count(*) from EXAME")), rows + (saved ? 1 : 0));
}

void TestDataBaseCornyx::listExaminations()
{
    const int patient = savePatient(nextProntuario(), QStringLiteral("Lista Exames"));
    const int doctorA = saveDoctor(QStringLiteral("Lista A"), QStringLiteral("LE-A"));
    const int doctorB = saveDoctor(QStringLiteral("Lista B"), QStringLiteral("LE-B"));
    TBFrameBuffer frames;
    FillFrames(frames);
    TBDCornyx db(*m_db.module);
    QList<int> ids;
    for (int doctor : {doctorA, doctorB, doctorA}) {
        TExame exam = MakeExam(doctor, patient);
        exam.Eye = ids.size() % 2;
        QVERIFY(db.SaveExamination(exam, frames));
        ids << exam.ID;
    }
    TSqlDataset &list = m_db.module->IBQExmList();
    QCOMPARE(db.ListExaminations(patient, 0, {}, {}, {}), 3);
    QCOMPARE(list.FieldByName(QStringLiteral("EXM_MED_NOME")).toString().isEmpty(), false);
    QCOMPARE(list.FieldByName(QStringLiteral("EXM_IDADE")).toInt(), QDate::currentDate().year() - 1980 -
                                                                            (QDate::currentDate() < QDate(QDate::currentDate().year(), 5, 10) ? 1 : 0));
    QCOMPARE(db.ListExaminations(patient, doctorA, {}, {}, {}), 2);
    QCOMPARE(db.ListExaminations(patient, doctorB, {}, {}, {}), 1);
    QCOMPARE(list.FieldByName(QStringLiteral("EXM_OLHO")).toString(), QStringLiteral("OS"));
    QCOMPARE(db.ListExaminations(patient, 0, QStringLiteral("01/01/2000"), QStringLiteral("31/12/2000"), {}), 0);
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(db.ListExaminations(patient, 0, today, today, {}), 3);
    QCOMPARE(db.ListExaminations(patient, 0, {}, {}, QStringLiteral("EXM_ID")), 3);
    QCOMPARE(db.SortOrder(), QStringLiteral("DESC"));
    QCOMPARE(list.FieldByName(QStringLiteral("EXM_ID")).toInt(), ids.last());
    QCOMPARE(db.ListExaminations(patient, 0, {}, {}, QStringLiteral("EXM_ID")), 3);
    QCOMPARE(list.FieldByName(QStringLiteral("EXM_ID")).toInt(), ids.first());
    QCOMPARE(list.FieldByName(QStringLiteral("EXM_OLHO")).toString(), QStringLiteral("OD"));
}

// Failures of the database ------------------------------------------------------------------

void TestDataBaseCornyx::closedDatabase_data()
{
    QTest::addColumn<QString>("operation");
    for (const char *operation : {"SavePatient", "DeactivatePatient", "ReactivatePatient", "SetPatientStatus",
                                  "ListPatients", "SaveDoctor", "ListDoctors", "DeactivateDoctor", "SaveExamination",
                                  "ListExaminations", "GetDatabaseVersion"})
        QTest::newRow(operation) << QString::fromLatin1(operation);
}

// Each operation on a data module whose connection is closed returns its failure
// value and shows one error; nothing is thrown.
void TestDataBaseCornyx::closedDatabase()
{
    QFETCH(QString, operation);
    ConnectedModule closed = Connect(m_database, Engine::Server);
    closed.module->Disconnect();
    TBDCornyx db(*closed.module);
    TBFrameBuffer frames;
    FillFrames(frames);
    TPaciente patient = MakePatient(nextProntuario(), QStringLiteral("Sem Banco"));
    TMedico doctor = MakeDoctor(QStringLiteral("Sem Banco"), QStringLiteral("F"), QStringLiteral("SB-1"));
    TExame exam = MakeExam(1, 1);
    m_dialogs->clear();
    bool failed = false;
    try {
        if (operation == QLatin1String("SavePatient"))
            failed = !db.SavePatient(patient) && patient.ID == -1;
        else if (operation == QLatin1String("DeactivatePatient"))
            failed = !db.DeactivatePatient(1);
        else if (operation == QLatin1String("ReactivatePatient"))
            failed = !db.ReactivatePatient(1);
        else if (operation == QLatin1String("SetPatientStatus"))
            failed = !db.SetPatientStatus(1, 0);
        else if (operation == QLatin1String("ListPatients"))
            failed = db.ListPatients(QStringLiteral("ana"), 1, 0, {}, -1, {}, {}, {}, QString(), 1) == -1;
        else if (operation == QLatin1String("SaveDoctor"))
            failed = !db.SaveDoctor(doctor) && doctor.ID == -1;
        else if (operation == QLatin1String("ListDoctors"))
            failed = db.ListDoctors(QStringLiteral("ana"), 1, QString()) == -1;
        else if (operation == QLatin1String("DeactivateDoctor"))
            failed = !db.DeactivateDoctor(1);
        else if (operation == QLatin1String("SaveExamination"))
            failed = !db.SaveExamination(exam, frames) && exam.ID == -1;
        else if (operation == QLatin1String("ListExaminations"))
            failed = db.ListExaminations(1, 0, {}, {}, {}) == -1;
        else if (operation == QLatin1String("GetDatabaseVersion"))
            failed = db.GetDatabaseVersion().isEmpty();
    } catch (...) {
        QFAIL("an exception left the operation");
    }
    QVERIFY(failed);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
}

// The upgrade never reports: on a closed connection it neither throws nor shows anything.
void TestDataBaseCornyx::closedDatabaseUpgradeIsSilent()
{
    ConnectedModule closed = Connect(m_database, Engine::Server);
    closed.module->Disconnect();
    TBDCornyx db(*closed.module);
    m_dialogs->clear();
    try {
        db.UpgradeSchema();
    } catch (...) {
        QFAIL("an exception left the upgrade");
    }
    QVERIFY(m_dialogs->shown().isEmpty());
}

// Upgrade ------------------------------------------------------------------------------------------

void TestDataBaseCornyx::upgradeSkippedForOtherVersions()
{
    TBDCornyx db(*m_db.module);
    QCOMPARE(db.GetDatabaseVersion(), QStringLiteral("1.0.0.0"));
    for (const char *version : {"1.0.0.0 ", "1.0.0.1"}) {
        m_db.module->Execute(QStringLiteral("update DB_INFO set DB_VERSION=:v"),
                             {{QStringLiteral(":v"), QString::fromLatin1(version)}});
        db.UpgradeSchema();
        QCOMPARE(scalar(QStringLiteral("select count(*) from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME='INTEG_6'")), 1);
    }
    m_db.module->Execute(QStringLiteral("update DB_INFO set DB_VERSION='1.0.0.0'"));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestDataBaseCornyx::upgradeAllowsPatientsWithoutCPF()
{
    const int pending = savePatient(nextProntuario(), QStringLiteral("Antes Upgrade"));
    TBDCornyx db(*m_db.module);
    db.UpgradeSchema();
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(scalar(QStringLiteral("select count(*) from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME='INTEG_6'")), 0);
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1").arg(pending)), 1);
    QCOMPARE(scalar(QStringLiteral("select coalesce(RDB$NULL_FLAG, 0) from RDB$RELATION_FIELDS "
                                   "where RDB$FIELD_NAME='PAC_CPF' and RDB$RELATION_NAME='PACIENTE'")),
             0);

    // Two patients without CPF, and two with the same CPF, each keep their own ID.
    TPaciente a = MakePatient(nextProntuario(), QStringLiteral("Sem Cpf Um"));
    TPaciente b = MakePatient(nextProntuario(), QStringLiteral("Sem Cpf Dois"));
    TPaciente c = MakePatient(nextProntuario(), QStringLiteral("Mesmo Cpf"), QStringLiteral("52998224725"));
    for (TPaciente *p : {&a, &b, &c})
        QVERIFY(db.SavePatient(*p));
    QVERIFY(a.ID != b.ID);
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1 and PAC_NOME='Sem Cpf Um'").arg(a.ID)), 1);
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1 and PAC_NOME='Sem Cpf Dois'").arg(b.ID)), 1);
    a.Nome = QStringLiteral("Sem Cpf Um Editado");
    QVERIFY(db.SavePatient(a));
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1 and PAC_NOME='Sem Cpf Dois'").arg(b.ID)), 1);
    QCOMPARE(scalar(QStringLiteral("select count(*) from PACIENTE where PAC_ID=%1 and PAC_NOME='Sem Cpf Um Editado'").arg(a.ID)), 1);
}

void TestDataBaseCornyx::upgradeTwiceIsSilent()
{
    TBDCornyx db(*m_db.module);
    db.UpgradeSchema();
    db.UpgradeSchema();
    QVERIFY(m_dialogs->shown().isEmpty());
    QVERIFY(savePatient(nextProntuario(), QStringLiteral("Depois Upgrade")) > 0);
    m_db.module->RefreshList(QStringLiteral("patient"));
    QVERIFY(m_db.module->IBQPacList().Active());
}

QTEST_MAIN(TestDataBaseCornyx)
#include "tst_databasecornyx.moc"
