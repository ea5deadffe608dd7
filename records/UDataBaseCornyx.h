#pragma once
// The data access object: validates, normalises and writes patients, doctors and
// examinations, and builds the filtered lists the record windows show. It has no
// connection of its own: everything runs on the data module's datasets. Validation
// failures and database errors are shown through the dialog seam from here; callers
// only learn success or failure. No operation lets an exception out.
#include "UMedico.h"
#include "UPaciente.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

struct TExame;
class TBFrameBuffer;
class TDataModule1;
class TSqlDataset;
namespace cornix::records {
class TStatementBuilder;
class TExamImageSet;
}

class TBDCornyx {
public:
    enum ErrorKind { OtherError = 0, PatientError = 1, DoctorError = 2, ExaminationError = 3 };

    // Works on TDataModule1::Instance().
    TBDCornyx();
    explicit TBDCornyx(TDataModule1 &module);

    // Set by the bulk test-data routine: the managers then skip their success
    // messages and refreshes after a save.
    bool QuietMode = false;
    // The word joining the second and later name-word conditions ("AND"; "and" once
    // ListPatients ran).
    const QString &Conjunction() const { return m_conjunction; }
    // The sort direction, "ASC" or "DESC", shared by ListPatients and ListExaminations.
    const QString &SortOrder() const { return m_sortOrder; }
    // The whole text of the last statement ListPatients built.
    const QString &LastPatientSQL() const { return m_lastPatientSQL; }

    bool SavePatient(TPaciente &patient);
    bool DeactivatePatient(std::int32_t id);
    bool ReactivatePatient(std::int32_t id);
    // False when the database fails (its error shown).
    bool SetPatientStatus(std::int32_t id, std::int32_t status);
    // Rebuilds and reopens the patient list; returns its row count, -1 when the
    // database fails (its error shown).
    int ListPatients(const QString &nameText, std::int32_t status, std::int32_t prontuario, const QString &cpf,
                     std::int32_t doctorID, const QString &sex, const QString &dateFrom, const QString &dateTo,
                     const QString &ordering, int recNo);

    bool SaveDoctor(TMedico &doctor);
    // The list operations return the list's row count, or -1 when the database fails
    // (its error shown).
    int ListDoctors(const QString &nameText, std::int32_t status, const QString &ordering);
    bool DeactivateDoctor(std::int32_t id);

    // Stores the examination row and the report frame's three bitmaps, committing the
    // transaction. A failure before or at the commit leaves no row change and no new
    // files (false, the examination as given). Once the row is committed the save is
    // true even if the bitmaps cannot be moved into the examination's folder: the user
    // is warned that they wait in a staging folder for the next start to move them in.
    bool SaveExamination(TExame &exam, const TBFrameBuffer &frames);
    int ListExaminations(std::int32_t patientID, std::int32_t doctorID, const QString &dateFrom,
                         const QString &dateTo, const QString &orderColumn);
    // <application folder>/<database folder>/DBimages/<ID with at least four digits>
    QString ExaminationFolder(std::int32_t id) const;

    // DB_INFO's version; empty when the database fails (its error shown).
    QString GetDatabaseVersion();
    // Makes PAC_CPF nullable and no longer unique on a "1.0.0.0" database. Silent on
    // failure; a failed statement is rolled back and the connection stays usable.
    void UpgradeSchema();

    static bool IsValidCPF(const QString &text);
    static bool IsValidDateText(const QString &text);
    static QString CapitalizeName(const QString &text);
    void ShowDatabaseError(int kind, const QString &message) const;

    // Characters of text that the database's WIN1252 columns cannot hold.
    static QString UnsupportedCharacters(const QString &text);

private:
    cornix::records::TStatementBuilder patientConditions(const QString &nameText, std::int32_t status,
                                                         std::int32_t prontuario, const QString &cpf,
                                                         std::int32_t doctorID, const QString &sex,
                                                         const QString &dateFrom, const QString &dateTo) const;
    QString patientOrdering(const QString &ordering);
    QString databaseVersion();
    void toggleSortOrder();
    int openList(const cornix::records::TStatementBuilder &statement, TSqlDataset &list, int errorKind) const;
    void writeExaminationRow(TExame &exam);
    std::unique_ptr<cornix::records::TExamImageSet> storeExamination(TExame &exam, const TBFrameBuffer &frames,
                                                                     int frame);
    bool installImages(cornix::records::TExamImageSet &images);
    // Looks the record up, sets its status to 0 when it is active; shows the
    // not-found or database message itself.
    struct Deactivation {
        QString lookup, statusColumn, update, notFound;
        int errorKind;
    };
    bool deactivate(const Deactivation &what, std::int32_t id);

    TDataModule1 &m_module;
    QString m_conjunction = QStringLiteral("AND");
    QString m_sortOrder = QStringLiteral("ASC");
    QString m_lastPatientSQL;
};

// Nine random digits and their two check digits.
QString GenerateCPF();
