#include "FirebirdTestDatabase.h"

#include "UfrmDataModule.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cornix::test {

namespace {

// The server runs as firebird: it must be able to create and open the file.
void giveToFirebird(const QString &folder)
{
    const passwd *user = getpwnam("firebird");
    if (user && chown(QFile::encodeName(folder).constData(), user->pw_uid, user->pw_gid) != 0)
        qWarning("cannot give %s to the firebird user", qPrintable(folder));
    chmod(QFile::encodeName(folder).constData(), 0770);
}

QString schemaScript()
{
    QFile file(QStringLiteral(CORNIX_SOURCE_DIR "/records/sql/Cornyx.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

QString TestServer()
{
    QFile file(QStringLiteral(CORNIX_BINARY_DIR "/firebird/port"));
    bool valid = false;
    const int port = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt(&valid) : 0;
    if (!valid || port <= 0) {
        qWarning("the Firebird test server is not running: scripts/services.sh start %s", CORNIX_BINARY_DIR);
        return {};
    }
    return QStringLiteral("localhost/%1").arg(port);
}

QString CreateTestDatabase(const QString &name, Engine engine)
{
    const QString folder = QStringLiteral(CORNIX_BINARY_DIR "/testdb/") + name;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    giveToFirebird(QStringLiteral(CORNIX_BINARY_DIR "/testdb"));
    giveToFirebird(folder);
    const QString path = folder + QStringLiteral("/Cornyx.FDB");
    const QString server = engine == Engine::Server ? TestServer() : QString();
    if (engine == Engine::Server && server.isEmpty())
        return {};
    const QString target = engine == Engine::Server ? server + QLatin1Char(':') + path : path;
    const QString script = QStringLiteral("CREATE DATABASE '%1' USER '%2' PASSWORD '%3' PAGE_SIZE 8192 "
                                          "DEFAULT CHARACTER SET WIN1252;\n")
                               .arg(target, QString::fromLatin1(TDataModule1::kUserName),
                                    QString::fromLatin1(TDataModule1::kPassword)) +
                           schemaScript();
    QProcess isql;
    isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("UTF8"),
                                           QStringLiteral("-bail")});
    isql.write(script.toUtf8());
    isql.closeWriteChannel();
    if (!isql.waitForFinished(60000) || isql.exitCode() != 0) {
        qWarning("isql-fb failed: %s %s", isql.readAllStandardOutput().constData(),
                 isql.readAllStandardError().constData());
        return {};
    }
    return path;
}

ConnectedModule Connect(const QString &databasePath, Engine engine)
{
    ConnectedModule result;
    result.appDir = std::make_unique<QTemporaryDir>();
    QDir(result.appDir->path()).mkpath(QStringLiteral("Database"));
    result.module = std::make_unique<TDataModule1>();
    const QString server = engine == Engine::Server ? TestServer() : QString();
    // Never fall back to the engine inside the process when the server is missing.
    if (engine == Engine::Server && server.isEmpty())
        throw EDatabaseError(QStringLiteral("the Firebird test server is not running"));
    result.module->SetServer(server);
    result.module->SetApplicationDir(result.appDir->path());
    result.module->ConnectDatabase(databasePath);
    result.module->StartTransaction();
    return result;
}

} // namespace cornix::test
