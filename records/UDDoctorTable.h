#pragma once
// The doctors the examination manager and the examination viewer offer in their doctor
// combo boxes: the active doctors in MED_ID order, each with the ID and CRM that the
// combo's line stands for. The table holds every active doctor there is, however many.
#include <QString>

#include <cstdint>
#include <vector>

class TDataModule1;

struct TDoctorEntry {
    std::int32_t ID = 0; // MED_ID; 0 for a line that stands for no doctor ("Todos...")
    QString CRM;         // MED_CRM
    QString Name;        // MED_NOME
};

class TDoctorTable {
public:
    // The statement the doctor list (IBQMedList) is given to load the table.
    static QString ActiveDoctorsSQL();

    // Replaces the doctor list's text by ActiveDoctorsSQL, opens it and takes every row
    // in order after the entries already held. Throws EDatabaseError.
    void LoadActiveDoctors(TDataModule1 &module);
    // Entry 0 standing for "Todos..." (ID 0, empty CRM), before the doctors.
    void AddAllDoctorsEntry(const QString &caption);
    void Clear() { m_entries.clear(); }

    int Count() const { return int(m_entries.size()); }
    const std::vector<TDoctorEntry> &Entries() const { return m_entries; }
    // The entry of a combo line; an empty entry (ID 0) for no line (-1) or one past the table.
    TDoctorEntry Entry(int line) const;

private:
    std::vector<TDoctorEntry> m_entries;
};
