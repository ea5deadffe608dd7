#include "StartUp.h"

#include "UBIniSettings.h"
#include "UfrmDataModule.h"

#include <QFileInfo>

namespace {

const QString kCannotGoOn = QStringLiteral("\nO Cornix não pode continuar.");

// The engine inside the program, or a server on this machine ("localhost", "localhost/3051").
bool isLocal(const QString &server)
{
    const QString host = server.section(QLatin1Char('/'), 0, 0);
    return server.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host == QLatin1String("127.0.0.1");
}

} // namespace

TStartUpFiles TStartUpFiles::Default() { return {TBIniSettings::DefaultFileName(), TDataModule1::DefaultDatabasePath()}; }

TStartUpResult RunStartUp(const TStartUpFiles &files, TDataModule1 &module)
{
    TStartUpResult result;
    if (!QFileInfo(files.settingsFile).isFile()) {
        result.error = QStringLiteral("O arquivo de configuração %1 não existe.").arg(files.settingsFile) + kCannotGoOn;
        return result;
    }
    try {
        result.settings = std::make_unique<TBIniSettings>(files.settingsFile);
    } catch (const ESettingsConversionError &error) {
        result.error = error.message() + kCannotGoOn;
        return result;
    }
    module.SetServer(TDataModule1::ServerFromSettings(files.settingsFile));
    // A file on this machine that is not there gets a plain message instead of the engine's.
    if (isLocal(module.Server()) && !QFileInfo::exists(files.databasePath)) {
        result.error = QStringLiteral("O banco de dados %1 não existe.").arg(files.databasePath) + kCannotGoOn;
        return result;
    }
    try {
        module.OpenAtStartUp(files.databasePath);
    } catch (const EDatabaseError &error) {
        result.error = QStringLiteral("Não foi possível abrir o banco de dados %1:\n%2")
                           .arg(module.DatabaseName(files.databasePath), error.message()) +
                       kCannotGoOn;
    }
    return result;
}
