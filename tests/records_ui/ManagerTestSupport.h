#pragma once
// Helpers of the record window tests: typing as a user types (accents too), reading
// a grid as the user sees it, and known patients and doctors in the test database.
#include "RecordsTestData.h"
#include "UfrmDataModule.h"

#include <QAbstractItemView>
#include <QDate>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTest>
#include <QWidget>

#include <memory>

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

// The texts of one column of a view, top to bottom, as its delegate shows them (dates
// day first, for instance).
inline QStringList ColumnTexts(const QAbstractItemView *view, int column)
{
    QStringList texts;
    const QAbstractItemModel *model = view->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        const QModelIndex cell = model->index(r, column);
        const auto *delegate = qobject_cast<const QStyledItemDelegate *>(view->itemDelegateForIndex(cell));
        texts << (delegate ? delegate->displayText(cell.data(), view->locale()) : cell.data().toString());
    }
    return texts;
}

// Clicks the middle of a cell.
inline void ClickCell(QAbstractItemView *view, int row, int column)
{
    const QModelIndex cell = view->model()->index(row, column);
    view->scrollTo(cell);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
}

// Double-clicks the middle of a cell as a user does: QTest's double click is the second
// press only, the first click comes before it.
inline void DoubleClickCell(QAbstractItemView *view, int row, int column)
{
    ClickCell(view, row, column);
    const QModelIndex cell = view->model()->index(row, column);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
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

// One examination row as a save leaves it (no image files), dated date; returns its ID.
inline int AddExamination(TDataModule1 &module, int doctorID, int patientID, const QDate &date, int eye = 0,
                          const QString &diagnosis = QStringLiteral("Endotélio normal"))
{
    QSqlQuery &insert = module.Execute(
        QStringLiteral("insert into EXAME (EXM_MEDICO, EXM_PACIENTE, EXM_DATA, EXM_HORA, EXM_OLHO, EXM_FIX_SIDE, "
                       "EXM_FIX_POS, EXM_TOTALCELULAS, EXM_AREAANALISADA, EXM_DENSIDADE, EXM_DP, EXM_AREAMIN, "
                       "EXM_AREAMED, EXM_AREAMAX, EXM_HEXAGONAIS, EXM_COEFVAR, EXM_TOTALIMG, EXM_PAQUIMETRIA, "
                       "EXM_MORPHOINFO, EXM_MEGATINFO, EXM_DIAGNOSTICO, EXM_OBSERVACAO) values (:medico, :paciente, "
                       ":data, '10:30:00', :olho, 'N', 2, 180, 0.0712, 2530, 95.5, 180.25, 395.0, 710.75, 120, 0.24, "
                       "3, 540, '3;12;120;40;5', '0;2;20;90;60;8;0', :diag, 'Retorno em um ano') returning EXM_ID"),
        {{QStringLiteral(":medico"), doctorID},
         {QStringLiteral(":paciente"), patientID},
         {QStringLiteral(":data"), date},
         {QStringLiteral(":olho"), eye},
         {QStringLiteral(":diag"), diagnosis}});
    const int id = insert.next() ? insert.value(0).toInt() : -1;
    insert.finish();
    return id;
}

// The ID of the patient with that record number.
inline int PatientID(TDataModule1 &module, int prontuario)
{
    QSqlQuery &query = module.Execute(QStringLiteral("select PAC_ID from PACIENTE where PAC_PRONTUARIO=:p"),
                                      {{QStringLiteral(":p"), prontuario}});
    const int id = query.next() ? query.value(0).toInt() : -1;
    query.finish();
    return id;
}

// A record window on the module, shown at the program's usual size and exposed.
template <class Window> std::unique_ptr<Window> OpenShown(TDataModule1 &module, const char *what)
{
    auto window = std::make_unique<Window>(module);
    window->resize(1280, 800);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the %s was not exposed", what);
    return window;
}

// A control of the window by its objectName; the test stops when it is missing.
template <class T> T *Control(const QWidget &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

} // namespace cornix::test
