#include "UBCom.h"

#include "DateText.h"
#include "Dialogs.h"
#include "Numbers.h"
#include "SerialReply.h"
#include "UBIniSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

using namespace cornix;

namespace {

constexpr int kWireLimit = 255;          // a scrambled command must stay below this
constexpr int kWriteTimeoutBaseMs = 1000; // plus 100 ms per byte
constexpr int kWriteTimeoutPerByteMs = 100;

struct NamedCode {
    int code;
    const char *name;
};

constexpr NamedCode kErrorNames[] = {
    {0, "SUCESSO"},
    {1, "ERRO_DE_ABERTURA_DE_PORTA"},
    {2, "RESPOSTA_INESPERADA"},
    {3, "ERRO_NA_CRIPTOGRAFIA"},
    {4, "HARDWARE_NAO_RESPONDE"},
    {5, "COMANDO_DESCONHECIDO_PELO_HARDWARE"},
    {6, "ARQUIVO_INI_NAO_ENCONTRADO"},
    {7, "ERRO_DE_RECEPCAO_DE_DADOS_OERR"},
    {8, "BUFFER_RX_SERIAL_INSUFICIENTE"},
    {9, "BUFFER_TX_SERIAL_INSUFICIENTE"},
    {10, "MEMORIA_DO_HARDWARE_INSUFICIENTE"},
    {11, "BLOCO_PARA_GRAVACAO_MUITO_GRANDE"},
    {12, "VALOR_PARA_PONTEIRO_EEPROM_INVALIDO"},
    {13, "NAO_HOUVE_RETENCAO_DE_DADOS"},
    {14, "DADO_INVALIDO_PARA_GRAVACAO_EM_HARDWARE"},
    {15, "HARDWARE_INVALIDO"},
};

std::string toBytes(const QString &text) { return text.toLatin1().toStdString(); }

QString threeDigits(int value)
{
    if (value < 10)
        return QStringLiteral("00") + QString::number(value);
    if (value < 100)
        return QStringLiteral("0") + QString::number(value);
    return QString::number(value);
}

bool IsValidVersionPayload(const QString &version)
{
    const auto point = version.indexOf(QLatin1Char('.'));
    const auto blank = version.indexOf(QLatin1Char(' '));
    if (version.isEmpty() || point < 0 || blank < 0)
        return false;
    try {
        StrToInt(toBytes(version.left(2) + version.mid(point + 1, 2)));
    } catch (const EConvertError &) {
        return false;
    }
    return TextToDate(version.mid(blank + 1)).isValid();
}

} // namespace

TSerial::TSerial(QObject *parent)
    : QObject(parent),
      m_scrambler(static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()))
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        if (m_receiveEvents)
            readNotifications();
    });
}

TSerial::~TSerial()
{
    if (m_port.isOpen())
        m_port.close();
}

// --- opening ---------------------------------------------------------------

QString TSerial::ResolveIniFileName(const QString &settingsName)
{
    QString name = settingsName.isEmpty() ? QStringLiteral("Cornix.ini") : settingsName;
    // A bare name lives beside the executable; file names there are lower case.
    if (!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')))
        name = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name.toLower();
    if (!name.contains(QStringLiteral(".ini"), Qt::CaseInsensitive))
        name += QStringLiteral(".ini");
    return name;
}

void TSerial::configurePort()
{
    m_port.setReadBufferSize(kQueueSize);
    m_port.setBaudRate(QSerialPort::Baud19200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

bool TSerial::OpenLink(const QString &settingsName)
{
    m_iniFileName = ResolveIniFileName(settingsName);
    configurePort();
    if (!QFileInfo::exists(m_iniFileName)) {
        showPlain(QStringLiteral("O arquivo de inicialização ") + m_iniFileName + QStringLiteral(" não existe"));
        m_lastError = 6;
        return false;
    }
    if (m_port.isOpen())
        m_port.close();
    m_portName = TBIniSettings::ReadIniValue(m_iniFileName, TIniKind::Str, QStringLiteral("comPort"),
                                             QStringLiteral("HARDWARE"));
    m_port.setPortName(m_portName);
    if (reopen(true)) {
        m_port.clear(QSerialPort::Input); // whatever the instrument sent before we listened
        m_lastError = 0;
    } else {
        m_lastError = 1;
        ReportError();
    }
    return m_lastError == 0;
}

// Closes and re-opens the port with the receive event on or off: while a
// transaction runs the notification handler must not consume the reply.
bool TSerial::reopen(bool receiveEvents)
{
    if (m_port.isOpen())
        m_port.close();
    m_receiveEvents = receiveEvents;
    m_rxBuffer.clear();
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    // Lines not asserted; a pseudo-terminal has none and refuses, which is harmless.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    return true;
}

// --- scrambling ------------------------------------------------------------

bool TSerial::Scramble(const QString &plain, QByteArray &wire)
{
    wire.clear();
    for (const QChar c : plain) {
        if (c.unicode() > 0xFF) { // cannot travel as one byte
            m_lastError = 3;
            m_errorParam = c.unicode();
            ReportError();
            return false;
        }
    }
    const ScrambleResult result = m_scrambler.scramble(toBytes(plain));
    if (!result.ok) {
        if (result.failedCharacter >= 0) {
            m_lastError = 3;
            m_errorParam = result.failedCharacter;
            ReportError();
        }
        return false;
    }
    wire = QByteArray::fromStdString(result.wire);
    return true;
}

QString TSerial::Unscramble(const QByteArray &wire)
{
    const std::string plain = SerialScrambler::unscramble(std::string_view(wire.constData(), wire.size()));
    return QString::fromLatin1(plain.data(), static_cast<qsizetype>(plain.size()));
}

// --- transactions ----------------------------------------------------------

void TSerial::failTransaction(int code)
{
    m_lastError = code;
    m_lastReply.clear();
}

bool TSerial::Transact(const QString &command)
{
    // Recorded first so that a scrambling error is logged with its command.
    m_lastCommand = command;
    QByteArray wire;
    if (!command.isEmpty() && !Scramble(command, wire))
        return false;
    if (wire.isEmpty() || wire.size() >= kWireLimit) {
        failTransaction(11);
        m_errorParam = kWireLimit - 1;
        return false;
    }
    if (!exchange(wire))
        return false;
    return m_lastError == 0;
}

bool TSerial::exchange(const QByteArray &wire)
{
    // Notifications already queued belong to the time before this transaction.
    if (m_port.isOpen() && m_receiveEvents) {
        m_port.waitForReadyRead(0);
        readNotifications();
    }
    if (!reopen(false)) {
        failTransaction(1);
        return false;
    }
    m_port.clear(QSerialPort::Input); // a late reply to an earlier command
    const QByteArray message = wire + '\0';
    if (m_port.write(message) != message.size()
        || !m_port.waitForBytesWritten(kWriteTimeoutBaseMs + kWriteTimeoutPerByteMs * int(message.size()))) {
        failTransaction(1);
        return false;
    }
    applyReply(awaitReply());
    if (!reopen(true)) {
        failTransaction(1);
        return false;
    }
    return true;
}

// Reads until the reply is complete or the time bound passes; returns at once
// when the reply is whole. Notifications that arrived just ahead of or right after
// the reply are handed to the receiver after the transaction.
QByteArray TSerial::awaitReply()
{
    const std::string command = toBytes(m_lastCommand);
    std::string raw;
    std::string lettersAhead;
    QDeadlineTimer deadline(m_replyTimeout);
    for (;;) {
        raw += m_port.readAll().toStdString();
        TakeLeadingNotifications(raw, lettersAhead);
        if (!IsDataRequest(command))
            TakeTrailingNotifications(raw, lettersAhead);
        if (!raw.empty() && ReplyComplete(command, SerialScrambler::unscramble(raw)))
            break;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        if (!m_port.waitForReadyRead(int(left)) && m_port.error() != QSerialPort::TimeoutError
            && m_port.error() != QSerialPort::NoError)
            break; // the device went away: nothing more will come
    }
    deliverLater(lettersAhead);
    return QByteArray::fromStdString(raw);
}

void TSerial::applyReply(const QByteArray &raw)
{
    if (raw.isEmpty()) {
        failTransaction(4);
        return;
    }
    m_lastReply = Unscramble(raw);
    const ReplyVerdict verdict = JudgeReply(toBytes(m_lastCommand), toBytes(m_lastReply));
    m_lastError = verdict.error;
    if (verdict.param)
        m_errorParam = *verdict.param;
    if (verdict.reportUncorrected)
        showPlain(QStringLiteral("Erro não corrigido\nRecebido :") + m_lastReply);
}

bool TSerial::SendStop() { return Transact(QStringLiteral("S000")); }

QString TSerial::GetFirmwareVersion()
{
    if (!Transact(QStringLiteral("V000")))
        return {};
    const auto end = m_lastReply.indexOf(QStringLiteral("<F>"));
    if (end < 0) {
        m_lastError = 2;
        return {};
    }
    m_lastReply = m_lastReply.left(end);
    return m_lastReply;
}

bool TSerial::CheckHardware()
{
    if (IsValidVersionPayload(GetFirmwareVersion()))
        return true;
    m_lastError = 15;
    ReportError();
    return false;
}

bool TSerial::SendLightCommand(int code, int value)
{
    QString command;
    if (code == 7)
        command = QStringLiteral("C") + threeDigits(value);
    else if (code == 8)
        command = QStringLiteral("I") + threeDigits(value);
    else if (code >= 1 && code <= 6)
        command = QStringLiteral("L") + threeDigits(code);
    if (command.isEmpty()) { // no such target: nothing is sent
        m_lastCommand.clear();
        m_lastError = 5;
        m_errorParam = code;
        ReportError();
        return false;
    }
    if (Transact(command))
        return true;
    ReportError();
    return false;
}

// --- notifications ---------------------------------------------------------

void TSerial::readNotifications()
{
    m_rxBuffer += m_port.readAll().toStdString();
    std::string letters;
    TakeNotifications(m_rxBuffer, letters);
    deliverLater(letters);
}

// Queued, so that the receiver runs from the event loop like any receive event
// and never inside a transaction.
void TSerial::deliverLater(const std::string &letters)
{
    for (const char letter : letters) {
        const QString text = QString(QLatin1Char(letter));
        QMetaObject::invokeMethod(this, [this, text] { emit OnRxChar(text); }, Qt::QueuedConnection);
    }
}

// --- errors ----------------------------------------------------------------

QString TSerial::ErrorName(int code)
{
    for (const auto &entry : kErrorNames)
        if (entry.code == code)
            return QString::fromLatin1(entry.name);
    return QString::number(code);
}

QString TSerial::ErrorMessage(int code) const
{
    const QString param = QString::number(m_errorParam);
    const QString quote(QLatin1Char('"'));
    switch (code) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("ERRO AO ABRIR A PORTA DE COMUNICACAO ") + m_portName + QStringLiteral(" !");
    case 2:
        return QStringLiteral("RESPOSTA INESPERADA!\n\nO Hardware respondeu de forma inesperada.\n"
                              "Tente executar o comando novamente.\nComando Enviado : ")
               + quote + m_lastCommand + quote + QStringLiteral("\nResposta : ") + quote + m_lastReply + quote;
    case 3:
        return QStringLiteral("ERRO DE CRIPTOGRAFIA!\n\nO caracter ") + QChar(char16_t(m_errorParam))
               + QStringLiteral(" não é válido para criptografar.");
    case 4:
        return QStringLiteral("O HARDWARE NÃO RESPONDEU!\n\nVerifique:\n  1 - Se o aparelho está conectado à tomada.\n"
                              "  2 - Se o aparelho está ligado.\n  3 - Se o cabo de comunicação está conectado.");
    case 5:
        return QStringLiteral("COMANDO DESCONHECIDO PELO HARDWARE\n\nO comando enviado :") + m_lastCommand
               + QStringLiteral("\nnão é recolhecido pelo hardware.\nVerifique a versão do firmware.");
    case 6:
        return QStringLiteral("ARQUIVO DE CONFIGURACAO ") + m_iniFileName.toUpper() + QStringLiteral(" NÃO ENCONTRADO.");
    case 7:
        return QStringLiteral("ERRO DE RECEPÇÃO DE DADOS!\n\nO Hardware informou que houve erro interno durante a "
                              "recepção dos dados.\nEnvie novamente o comando.\nSe o erro persistir entre em contato "
                              "com o suporte técnico.");
    case 8:
        return QStringLiteral("BUFFER DE RECEPCAO DE DADOS SOBRECARREGADO!\n\nO buffer de recepcao do hardware não "
                              "suporta o comando enviado.\nEste erro pode ser provocado por incompatibilidade entre o "
                              "software e o hardware.");
    case 9:
        return QStringLiteral("BUFFER DE TRANSMISSÃO DE DADOS SOBRECARREGADO!\n\nO Hardware tentou enviar uma "
                              "sequencia de caracter\nmaior que o buffer de transmissão disponivel");
    case 10:
        return QStringLiteral("MEMÓRIA DO HARDWARE INSUFICIENTE!\n\nA memória do hardware não comporta a string "
                              "enviada.\nO tamanho máximo da string deve ser de ")
               + param + QStringLiteral(" caracteres.");
    case 11:
        return QStringLiteral("BLOCO PARA GRAVACAO MUITO GRANDE!\n\nA memória intermediaria do Hardware não comporta\n"
                              "a cadeia de caracter enviada.\nO número máximo de caracteres suportado pelo\nhardware é ")
               + param;
    case 12:
        return QStringLiteral("VALOR PARA PONTEIRO DE EEPROM INVALIDO\n\nO valor para ponteiro de dado não é válido\n"
                              "O valor deve estar entre 1 e ")
               + param;
    case 13:
        return QStringLiteral("NÃO HOUVE RENTENÇÃO DE DADOS!\n\nUma tentativa de gravação em hardware não foi "
                              "concluida.\nNão houve retenção de dado no endereço ")
               + param;
    case 14:
        return QStringLiteral("DADO INVALIDO PARA GRAVACAO EM HARDWARE!\n\nA sequencia de caracter não é valida para "
                              "gravação\nem hardware : ")
               + m_invalidData + QStringLiteral(".\nEstas sequencias são destinadas ao procotolo de comunicação.");
    case 15:
        return QStringLiteral("HARDWARE INVÁLIDO!\n\nO Hardware não respondeu corretamente.\nVerifique:\n 1-Se o cabo "
                              "de comunicação USB está devidamente\n    conectado ao microscópio especular.");
    default:
        return QStringLiteral("ERRO :\n\n") + ErrorName(code) + QStringLiteral("\n\nAjuda não implementada para este erro");
    }
}

int TSerial::ReportError()
{
    if (m_lastError == 0)
        return 2;
    appendToLog();
    const DialogButton answer = Dialogs::current().show(
        DialogRequest{DialogKind::Error, errorCaption(), ErrorMessage(m_lastError), DialogButton::Ok});
    return static_cast<int>(answer);
}

QString TSerial::DateTimeText()
{
    return QDateTime::currentDateTime().toString(QLatin1String(kDateFormat) + QStringLiteral(" hh:mm:ss"));
}

void TSerial::appendToLog()
{
    QFile file(m_logFileName);
    const bool created = !file.exists();
    QString text;
    if (created) {
        const QString rule(56, QLatin1Char('-'));
        text += rule + QLatin1Char('\n') + QStringLiteral("Cornix - Módulo de comunicação com hardware\n")
                + QStringLiteral("Criacao em : ") + DateTimeText() + QLatin1Char('\n') + rule + QStringLiteral("\n\n");
    }
    const QString quote(QLatin1Char('"'));
    text += DateTimeText() + QLatin1Char('\n');
    text += QStringLiteral("Enviado     : ") + quote + m_lastCommand + quote + QLatin1Char('\n');
    text += QStringLiteral("Recebido    : ") + quote + m_lastReply + quote + QLatin1Char('\n');
    text += QStringLiteral("Codigo Erro : ") + QString::number(m_lastError) + QStringLiteral("  (")
            + ErrorName(m_lastError) + QStringLiteral(") -> ") + QString::number(m_errorParam) + QLatin1Char('\n');
    text += QLatin1Char('\n');
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
        showPlain(QStringLiteral("Erro em manipulacao de arquivo"));
}

void TSerial::showPlain(const QString &text) const { ShowInformation(text, QStringLiteral("Cornix")); }

// --- about box -------------------------------------------------------------

QString FirmwareVersionCaption(const QString &settingsName)
{
    TSerial link;
    if (!link.OpenLink(settingsName))
        return QStringLiteral("Erro!");
    if (!link.CheckHardware())
        return QStringLiteral("Não Conectado!");
    const QString version = link.GetFirmwareVersion();
    if (version.left(5) == QStringLiteral("01.00"))
        return QStringLiteral("Versão: 1.0.0.0");
    return QStringLiteral("Versão: ") + version;
}
