#pragma once
// Stops and starts the build folder's Firebird test server from inside a test, to see
// what the program does when the database server goes away and comes back. Tests that
// use it must run alone (RUN_SERIAL): every other database test needs the server.
#include <QProcess>
#include <QString>
#include <QtDebug>

namespace cornix::test {

// scripts/services.sh <action> <build>; true when it succeeded.
inline bool ControlTestServer(const QString &action)
{
    QProcess services;
    services.setProcessChannelMode(QProcess::MergedChannels);
    services.start(QStringLiteral(CORNIX_SOURCE_DIR "/scripts/services.sh"),
                   {action, QStringLiteral(CORNIX_BINARY_DIR)});
    const bool finished = services.waitForFinished(120000);
    if (!finished || services.exitStatus() != QProcess::NormalExit || services.exitCode() != 0) {
        qWarning("services.sh %s failed: %s", qPrintable(action), services.readAll().constData());
        return false;
    }
    return true;
}

inline bool StopTestServer() { return ControlTestServer(QStringLiteral("stop")); }
inline bool StartTestServer() { return ControlTestServer(QStringLiteral("start")); }

} // namespace cornix::test
