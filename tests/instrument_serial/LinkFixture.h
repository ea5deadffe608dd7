#pragma once
// A running instrument simulator and a settings file that points the link at it.
#include "InstrumentSimulator.h"
#include "UBCom.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct LinkFixture {
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
        if (!link->OpenLink(settingsPath()))
            return nullptr;
        return link;
    }
};
