#include "UDDoctorTable.h"

#include "UfrmDataModule.h"

QString TDoctorTable::ActiveDoctorsSQL()
{
    return QStringLiteral("select * from MEDICO where MED_STATUS=1 order by MED_ID");
}

void TDoctorTable::LoadActiveDoctors(TDataModule1 &module)
{
    TSqlDataset &doctors = module.IBQMedList();
    doctors.SetSQL(ActiveDoctorsSQL());
    doctors.Open();
    doctors.First();
    while (!doctors.Eof()) {
        m_entries.push_back({doctors.FieldByName(QStringLiteral("MED_ID")).toInt(),
                             doctors.FieldByName(QStringLiteral("MED_CRM")).toString(),
                             doctors.FieldByName(QStringLiteral("MED_NOME")).toString()});
        doctors.Next();
    }
}

void TDoctorTable::AddAllDoctorsEntry(const QString &caption)
{
    m_entries.insert(m_entries.begin(), TDoctorEntry{0, QString(), caption});
}

TDoctorEntry TDoctorTable::Entry(int line) const
{
    if (line < 0 || line >= Count())
        return {};
    return m_entries[size_t(line)];
}
