#pragma once
// The serial link to the instrument's controller: opening the port named in the
// settings file, scrambled request/reply transactions, the numbered error model
// with its Portuguese messages, the append-only Hardware.Log, and the joystick
// notifications that arrive between transactions.
#include "SerialScrambler.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <chrono>

class TSerial : public QObject {
    Q_OBJECT

public:
    // Upper bound of the wait for one reply. The longest reply (a scrambled
    // version text, under 60 bytes) takes about 31 ms at 19200 baud; the rest
    // covers the USB adapter's latency and the controller's own delay.
    static constexpr std::chrono::milliseconds kDefaultReplyTimeout{300};
    static constexpr int kQueueSize = 255;

    explicit TSerial(QObject *parent = nullptr);
    ~TSerial() override;

    // Settings name such as "Cornix": resolved beside the executable, ".ini"
    // added. Opens the port named by HARDWARE/comPort. Shows its own messages.
    bool OpenLink(const QString &settingsName);
    // One exchange; sets LastError/ErrorParam/LastReply. Shows no dialog except
    // for an unreadable status longer than seven characters.
    bool Transact(const QString &command);
    bool SendStop();
    // The version text before "<F>", or empty (LastError tells why). No dialog.
    QString GetFirmwareVersion();
    // Checks the version payload "NN.NN dd/mm/yyyy"; reports code 15 on failure.
    bool CheckHardware();
    // Codes 1..6 light a peripheral target ("L00n"), 7 the central one ("C" +
    // value), 8 sends "I" + value. Reports failures.
    bool SendLightCommand(int code, int value);
    // Logs and shows the current error; returns the dialog's button, or 2 when
    // nothing was shown.
    int ReportError();

    bool Scramble(const QString &plain, QByteArray &wire);
    static QString Unscramble(const QByteArray &wire);

    int LastError() const { return m_lastError; }
    int ErrorParam() const { return m_errorParam; }
    const QString &IniFileName() const { return m_iniFileName; }
    const QString &LastReply() const { return m_lastReply; }
    const QString &InvalidData() const { return m_invalidData; }
    const QString &LastCommand() const { return m_lastCommand; }
    // As the settings file gives it (QSerialPort drops a leading "/dev/").
    const QString &PortName() const { return m_portName; }
    bool IsOpen() const { return m_port.isOpen(); }

    // The message ReportError shows for a code, and the name it logs.
    QString ErrorMessage(int code) const;
    static QString ErrorName(int code);

    // Test and tool hooks.
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    std::chrono::milliseconds replyTimeout() const { return m_replyTimeout; }
    void setLogFileName(const QString &fileName) { m_logFileName = fileName; }
    const QString &logFileName() const { return m_logFileName; }
    void seedScrambler(std::uint32_t seed) { m_scrambler.seed(seed); }

signals:
    // The receive event: one joystick notification, "J" pressed or "K" released.
    // Raised on the owner's thread, never while a transaction runs.
    void OnRxChar(const QString &notification);

private:
    static QString ResolveIniFileName(const QString &settingsName);
    void configurePort();
    bool reopen(bool receiveEvents);
    bool exchange(const QByteArray &wire);
    QByteArray awaitReply();
    void applyReply(const QByteArray &raw);
    void failTransaction(int code);
    void readNotifications();
    void deliverLater(const std::string &letters);
    void appendToLog();
    static QString DateTimeText();
    void showPlain(const QString &text) const;

    QSerialPort m_port;
    QString m_portName;
    cornix::SerialScrambler m_scrambler;
    bool m_receiveEvents = true;
    std::string m_rxBuffer;
    std::chrono::milliseconds m_replyTimeout = kDefaultReplyTimeout;
    QString m_logFileName = QStringLiteral("Hardware.Log");

    QString m_iniFileName;
    QString m_lastReply;
    int m_lastError = 0;
    int m_errorParam = 0;
    QString m_invalidData;
    QString m_lastCommand;
};

// The about box's hardware line: "Versão: …", "Erro!" when the link does not
// open, "Não Conectado!" when the instrument does not answer properly.
QString FirmwareVersionCaption(const QString &settingsName = QStringLiteral("Cornix"));
