#pragma once
// Helpers of the record window tests: typing as a user types (accents too), reading
// a grid as the user sees it, and known patients and doctors in the test database.
#include "RecordsTestData.h"
#include "UfrmDataModule.h"

#include <QAbstractItemView>
#include <QSqlQuery>
#include <QTest>
#include <QWidget>

namespace cornix::test {

// Types text into widget one key at a time; characters outside ASCII go as text
// events (QTest::keyClicks cannot send them).
inline void TypeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The texts of one column of a view, top to bottom.
inline QStringList ColumnTexts(const QAbstractItemView *view, int column)
{
    QStringList texts;
    const QAbstractItemModel *model = view->model();
    for (int r = 0; r < model->rowCount(); ++r)
        texts << model->index(r, column).data().toString();
    return texts;
}

// Clicks the middle of a cell.
inline void ClickCell(QAbstractItemView *view, int row, int column)
{
    const QModelIndex cell = view->model()->index(row, column);
    view->scrollTo(cell);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
}

// The row whose column holds text, -1 when none does.
inline int RowWithText(const QAbstractItemView *view, int column, const QString &text)
{
    return int(ColumnTexts(view, column).indexOf(text));
}

inline int CountRows(TDataModule1 &module, const QString &sql)
{
    QSqlQuery &query = module.Execute(sql);
    const int count = query.next() ? query.value(0).toInt() : -1;
    query.finish();
    return count;
}

struct KnownPatient {
    int prontuario;
    const char *name;
    const char *sex;
    const char *cpf;
    bool active;
};

// Six active patients (one with record number 12), two inactive.
inline const std::vector<KnownPatient> &KnownPatients()
{
    static const std::vector<KnownPatient> patients = {
        {101, "Ana Souza", "F", "52998224725", true},       {102, "Bruno Lima", "M", "11144477735", true},
        {103, "Carla Dias", "F", "12345678909", false},     {112, "Daniel Rocha", "M", "98765432100", true},
        {120, "Eduarda Silva", "F", "39053344705", true},   {121, "Maria da Silva", "F", "07068093868", true},
        {12, "Fábio Nunes", "M", "86288366757", true},      {122, "Mário Silveira", "M", "31574208950", false}};
    return patients;
}

// Empties the patient and examination tables and stores the known patients, committed.
inline bool ResetPatients(TDataModule1 &module)
{
    module.Execute(QStringLiteral("delete from EXAME"));
    module.Execute(QStringLiteral("delete from PACIENTE"));
    TBDCornyx db(module);
    for (const KnownPatient &known : KnownPatients()) {
        TPaciente p = MakePatient(known.prontuario, QString::fromUtf8(known.name), QString::fromLatin1(known.cpf));
        p.Sexo = QString::fromLatin1(known.sex);
        if (!db.SavePatient(p))
            return false;
        if (!known.active)
            db.SetPatientStatus(p.ID, 0);
    }
    module.Commit();
    return true;
}

struct KnownDoctor {
    const char *name;
    const char *sex;
    const char *crm;
    bool active;
};

inline bool ResetDoctors(TDataModule1 &module, const std::vector<KnownDoctor> &doctors)
{
    module.Execute(QStringLiteral("delete from EXAME"));
    module.Execute(QStringLiteral("delete from MEDICO"));
    TBDCornyx db(module);
    for (const KnownDoctor &known : doctors) {
        TMedico d = MakeDoctor(QString::fromUtf8(known.name), QString::fromLatin1(known.sex),
                               QString::fromLatin1(known.crm));
        if (!db.SaveDoctor(d))
            return false;
        if (!known.active)
            module.Execute(QStringLiteral("update MEDICO set MED_STATUS=0 where MED_ID=:id"),
                           {{QStringLiteral(":id"), d.ID}});
    }
    module.Commit();
    return true;
}

} // namespace cornix::test
