#include "UfrmDataModule.h"

#include "UBIniSettings.h"
#include "UDExamImages.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QThread>

#include <atomic>

namespace {

TDataModule1 *g_instance = nullptr;

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("cornix-%1").arg(++counter);
}

QString paciente_columns()
{
    return QStringLiteral(
        "PAC_ID,PAC_STATUS,PAC_PRONTUARIO,PAC_NOME,PAC_SEXO,PAC_PROF,PAC_CIVIL,PAC_SANGUE,PAC_CPF,PAC_RG,"
        "PAC_ORGAO,PAC_NASCIMENTO,PAC_NATURAL,PAC_NAT_UF,PAC_PAI,PAC_MAE,PAC_LOGRADOURO,PAC_COMPLEMENTO,"
        "PAC_BAIRRO,PAC_CIDADE,PAC_UF,PAC_CEP,PAC_FONE1,PAC_FONE2,PAC_FONE3,PAC_EMAIL,PAC_OBSERVACOES");
}

// The engine inside the program keeps its lock files in /tmp/firebird, shared with
// a server so that both never open one file at once. A user who may not write there
// gets a private lock folder instead.
void prepareEmbeddedLocks()
{
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QFileInfo shared(QStringLiteral("/tmp/firebird"));
    if (!shared.exists() || shared.isWritable())
        return;
    const QString own = QDir::tempPath() + QStringLiteral("/cornix-firebird-") + qEnvironmentVariable("USER");
    QDir().mkpath(own);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
}

} // namespace

EDatabaseError::EDatabaseError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

QString DatabaseErrorText(const QSqlError &error)
{
    const QString server = error.databaseText().trimmed();
    return server.isEmpty() ? error.driverText() : server;
}

bool IsConnectionFailure(const QSqlError &error)
{
    // The client library's words for a server that stopped, went away or cannot be reached.
    static const char *const kBrokenConnection[] = {
        "Unable to complete network request", "Error writing data to the connection",
        "Error reading data from the connection", "connection shutdown", "Connection lost to database",
        "connection rejected by remote interface", "Failed to establish a connection"};
    const QString text = error.databaseText() + QLatin1Char('\n') + error.driverText();
    for (const char *words : kBrokenConnection)
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive))
            return true;
    return false;
}

QString CPFDisplayText(const QVariant &value)
{
    const QString stored = value.toString();
    if (stored.isEmpty())
        return stored;
    const QString mask = QStringLiteral("###.###.###-##");
    QString shown;
    int next = 0;
    for (const QChar m : mask) {
        if (m != u'#')
            shown += m;
        else
            shown += next < stored.size() ? stored[next++] : QChar(u' ');
    }
    return next < stored.size() ? shown + stored.mid(next) : shown;
}

QString DateDisplayText(const QVariant &value)
{
    return value.isNull() ? QString() : value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
}

// TSqlDataset ----------------------------------------------------------------------

TSqlDataset::TSqlDataset(const QString &name, const QString &sql, TDataModule1 &module)
    : QSqlQueryModel(&module), m_name(name), m_sql(sql), m_module(module)
{
}

void TSqlDataset::SetSQL(const QString &sql)
{
    Close();
    m_sql = sql;
    m_params.clear();
}

void TSqlDataset::BindValue(const QString &placeholder, const QVariant &value) { m_params[placeholder] = value; }

void TSqlDataset::Open()
{
    Close();
    QSqlQuery query;
    m_module.Run(query, m_sql, m_params);
    setQuery(std::move(query));
    if (lastError().isValid())
        throw m_module.Failure(lastError());
    m_active = true;
    findFixedCharColumns();
    findDisplayFormats();
    moveTo(rowCount() > 0 ? 1 : 0);
}

void TSqlDataset::findFixedCharColumns()
{
    constexpr int kFirebirdFixedText = 452; // SQL_TEXT: CHAR(n)
    const QSqlRecord columns = record();
    m_fixedChar.assign(columns.count(), false);
    for (int c = 0; c < columns.count(); ++c)
        m_fixedChar[c] = (columns.field(c).typeID() & ~1) == kFirebirdFixedText; // low bit: nullable
}

void TSqlDataset::findDisplayFormats()
{
    const QSqlRecord columns = record();
    m_columnFormats.assign(columns.count(), nullptr);
    for (int c = 0; c < columns.count(); ++c) {
        const auto format = m_displayFormats.find(columns.fieldName(c).toUpper());
        if (format != m_displayFormats.end())
            m_columnFormats[c] = format->second;
    }
}

QVariant TSqlDataset::data(const QModelIndex &item, int role) const
{
    QVariant value = QSqlQueryModel::data(item, role);
    const auto column = static_cast<std::size_t>(item.column());
    if (role == Qt::DisplayRole && column < m_columnFormats.size() && m_columnFormats[column])
        return m_columnFormats[column](value);
    if ((role == Qt::DisplayRole || role == Qt::EditRole) && column < m_fixedChar.size() && m_fixedChar[column] &&
        value.typeId() == QMetaType::QString) {
        QString textValue = value.toString();
        while (textValue.endsWith(QLatin1Char(' ')))
            textValue.chop(1);
        value = textValue;
    }
    return value;
}

void TSqlDataset::Close()
{
    if (!m_active && rowCount() == 0)
        return;
    clear();
    m_fixedChar.clear();
    m_columnFormats.clear();
    m_active = false;
    moveTo(0);
}

void TSqlDataset::fetchAll()
{
    while (canFetchMore())
        fetchMore();
}

void TSqlDataset::moveTo(int recNo)
{
    // Every move lands on a row, or finds none: the end flag follows.
    m_eof = recNo <= 0;
    if (recNo == m_recNo)
        return;
    m_recNo = recNo;
    emit currentRowChanged(m_recNo);
}

void TSqlDataset::First() { moveTo(rowCount() > 0 ? 1 : 0); }

void TSqlDataset::Last()
{
    fetchAll();
    moveTo(rowCount());
    m_eof = true;
}

void TSqlDataset::Next()
{
    if (m_recNo >= rowCount() && canFetchMore())
        fetchMore();
    if (m_recNo >= rowCount()) {
        // No row after the current one: the cursor stays and reaches the end.
        m_eof = true;
        return;
    }
    moveTo(m_recNo + 1);
}

void TSqlDataset::Prior() { moveTo(rowCount() > 0 ? std::max(m_recNo - 1, 1) : 0); }

void TSqlDataset::SetRecNo(int recNo)
{
    while (recNo > rowCount() && canFetchMore())
        fetchMore();
    moveTo(rowCount() == 0 ? 0 : std::clamp(recNo, 1, rowCount()));
}

int TSqlDataset::RecordCount()
{
    fetchAll();
    return rowCount();
}

QVariant TSqlDataset::FieldByName(const QString &field) const
{
    if (m_recNo < 1 || m_recNo > rowCount())
        return {};
    const int column = record().indexOf(field);
    if (column < 0)
        return {};
    return data(index(m_recNo - 1, column), Qt::EditRole);
}

// TDataModule1 -----------------------------------------------------------------------

TDataModule1::TDataModule1(QObject *parent)
    : QObject(parent),
      m_connectionName(uniqueConnectionName()),
      m_db(QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_connectionName)),
      m_pacList(QStringLiteral("IBQPacList"), PacListSQL(), *this),
      m_medList(QStringLiteral("IBQMedList"), QStringLiteral("select * from MEDICO order by MED_NOME"), *this),
      m_exmList(QStringLiteral("IBQExmList"), QStringLiteral("select * from EXAME_RESUMO"), *this),
      m_exame(QStringLiteral("IBQExame"), QStringLiteral("select * from EXAME"), *this),
      m_dbInfo(QStringLiteral("IBQDBINFO"), QStringLiteral("select * from DB_INFO"), *this),
      m_pacTable(QStringLiteral("IBQPacTable"), QStringLiteral("select * from PACIENTE"), *this),
      m_medTable(QStringLiteral("IBQMedTable"), QStringLiteral("select * from Medico"), *this),
      m_exmData(QStringLiteral("IBQExmData"), QStringLiteral("select * from Dados_Exame"), *this),
      m_exmReload(QStringLiteral("IBQExmReload"), ExmReloadSQL(), *this),
      m_pacExame(QStringLiteral("IBQPacExame"), QStringLiteral("select * from PACIENTE_LIST order by PAC_NOME;"),
                 *this),
      m_medExame(QStringLiteral("IBQMedExame"), QStringLiteral("select * from MEDICO"), *this)
{
    m_pacList.SetDisplayFormat(QStringLiteral("PAC_CPF"), CPFDisplayText);
    m_pacExame.SetDisplayFormat(QStringLiteral("PAC_NASCIMENTO"), DateDisplayText);
    m_db.setUserName(QString::fromLatin1(kUserName));
    m_db.setPassword(QString::fromLatin1(kPassword));
    g_instance = this;
}

TDataModule1::~TDataModule1()
{
    try {
        Disconnect();
    } catch (const EDatabaseError &error) {
        qWarning("Cornix: commit at disconnection failed: %s", error.what());
    }
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    if (g_instance == this)
        g_instance = nullptr;
}

TDataModule1 *TDataModule1::Instance() { return g_instance; }

QString TDataModule1::ServerFromSettings(const QString &iniFileName)
{
    const QString value = TBIniSettings::ReadIniValue(iniFileName, TIniKind::Str, QStringLiteral("server"),
                                                      QStringLiteral("DATABASE"));
    return value == QLatin1String("error") ? QStringLiteral("localhost") : value.trimmed();
}

QString TDataModule1::DatabaseName(const QString &path) const
{
    return m_server.isEmpty() ? path : m_server + QLatin1Char(':') + path;
}

QString TDataModule1::DefaultDatabasePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Database/Cornyx.FDB");
}

QString TDataModule1::ApplicationDir() const
{
    return m_applicationDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_applicationDir;
}

void TDataModule1::ConnectDatabase(const QString &path)
{
    if (m_server.isEmpty())
        prepareEmbeddedLocks();
    m_db.setDatabaseName(DatabaseName(path));
    m_db.setConnectOptions(QStringLiteral("ISC_DPB_SQL_DIALECT=3"));
    if (!m_db.open())
        throw EDatabaseError(DatabaseErrorText(m_db.lastError()));
    m_connectionLost = false;
    m_uncommittedWork = false;
}

QString TDataModule1::ConnectionLostText(bool workLost)
{
    QString text = QStringLiteral("Sem conexão com o banco de dados. Verifique se o servidor está ativo e tente "
                                  "de novo.");
    if (workLost)
        text += QStringLiteral("\nAlterações ainda não gravadas foram perdidas.");
    return text;
}

EDatabaseError TDataModule1::Failure(const QSqlError &error)
{
    if (!IsConnectionFailure(error))
        return EDatabaseError(DatabaseErrorText(error));
    qWarning("Cornix: connection to the database lost: %s", qUtf8Printable(DatabaseErrorText(error)));
    // The server rolls the open transaction back: it is gone with whatever it held.
    const bool workLost = m_uncommittedWork;
    m_connectionLost = true;
    m_inTransaction = false;
    m_uncommittedWork = false;
    return EDatabaseError(ConnectionLostText(workLost));
}

void TDataModule1::Reconnect()
{
    std::vector<TSqlDataset *> wereOpen;
    for (TSqlDataset *dataset : datasets())
        if (dataset->Active())
            wereOpen.push_back(dataset);
    closeDatasets();
    m_inTransaction = false;
    // A new connection object: the driver keeps the broken connection's transaction
    // handle and would refuse to start another one.
    const QString name = m_db.databaseName();
    const QString options = m_db.connectOptions();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName = uniqueConnectionName();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_connectionName);
    m_db.setUserName(QString::fromLatin1(kUserName));
    m_db.setPassword(QString::fromLatin1(kPassword));
    m_db.setDatabaseName(name);
    m_db.setConnectOptions(options);
    if (!m_db.open()) {
        m_connectionLost = true;
        throw EDatabaseError(ConnectionLostText(false));
    }
    m_connectionLost = false;
    m_uncommittedWork = false;
    StartTransaction();
    // The grids come back with what they showed, as far as the server allows.
    for (TSqlDataset *dataset : wereOpen) {
        try {
            dataset->Open();
            dataset->SetSourceEnabled(true);
        } catch (const EDatabaseError &error) {
            qWarning("Cornix: %s not reopened: %s", qUtf8Printable(dataset->Name()), error.what());
        }
    }
}

void TDataModule1::ensureConnection()
{
    if (m_connectionLost)
        Reconnect();
}

void TDataModule1::OpenAtStartUp(const QString &path)
{
    ConnectDatabase(path);
    QThread::msleep(300);
    StartTransaction();
    finishPendingImages();
    m_pacList.SetSQL(PacListSQL());
    m_pacList.Open();
}

void TDataModule1::finishPendingImages()
{
    const QString root = cornix::records::ExaminationImagesRoot(ApplicationDir());
    const cornix::records::TPendingImages done = cornix::records::FinishPendingImages(
        root, [this](std::int32_t id, const QString &stamp) { return holdsSave(id, stamp); });
    if (done.Installed + done.Removed + done.Kept > 0)
        qWarning("Cornix: images of interrupted examination saves in %s: %d moved in, %d removed, %d kept",
                 qUtf8Printable(root), done.Installed, done.Removed, done.Kept);
}

// Whether the examination's row was stored by the save of that stamp (its save date
// and time): the commit then happened and its images belong in place.
bool TDataModule1::holdsSave(std::int32_t examinationID, const QString &stamp)
{
    QSqlQuery query;
    Run(query, QStringLiteral("select EXM_DATA, EXM_HORA from EXAME where EXM_ID=:id"),
        {{QStringLiteral(":id"), examinationID}});
    const bool holds =
        query.next() && cornix::records::SaveStamp(query.value(0).toDate(), query.value(1).toTime()) == stamp;
    query.finish();
    return holds;
}

void TDataModule1::Disconnect()
{
    if (!m_db.isOpen())
        return;
    if (m_connectionLost) {
        // Nothing is left to commit: the server dropped the transaction.
        closeDatasets();
        m_inTransaction = false;
        m_db.close();
        return;
    }
    // Committing is the transaction's default action when the connection closes.
    if (m_inTransaction)
        Commit();
    m_db.close();
}

void TDataModule1::StartTransaction()
{
    ensureConnection();
    if (m_inTransaction)
        return;
    if (!m_db.transaction())
        throw Failure(m_db.lastError());
    m_inTransaction = true;
}

std::vector<TSqlDataset *> TDataModule1::datasets()
{
    return {&m_pacList,  &m_medList,  &m_exmList, &m_exame,     &m_dbInfo,  &m_pacTable,
            &m_medTable, &m_exmData,  &m_exmReload, &m_pacExame, &m_medExame};
}

void TDataModule1::closeDatasets()
{
    m_ibQuery = QSqlQuery();
    m_qryOperation = QSqlQuery();
    for (TSqlDataset *dataset : datasets())
        dataset->Close();
}

void TDataModule1::Commit()
{
    // Nothing is left to commit on a broken connection (its failure said so); the
    // commit point is where the connection is made again.
    ensureConnection();
    if (!m_inTransaction)
        return;
    emit aboutToCommit();
    closeDatasets();
    m_inTransaction = false;
    if (!m_db.commit()) {
        const QSqlError error = m_db.lastError();
        if (!IsConnectionFailure(error))
            m_db.rollback();
        emit committed();
        throw Failure(error);
    }
    m_uncommittedWork = false;
    emit committed();
}

void TDataModule1::Rollback()
{
    if (!m_inTransaction)
        return;
    closeDatasets();
    m_inTransaction = false;
    m_uncommittedWork = false;
    m_db.rollback();
}

void TDataModule1::RefreshList(const QString &entity)
{
    Commit();
    auto open = [](TSqlDataset &dataset) {
        dataset.Open();
        dataset.SetSourceEnabled(true);
    };
    if (entity == QLatin1String("patient")) {
        open(m_pacList);
    } else if (entity == QLatin1String("doctor")) {
        open(m_medList);
    } else if (entity == QLatin1String("examination")) {
        open(m_exmList);
    } else {
        open(m_pacTable);
        open(m_medTable);
        open(m_exmData);
        open(m_exmReload);
    }
}

QSqlQuery TDataModule1::NewQuery()
{
    // A statement prepared outside the program's transaction would start one of its own.
    StartTransaction();
    return QSqlQuery(m_db);
}

void TDataModule1::throwIfFailed(const QSqlQuery &query)
{
    // The driver may report success from exec() while the error is set (a failed commit).
    if (query.lastError().isValid())
        throw Failure(query.lastError());
}

QSqlQuery &TDataModule1::Run(QSqlQuery &statement, const QString &sql, const std::map<QString, QVariant> &params)
{
    statement.finish();
    statement = NewQuery();
    if (!statement.prepare(sql))
        throw Failure(statement.lastError());
    for (const auto &[name, value] : params)
        statement.bindValue(name, value);
    const bool ok = statement.exec();
    throwIfFailed(statement);
    if (!ok)
        throw EDatabaseError(QStringLiteral("Unable to execute statement"));
    if (!sql.trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive))
        m_uncommittedWork = true;
    return statement;
}

QSqlQuery &TDataModule1::Execute(const QString &sql, const std::map<QString, QVariant> &params)
{
    return Run(m_ibQuery, sql, params);
}

QString TDataModule1::PacListSQL()
{
    return QStringLiteral("select distinct ") + paciente_columns() +
           QStringLiteral(",trunc((current_date - PAC_NASCIMENTO) / 365.2422) as PAC_IDADE,"
                          "count(EXM_ID) as PAC_TOTALEXAME "
                          "from paciente left join exame on PAC_ID=EXM_Paciente "
                          "group by ") +
           paciente_columns() + QStringLiteral(",PAC_IDADE");
}

QString TDataModule1::ExmReloadSQL()
{
    return QStringLiteral(
        "select PAC_ID, PAC_STATUS, PAC_NOME, PAC_SEXO, PAC_CPF, PAC_NASCIMENTO,\n"
        "cast(trunc((current_date - PAC_NASCIMENTO) / 365.2422) || ' Anos' as varchar(25)) as PAC_IDADE,\n"
        "0 as EXM_MEDICO,\n"
        "cast('01/01/1900' as Date) as EXM_DATA,\n"
        "0 as PAC_TOTALEXAME\n"
        "from PACIENTE left join EXAME on PAC_ID=EXM_PACIENTE\n"
        "group by PAC_ID, PAC_STATUS, PAC_NOME, PAC_SEXO, PAC_CPF, PAC_NASCIMENTO, PAC_IDADE");
}
