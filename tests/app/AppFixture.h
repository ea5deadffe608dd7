#pragma once
// A workstation folder for the desktop program's tests: cornix.ini made from the sample
// settings file, a fresh database (test server or the engine inside the test process),
// the simulated cameras and, on request, the instrument simulator on a pseudo-terminal.
#include "FirebirdTestDatabase.h"
#include "InstrumentSimulator.h"
#include "StartUp.h"
#include "UBIniSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

struct AppFixture {
    QTemporaryDir dir;
    QString databasePath;
    std::unique_ptr<cornix::InstrumentSimulator> instrument;

    QString settingsPath() const { return dir.filePath(QStringLiteral("cornix.ini")); }
    TStartUpFiles files() const { return {settingsPath(), databasePath}; }

    // The sample settings with the database reached through engine; false (with a
    // warning) when the database cannot be made.
    bool prepare(const QString &name, cornix::test::Engine engine)
    {
        QFile::remove(settingsPath());
        if (!QFile::copy(QStringLiteral(CORNIX_SOURCE_DIR "/config/cornix.ini"), settingsPath()))
            return false;
        QFile::setPermissions(settingsPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        set(QStringLiteral("DATABASE"), QStringLiteral("server"),
            engine == cornix::test::Engine::Server ? cornix::test::TestServer() : QString());
        set(QStringLiteral("CAMERA"), QStringLiteral("source"), QStringLiteral("simulated"));
        set(QStringLiteral("HARDWARE"), QStringLiteral("comPort"), dir.filePath(QStringLiteral("no-instrument")));
        databasePath = cornix::test::CreateTestDatabase(name, engine);
        return !databasePath.isEmpty();
    }

    void set(const QString &section, const QString &key, const QString &value) const
    {
        TBIniSettings::WriteIniValue(settingsPath(), TIniKind::Str, false, value, key, section);
    }
    QString get(const QString &section, const QString &key) const
    {
        return TBIniSettings::ReadIniValue(settingsPath(), TIniKind::Str, key, section);
    }

    // The instrument simulator on a pseudo-terminal, with comPort pointing at it.
    bool startInstrument(const std::string &version = cornix::InstrumentSimulator::DefaultVersionPayload())
    {
        cornix::InstrumentSimulator::Options options;
        options.linkPath = dir.filePath(QStringLiteral("instrument")).toStdString();
        options.versionPayload = version;
        instrument = std::make_unique<cornix::InstrumentSimulator>(options);
        std::string error;
        if (!instrument->start(&error)) {
            qWarning("simulator: %s", error.c_str());
            return false;
        }
        set(QStringLiteral("HARDWARE"), QStringLiteral("comPort"), QString::fromStdString(instrument->portPath()));
        return true;
    }
};
