// What the record windows decide without widgets: counters, lists, the patient list's
// arguments from the filter panels, the examination viewer's summary.
#include "UBManagerRules.h"

#include <QTest>

using namespace cornix::records;

class TestManagerRules : public QObject {
    Q_OBJECT
private slots:
    void patientCounter_data();
    void patientCounter();
    void doctorCounter_data();
    void doctorCounter();
    void memoLines_data();
    void memoLines();
    void recordNumberFilter_data();
    void recordNumberFilter();
    void listArguments_data();
    void listArguments();
    void lists();

    void examManagerPatientCounter_data();
    void examManagerPatientCounter();
    void examinationCounter_data();
    void examinationCounter();
    void viewerPatientCounter_data();
    void viewerPatientCounter();
    void patientNameCaption_data();
    void patientNameCaption();
    void viewerListArguments_data();
    void viewerListArguments();
    void summaryLines();
};

void TestManagerRules::patientCounter_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << "Nenhum Paciente";
    QTest::newRow("one keeps the plural") << 1 << "1 Pacientes";
    QTest::newRow("two") << 2 << "2 Pacientes";
    QTest::newRow("many") << 10000 << "10000 Pacientes";
}

void TestManagerRules::patientCounter()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(PatientCounterText(count), text);
}

void TestManagerRules::doctorCounter_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("none reads singular") << 0 << "0 Medico Listado";
    QTest::newRow("one") << 1 << "1 Medico Listado";
    QTest::newRow("two") << 2 << "2 Medicos Listados";
}

void TestManagerRules::doctorCounter()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(DoctorCounterText(count), text);
}

void TestManagerRules::memoLines_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("counter");
    QTest::newRow("empty") << "" << 0 << "0 Linha";
    QTest::newRow("one line") << "abc" << 1 << "1 Linha";
    QTest::newRow("a final break opens no line") << "abc\n" << 1 << "1 Linha";
    QTest::newRow("two lines") << "abc\ndef" << 2 << "2 Linhas";
    QTest::newRow("an empty line between counts") << "a\n\nb" << 3 << "3 Linhas";
    QTest::newRow("only a break") << "\n" << 1 << "1 Linha";
}

void TestManagerRules::memoLines()
{
    QFETCH(QString, memo);
    QFETCH(int, lines);
    QFETCH(QString, counter);
    QCOMPARE(MemoLineCount(memo), lines);
    QCOMPARE(LineCounterText(MemoLineCount(memo)), counter);
}

void TestManagerRules::recordNumberFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("number");
    QTest::newRow("digits") << "12" << 12;
    QTest::newRow("letters after digits") << "12a" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks around") << " 7 " << 7;
    QTest::newRow("largest 32-bit") << "2147483647" << 2147483647;
    QTest::newRow("beyond 32 bits") << "2147483648" << 0;
    QTest::newRow("negative") << "-5" << -5;
}

void TestManagerRules::recordNumberFilter()
{
    QFETCH(QString, typed);
    QFETCH(int, number);
    QCOMPARE(RecordNumberFilter(typed), number);
}

void TestManagerRules::listArguments_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("handBook");
    QTest::addColumn<QString>("boxes"); // Ativo Inativo M F as 0/1
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("prontuario");
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<QString>("sex");

    const QString on = QStringLiteral("Pacientes [Filtro=ON]");
    const QString off = QStringLiteral("Pacientes [Filtro=OFF]");
    QTest::newRow("filter off drops everything") << off << "CPF" << "123" << "0100" << "" << 1 << 0 << "" << "";
    QTest::newRow("active only") << on << "Prontuário" << "" << "1011" << "ana" << 1 << 0 << "" << "";
    QTest::newRow("inactive only") << on << "Prontuário" << "" << "0111" << "ana" << 0 << 0 << "" << "";
    QTest::newRow("both statuses") << on << "Prontuário" << "" << "1111" << "ana" << 2 << 0 << "" << "";
    QTest::newRow("no status: empty list") << on << "Prontuário" << "" << "0011" << "ana" << 3 << 0 << "" << "";
    QTest::newRow("only F") << on << "Prontuário" << "" << "1001" << "ana" << 1 << 0 << "" << "F";
    QTest::newRow("only M") << on << "Prontuário" << "" << "1010" << "ana" << 1 << 0 << "" << "M";
    QTest::newRow("no sex: matches none") << on << "Prontuário" << "" << "1000" << "ana" << 1 << 0 << "" << "N";
    QTest::newRow("record number") << on << "Prontuário" << "12" << "1011" << "ana" << 1 << 12 << "" << "";
    QTest::newRow("record number 12a: none") << on << "Prontuário" << "12a" << "1011" << "" << 1 << 0 << "" << "";
    QTest::newRow("CPF fragment") << on << "CPF" << "456" << "1011" << "" << 1 << 0 << "456" << "";
    QTest::newRow("CPF typed punctuated") << on << "CPF" << "123.456-7" << "1011" << "" << 1 << 0 << "1234567"
                                          << "";
    QTest::newRow("CPF caption ignores digits as record number") << on << "CPF" << "12" << "1011" << "" << 1 << 0
                                                                 << "12" << "";
}

void TestManagerRules::listArguments()
{
    QFETCH(QString, caption);
    QFETCH(QString, select);
    QFETCH(QString, handBook);
    QFETCH(QString, boxes);
    QFETCH(QString, name);
    PatientFilterPanel panel;
    panel.caption = caption;
    panel.selectCaption = select;
    panel.handBook = handBook;
    panel.name = name;
    panel.active = boxes[0] == u'1';
    panel.inactive = boxes[1] == u'1';
    panel.male = boxes[2] == u'1';
    panel.female = boxes[3] == u'1';
    const PatientListArguments args = PatientListArgumentsFor(panel);
    QTEST(args.name, "name");
    QTEST(int(args.status), "status");
    QTEST(int(args.prontuario), "prontuario");
    QTEST(args.cpf, "cpf");
    QTEST(args.sex, "sex");
}

void TestManagerRules::lists()
{
    QCOMPARE(StateCodes().size(), 27);
    QCOMPARE(StateCodes().join(u','),
             QStringLiteral("AC,AL,AP,AM,BA,CE,DF,ES,GO,MA,MT,MS,MG,PA,PB,PR,PE,PI,RJ,RN,RS,RO,RR,SC,SP,SE,TO"));
    QCOMPARE(MaritalStatuses().join(u','),
             QStringLiteral("Solteiro(a),Casado(a),Separado(a),Divorciado(a),Viúvo(a)"));
    QCOMPARE(BloodGroups().join(u','), QStringLiteral("A+,A-,B+,B-,AB+,AB-,O+,O-"));
    QCOMPARE(SexCodes().join(u','), QStringLiteral("M,F"));
}

void TestManagerRules::examManagerPatientCounter_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("none reads singular") << 0 << "0 Paciente";
    QTest::newRow("one") << 1 << "1 Paciente";
    QTest::newRow("two") << 2 << "2 Pacientes";
    QTest::newRow("a failed list counts none") << -1 << "0 Paciente";
}

void TestManagerRules::examManagerPatientCounter()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(ExamManagerPatientCounterText(count), text);
}

void TestManagerRules::examinationCounter_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << "Nenhum Exame";
    QTest::newRow("one") << 1 << "1 Exame";
    QTest::newRow("two") << 2 << "2 Exames";
    QTest::newRow("a failed list counts none") << -1 << "Nenhum Exame";
}

void TestManagerRules::examinationCounter()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(ExaminationCounterText(count), text);
}

void TestManagerRules::viewerPatientCounter_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("none, with its blank") << 0 << "Nenhum Paciente ";
    QTest::newRow("one") << 1 << "1 Paciente(s) ";
    QTest::newRow("many") << 37 << "37 Paciente(s) ";
}

void TestManagerRules::viewerPatientCounter()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(ViewerPatientCounterText(count), text);
}

void TestManagerRules::patientNameCaption_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("short") << "Ana Souza" << "Ana Souza";
    QTest::newRow("35 characters as they are")
        << "Maria Aparecida da Conceição Souzaa" << "Maria Aparecida da Conceição Souzaa";
    QTest::newRow("36 characters abbreviated")
        << "Maria Aparecida da Conceição Souzaaa" << "Maria A. da C. Souzaaa";
    QTest::newRow("long but two words stays") << "Aaaaaaaaaaaaaaaaaaaa Bbbbbbbbbbbbbbbbbbbb"
                                              << "Aaaaaaaaaaaaaaaaaaaa Bbbbbbbbbbbbbbbbbbbb";
}

void TestManagerRules::patientNameCaption()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QCOMPARE(PatientNameCaption(name), caption);
}

void TestManagerRules::viewerListArguments_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("today");
    QTest::addColumn<QString>("boxes"); // Ativos Inativos as 0/1
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("doctor");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("prontuario");
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<QString>("date");

    const QString on = QStringLiteral("Pacientes [Filtro=ON]");
    const QString off = QStringLiteral("Pacientes [Filtro=OFF]");
    const QString today = QStringLiteral("15/03/2024");
    QTest::newRow("off: active, no number, no dates")
        << off << true << "01" << "Prontuário" << "12" << 0 << 1 << 0 << "" << "";
    QTest::newRow("off: the doctor still applies") << off << false << "11" << "CPF" << "123" << 7 << 1 << 0 << ""
                                                   << "";
    QTest::newRow("on: both boxes, all patients") << on << false << "11" << "Prontuário" << "" << 0 << 2 << 0 << ""
                                                  << "";
    QTest::newRow("on: only active") << on << false << "10" << "Prontuário" << "" << 0 << 1 << 0 << "" << "";
    QTest::newRow("on: only inactive") << on << false << "01" << "Prontuário" << "" << 0 << 0 << 0 << "" << "";
    QTest::newRow("on: neither box, no patient") << on << false << "00" << "Prontuário" << "" << 0 << 3 << 0 << ""
                                                 << "";
    QTest::newRow("on: today") << on << true << "10" << "Prontuário" << "" << 0 << 1 << 0 << "" << today;
    QTest::newRow("on: record number") << on << false << "10" << "Prontuário" << "112" << 3 << 1 << 112 << ""
                                       << "";
    QTest::newRow("on: not a number") << on << false << "10" << "Prontuário" << "11x" << 0 << 1 << 0 << "" << "";
    QTest::newRow("on: CPF fragment") << on << false << "10" << "CPF" << "529.982" << 0 << 1 << 0 << "529982"
                                      << "";
}

void TestManagerRules::viewerListArguments()
{
    QFETCH(QString, caption);
    QFETCH(bool, today);
    QFETCH(QString, boxes);
    QFETCH(QString, key);
    QFETCH(QString, number);
    QFETCH(int, doctor);
    ViewerFilterPanel panel;
    panel.caption = caption;
    panel.today = today;
    panel.active = boxes[0] == u'1';
    panel.inactive = boxes[1] == u'1';
    panel.keyCaption = key;
    panel.number = number;
    panel.name = QStringLiteral("ana");
    panel.doctorID = doctor;
    const ViewerListArguments args = ViewerListArgumentsFor(panel, QDate(2024, 3, 15));
    QCOMPARE(args.name, QStringLiteral("ana"));
    QCOMPARE(int(args.doctorID), doctor);
    QTEST(int(args.status), "status");
    QTEST(int(args.prontuario), "prontuario");
    QTEST(args.cpf, "cpf");
    QTEST(args.dateFrom, "date");
    QTEST(args.dateTo, "date");
}

void TestManagerRules::summaryLines()
{
    ExaminationSummary summary{QStringLiteral("17"), QStringLiteral("Dra. Ana Lima"), QStringLiteral("João Souza"),
                               QStringLiteral("OS"), QStringLiteral("15/03/2024"), QStringLiteral("Normal"),
                               QStringLiteral("Retorno")};
    const QStringList expected = {QStringLiteral("Exame   : 17"),         QStringLiteral("Medico  : Dra. Ana Lima"),
                                  QStringLiteral("Paciente: João Souza"), QStringLiteral("Olho    : OS"),
                                  QStringLiteral("Data    : 15/03/2024"), QStringLiteral("Diagnost: Normal"),
                                  QStringLiteral("Observ. : Retorno")};
    QCOMPARE(ExaminationSummaryLines(summary), expected);
}

QTEST_APPLESS_MAIN(TestManagerRules)
#include "tst_managerrules.moc"
