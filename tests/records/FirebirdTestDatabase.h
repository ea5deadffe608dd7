#pragma once
// A fresh Cornix database per test class, made from the schema script with isql-fb.
// Server databases live in a folder the firebird user owns; the server is this build
// folder's own, started by scripts/services.sh on the port it wrote to
// <build>/firebird/port. Embedded databases are opened by the test process.
#include <QString>

#include <memory>

class TDataModule1;
class QTemporaryDir;

namespace cornix::test {

enum class Engine { Server, Embedded };

// "localhost/<port>" of the build folder's test server, empty (with a warning
// naming the command that starts it) when it is not running.
QString TestServer();

// <build>/testdb/<name>/Cornyx.FDB, created anew. QFAILs are the caller's: an
// empty result means the database could not be made (the reason is printed).
QString CreateTestDatabase(const QString &name, Engine engine);

// A connected data module with its transaction started; throws EDatabaseError.
// The examination image folders go under a temporary application folder holding
// a "Database" folder.
struct ConnectedModule {
    std::unique_ptr<QTemporaryDir> appDir;
    std::unique_ptr<TDataModule1> module;
};
ConnectedModule Connect(const QString &databasePath, Engine engine);

} // namespace cornix::test
