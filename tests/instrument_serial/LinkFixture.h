#pragma once
// A running instrument simulator and a settings file that points the link at it.
#include "InstrumentSimulator.h"
#include "UBCom.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

#include <memory>

struct LinkFixture {
    // The links' bound for a reply in these tests. A complete reply ends the wait at
    // once, so a generous bound costs nothing and keeps a loaded machine (the
    // simulator's thread waiting for a core) from failing a transaction; tests of
    // what happens when the bound passes set their own.
    static constexpr std::chrono::milliseconds kReplyBound{10000};
    // For a reply that never reads as complete (garbled, no "<F>"): the link waits
    // the whole bound, which must let a loaded machine deliver every byte of it.
    static constexpr std::chrono::milliseconds kIncompleteReplyBound{2000};

    QTemporaryDir dir;
    std::unique_ptr<cornix::InstrumentSimulator> sim;

    bool start(const std::string &linkName = "instrument")
    {
        cornix::InstrumentSimulator::Options options;
        options.linkPath = (dir.path() + QLatin1Char('/') + QString::fromStdString(linkName)).toStdString();
        sim = std::make_unique<cornix::InstrumentSimulator>(options);
        std::string error;
        if (!sim->start(&error)) {
            qWarning("simulator: %s", error.c_str());
            return false;
        }
        return writeSettings(QString::fromStdString(sim->portPath()));
    }

    QString settingsPath() const { return dir.path() + QStringLiteral("/cornix.ini"); }
    QString logPath() const { return dir.path() + QStringLiteral("/Hardware.Log"); }

    bool writeSettings(const QString &port) const
    {
        QFile file(settingsPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        file.write("[HARDWARE]\ncomPort=" + port.toUtf8() + "\n");
        return true;
    }

    // A link opened on the simulator, logging into the temporary folder.
    std::unique_ptr<TSerial> openLink() const
    {
        auto link = std::make_unique<TSerial>();
        link->setLogFileName(logPath());
        link->setReplyTimeout(kReplyBound);
        if (!link->OpenLink(settingsPath()))
            return nullptr;
        return link;
    }
};
