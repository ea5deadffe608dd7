// What the patient and doctor managers decide without widgets: counters, lists and
// the patient list's arguments from the filter panel.
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

QTEST_APPLESS_MAIN(TestManagerRules)
#include "tst_managerrules.moc"
