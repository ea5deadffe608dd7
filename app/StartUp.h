#pragma once
// The program's start-up, without widgets: the settings object, the database
// connection, the one transaction and the patient list. A failure gives one message
// for the operator naming the file (and the key, or the server's reason).
#include <QString>

#include <memory>

class TBIniSettings;
class TDataModule1;

struct TStartUpFiles {
    QString settingsFile; // cornix.ini
    QString databasePath; // Database/Cornyx.FDB
    // Beside the executable.
    static TStartUpFiles Default();
};

struct TStartUpResult {
    std::unique_ptr<TBIniSettings> settings; // set once the settings file has loaded
    QString error;                           // empty when every step succeeded
    bool ok() const { return error.isEmpty(); }
};

// Loads the settings, connects module to the database ([DATABASE] server of the settings
// file: the engine inside the program or a server), starts the transaction and opens the
// patient list. Stops at the first step that fails.
TStartUpResult RunStartUp(const TStartUpFiles &files, TDataModule1 &module);
