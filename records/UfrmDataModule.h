#pragma once
// The data module: the one database connection of the program, its single
// transaction, the statement datasets and the shared list datasets that the record
// windows bind their grids to. Non-visual; several views may bind one list at once.
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <map>
#include <vector>
#include <stdexcept>

class TDataModule1;

// A failed statement, carrying the server's own message text.
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString &message);
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// A dataset: a statement text with named parameters whose rows a grid can show.
// Opening runs the text as it stands; the current row (1-based RecNo, 0 when empty)
// is what FieldByName reads. The data-source flag stands for the grid binding.
// Eof is the cursor's end flag: set when the dataset is empty, by Last, and by a
// Next that finds no row after the current one, so that
//     First(); while (!Eof()) { ...; Next(); }
// visits every row, the last one included.
class TSqlDataset : public QSqlQueryModel {
    Q_OBJECT
public:
    TSqlDataset(const QString &name, const QString &sql, TDataModule1 &module);

    const QString &Name() const { return m_name; }
    const QString &SQL() const { return m_sql; }
    // Closes the dataset and forgets the parameters.
    void SetSQL(const QString &sql);
    void BindValue(const QString &placeholder, const QVariant &value);

    // Throws EDatabaseError when the statement fails.
    void Open();
    void Close();
    bool Active() const { return m_active; }

    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return m_eof; }
    int RecNo() const { return m_recNo; }
    // Moves to row recNo (1-based), clamped to the rows there are.
    void SetRecNo(int recNo);
    // Counts every row (fetches them all: the driver reports no size).
    int RecordCount();
    QVariant FieldByName(const QString &field) const;

    // Values as the grids see them: CHAR(n) texts without the blanks the driver pads them with,
    // and the fields' display formats applied to what is shown (DisplayRole only).
    QVariant data(const QModelIndex &item, int role = Qt::DisplayRole) const override;

    // How a field is shown in the grids; the stored value (EditRole, FieldByName) is unchanged.
    using DisplayFormat = QString (*)(const QVariant &value);
    void SetDisplayFormat(const QString &field, DisplayFormat format) { m_displayFormats[field.toUpper()] = format; }

    bool SourceEnabled() const { return m_sourceEnabled; }
    void SetSourceEnabled(bool enabled) { m_sourceEnabled = enabled; }

signals:
    void currentRowChanged(int recNo);

private:
    void fetchAll();
    void moveTo(int recNo);
    void findFixedCharColumns();
    void findDisplayFormats();

    QString m_name;
    QString m_sql;
    TDataModule1 &m_module;
    std::map<QString, QVariant> m_params;
    std::vector<bool> m_fixedChar;
    std::map<QString, DisplayFormat> m_displayFormats;
    std::vector<DisplayFormat> m_columnFormats;
    bool m_active = false;
    bool m_sourceEnabled = false;
    int m_recNo = 0;
    bool m_eof = true;
};

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    static constexpr auto kUserName = "SYSDBA";
    static constexpr auto kPassword = "qpwuznhrx";

    explicit TDataModule1(QObject *parent = nullptr);
    // Commits the open transaction and closes the connection.
    ~TDataModule1() override;
    TDataModule1(const TDataModule1 &) = delete;
    TDataModule1 &operator=(const TDataModule1 &) = delete;

    // The data module in use (the last one created and not yet destroyed).
    static TDataModule1 *Instance();

    // Where the database lives: "localhost" (the default) or another host name
    // for a server, empty for the engine inside the program.
    const QString &Server() const { return m_server; }
    void SetServer(const QString &server) { m_server = server; }
    // [DATABASE] server= of the settings file: "localhost" when the key is absent.
    static QString ServerFromSettings(const QString &iniFileName);
    // The name handed to the client library for a database file.
    QString DatabaseName(const QString &path) const;
    // <executable folder>/Database/Cornyx.FDB
    static QString DefaultDatabasePath();

    // The folder the examination image folders are found from; the executable's
    // folder unless set.
    QString ApplicationDir() const;
    void SetApplicationDir(const QString &dir) { m_applicationDir = dir; }

    // Sets the database name for path and connects; throws EDatabaseError.
    void ConnectDatabase(const QString &path);
    // Start-up: connect to path, start the transaction, finish or remove the image
    // files that an interrupted examination save left (FinishPendingImages), open the
    // patient list.
    void OpenAtStartUp(const QString &path);
    bool Connected() const { return m_db.isOpen(); }
    // Commits the transaction and closes the connection.
    void Disconnect();

    // A server that stopped or became unreachable breaks the connection: the failing
    // operation throws EDatabaseError with ConnectionLostText, and the next operation
    // connects again first (the lists that were open are opened again), so work goes
    // on once the server is back without restarting the program.
    bool ConnectionLost() const { return m_connectionLost; }
    // Connects again now; throws EDatabaseError with ConnectionLostText while the
    // server cannot be reached.
    void Reconnect();
    // The message of a broken connection; workLost adds that the changes not yet
    // committed are gone (the server drops the open transaction).
    static QString ConnectionLostText(bool workLost);
    // The exception for a failed database call: a broken connection is recognised
    // (and remembered) here, other errors carry the server's text.
    EDatabaseError Failure(const QSqlError &error);

    // The one transaction (IBT_Cornyx).
    void StartTransaction();
    bool InTransaction() const { return m_inTransaction; }
    // Commits; the open datasets are closed. Throws EDatabaseError (the
    // transaction is rolled back then, so the connection stays usable).
    void Commit();
    void Rollback();

    // Commits, then opens the datasets of entity ("patient", "doctor",
    // "examination"; any other text: the four table datasets) and enables their
    // data sources. The comparison is exact and case-sensitive.
    void RefreshList(const QString &entity);

    // A new statement on the connection, inside the transaction.
    QSqlQuery NewQuery();
    // Replaces statement with a new one of sql, binds params by name and runs it;
    // throws EDatabaseError with the server's text. Returns statement.
    QSqlQuery &Run(QSqlQuery &statement, const QString &sql,
                   const std::map<QString, QVariant> &params = {});
    // Run on IBQuery, the statement dataset of the data access object.
    QSqlQuery &Execute(const QString &sql, const std::map<QString, QVariant> &params = {});
    QSqlDatabase &Database() { return m_db; }

    // Statement datasets.
    QSqlQuery &IBQuery() { return m_ibQuery; }
    QSqlQuery &qryOperation() { return m_qryOperation; }

    // List datasets (with their data-source flags).
    TSqlDataset &IBQPacList() { return m_pacList; }
    TSqlDataset &IBQMedList() { return m_medList; }
    TSqlDataset &IBQExmList() { return m_exmList; }
    TSqlDataset &IBQExame() { return m_exame; }
    TSqlDataset &IBQDBINFO() { return m_dbInfo; }
    TSqlDataset &IBQPacTable() { return m_pacTable; }
    TSqlDataset &IBQMedTable() { return m_medTable; }
    TSqlDataset &IBQExmData() { return m_exmData; }
    TSqlDataset &IBQExmReload() { return m_exmReload; }
    TSqlDataset &IBQPacExame() { return m_pacExame; }
    TSqlDataset &IBQMedExame() { return m_medExame; }

    static QString PacListSQL();
    static QString ExmReloadSQL();

signals:
    // Emitted when a commit starts, before anything is sent to the server.
    void aboutToCommit();
    // Emitted after every commit (the datasets are closed then).
    void committed();

private:
    std::vector<TSqlDataset *> datasets();
    void closeDatasets();
    void ensureConnection();
    void finishPendingImages();
    bool holdsSave(std::int32_t examinationID, const QString &stamp);
    void throwIfFailed(const QSqlQuery &query);

    QString m_connectionName;
    QSqlDatabase m_db;
    QString m_server = QStringLiteral("localhost");
    QString m_applicationDir;
    bool m_inTransaction = false;
    bool m_connectionLost = false;
    bool m_uncommittedWork = false;
    QSqlQuery m_ibQuery;
    QSqlQuery m_qryOperation;
    TSqlDataset m_pacList;
    TSqlDataset m_medList;
    TSqlDataset m_exmList;
    TSqlDataset m_exame;
    TSqlDataset m_dbInfo;
    TSqlDataset m_pacTable;
    TSqlDataset m_medTable;
    TSqlDataset m_exmData;
    TSqlDataset m_exmReload;
    TSqlDataset m_pacExame;
    TSqlDataset m_medExame;
};

// The text of a database error as the server wrote it (the driver's words otherwise).
QString DatabaseErrorText(const QSqlError &error);
// Whether error says that the server cannot be reached or dropped the connection.
bool IsConnectionFailure(const QSqlError &error);

// Display formats of the list fields: a CPF stored as 11 digits shown through the mask
// "###.###.###-##" (empty stays empty), and a date shown as "dd/mm/yyyy".
QString CPFDisplayText(const QVariant &value);
QString DateDisplayText(const QVariant &value);
