// The field tables of the data access object: their columns and lengths against
// the schema, the normalisations, the refusal messages and the statements built
// from them. No database: the schema is read from records/sql/Cornyx.sql.
#include "UDFieldTables.h"

#include "RecordingDialogs.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <map>

using namespace cornix::records;

Q_DECLARE_METATYPE(TNormalise)

namespace {

// Column -> characters it holds (0 for numbers, dates and text blobs), per table.
std::map<QString, std::map<QString, int>> SchemaColumns()
{
    QFile file(QStringLiteral(CORNIX_SOURCE_DIR "/records/sql/Cornyx.sql"));
    std::map<QString, std::map<QString, int>> tables;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return tables;
    const QRegularExpression tableLine(QStringLiteral("^CREATE TABLE (\\w+)"));
    const QRegularExpression columnLine(QStringLiteral("^\\s+(\\w+)\\s+(VARCHAR|CHAR)?\\(?(\\d+)?"));
    QString table;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (const auto t = tableLine.match(line); t.hasMatch()) {
            table = t.captured(1);
            continue;
        }
        if (line.startsWith(QLatin1Char(')')))
            table.clear();
        const auto c = columnLine.match(line);
        if (table.isEmpty() || !c.hasMatch() || c.captured(1) == QLatin1String("CONSTRAINT"))
            continue;
        tables[table][c.captured(1)] = c.captured(2).isEmpty() ? 0 : c.captured(3).toInt();
    }
    return tables;
}

template <typename Record>
void CompareWithSchema(const std::vector<TTextField<Record>> &fields, const std::map<QString, int> &schema)
{
    for (const TTextField<Record> &f : fields) {
        const QString column = QLatin1String(f.Column);
        const auto found = schema.find(column);
        QVERIFY2(found != schema.end(), qPrintable(column));
        QCOMPARE(f.Length, found->second);
        QVERIFY(f.Win1252);
    }
}

} // namespace

class TestFieldTables : public QObject {
    Q_OBJECT

private slots:
    void lengthsAreTheSchemas()
    {
        const auto schema = SchemaColumns();
        QVERIFY(schema.count(QStringLiteral("PACIENTE")) && schema.count(QStringLiteral("MEDICO")));
        CompareWithSchema(PatientFields(), schema.at(QStringLiteral("PACIENTE")));
        CompareWithSchema(DoctorFields(), schema.at(QStringLiteral("MEDICO")));
        const auto &exame = schema.at(QStringLiteral("EXAME"));
        for (const TExameColumn &c : ExameColumns()) {
            const auto found = exame.find(QLatin1String(c.Column));
            QVERIFY2(found != exame.end(), c.Column);
            if (c.Text)
                QCOMPARE(c.Length, found->second);
        }
    }

    // Every text column of a patient and a doctor but the birth date (a date) is in
    // the table; every EXAME column but the status is in the one EXM_ list.
    void tablesCoverTheColumns()
    {
        const auto schema = SchemaColumns();
        const std::map<QString, QStringList> covered = {
            {QStringLiteral("PACIENTE"), ColumnsOf(PatientFields())},
            {QStringLiteral("MEDICO"), ColumnsOf(DoctorFields())},
        };
        for (const auto &[table, columns] : covered)
            for (const auto &[column, length] : schema.at(table)) {
                const bool apart = column.endsWith(QLatin1String("_ID")) || column.endsWith(QLatin1String("_STATUS")) ||
                                   column.endsWith(QLatin1String("_NASCIMENTO"));
                QVERIFY2(apart || columns.contains(column), qPrintable(column));
            }
        QStringList exame;
        for (const TExameColumn &c : ExameColumns())
            exame << QLatin1String(c.Column);
        for (const auto &[column, length] : schema.at(QStringLiteral("EXAME")))
            QVERIFY2(column == QLatin1String("EXM_STATUS") || exame.contains(column), qPrintable(column));
        QCOMPARE(exame.removeDuplicates(), 0);
    }

    void normalise_data()
    {
        QTest::addColumn<TNormalise>("normalise");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("prepared");
        QTest::addColumn<QString>("finished");
        QTest::newRow("as typed") << TNormalise::AsTyped << " maria " << " maria " << " maria ";
        QTest::newRow("trimmed") << TNormalise::Trimmed << " 123 " << "123" << "123";
        QTest::newRow("trimmed upper") << TNormalise::TrimmedUpper << " f " << "F" << "F";
        QTest::newRow("capitalised, not trimmed") << TNormalise::Capitalized << "rua DAS flores" << "rua DAS flores"
                                                  << "Rua das Flores";
        QTest::newRow("trimmed, capitalised") << TNormalise::TrimmedCapitalized << "  joão DE souza "
                                              << "joão DE souza" << "João de Souza";
        QTest::newRow("trimmed, lower") << TNormalise::TrimmedLower << " Ana@Exemplo.COM " << "Ana@Exemplo.COM"
                                        << "ana@exemplo.com";
    }

    void normalise()
    {
        QFETCH(TNormalise, normalise);
        QFETCH(QString, typed);
        QFETCH(QString, prepared);
        QFETCH(QString, finished);
        QCOMPARE(PrepareText(typed, normalise), prepared);
        QCOMPARE(FinishText(PrepareText(typed, normalise), normalise), finished);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("message"); // empty: nothing shown
        QTest::newRow("fits") << "abc" << 3 << QString();
        QTest::newRow("no limit") << QString(9000, u'x') << 0 << QString();
        QTest::newRow("one too many")
            << "abcd" << 3 << "ERRO! TEXTO LONGO DEMAIS!\n\nO campo Pai tem mais de 3 caracteres.\n\nNada foi gravado.";
        QTest::newRow("a one-character column")
            << "NT" << 1 << "ERRO! TEXTO LONGO DEMAIS!\n\nO campo Pai tem mais de 1 caractere.\n\nNada foi gravado.";
        QTest::newRow("euro sign and accents are WIN1252") << "€ çãé" << 10 << QString();
        QTest::newRow("outside WIN1252 before length")
            << "ΩΩΩΩ" << 3
            << "ERRO! CARACTERES NÃO SUPORTADOS!\n\nEstes campos contêm caracteres que o banco de dados não aceita:\n"
               " - Pai: ΩΩΩΩ\n\nNada foi gravado.";
    }

    void refusals()
    {
        QFETCH(QString, value);
        QFETCH(int, length);
        QFETCH(QString, message);
        cornix::RecordingDialogs dialogs;
        QCOMPARE(RejectUnstorableText({{QStringLiteral("Mãe"), QStringLiteral("ok"), 2, true},
                                       {QStringLiteral("Pai"), value, length, true}}),
                 !message.isEmpty());
        QCOMPARE(dialogs.shown().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(dialogs.last().text, message);
            QCOMPARE(dialogs.last().kind, cornix::DialogKind::Error);
        }
    }

    void statements()
    {
        const QStringList columns = {QStringLiteral("A"), QStringLiteral("B")};
        QCOMPARE(InsertStatement(QStringLiteral("t"), columns), QStringLiteral("insert into t (A, B)\nvalues (:A, :B)"));
        QCOMPARE(UpdateStatement(QStringLiteral("t"), columns, QStringLiteral("ID")),
                 QStringLiteral("update t set\nA=:A,\nB=:B\nwhere ID=:ID"));
    }

    // An insert writes every column an update writes, and the doctor, the patient,
    // the eye, the firmware and the software besides; the image paths come later.
    void examinationWrites()
    {
        const QStringList always = ExameColumnNames(TExameWrite::Always);
        const QStringList insert = ExameColumnNames(TExameWrite::OnInsert);
        for (const QString &column : always)
            QVERIFY(insert.contains(column));
        QStringList onlyInsert = insert;
        for (const QString &column : always)
            onlyInsert.removeAll(column);
        onlyInsert.sort();
        QCOMPARE(onlyInsert, (QStringList{"EXM_FIRMWARE", "EXM_MEDICO", "EXM_OLHO", "EXM_PACIENTE", "EXM_SOFTWARE"}));
        QCOMPARE(ExameColumnNames(TExameWrite::ImagePaths), (QStringList{"EXM_IMG_CROP_ORIG", "EXM_IMG_CROP_PROC"}));
        QVERIFY(!insert.contains(QStringLiteral("EXM_ID")));

        TExame exam;
        exam.FixPos = 10;
        exam.Diagnosis = QString();
        const TParams params = ExameParams(exam, TExameWrite::Always);
        QCOMPARE(params.at(QStringLiteral(":EXM_FIX_POS")).toInt(), 10);
        // Empty texts are stored as empty texts, never as NULL.
        QVERIFY(!params.at(QStringLiteral(":EXM_DIAGNOSTICO")).isNull());
    }

    void examinationTextChecks()
    {
        TExame exam;
        exam.Diagnosis = QStringLiteral("d");
        exam.Observation = QStringLiteral("o");
        exam.FixSide = QStringLiteral("N");
        QStringList labels;
        for (const TTextCheck &check : ExameTextChecks(exam))
            labels << check.Label;
        QCOMPARE(labels, (QStringList{"Diagnóstico", "Observações", "Firmware", "Software", "Fixação", "Morfologia",
                                      "Megalocitose"}));
        QCOMPARE(ExameTextChecks(exam).front().Value, QStringLiteral("d"));
    }
};

QTEST_GUILESS_MAIN(TestFieldTables)
#include "tst_fieldtables.moc"
