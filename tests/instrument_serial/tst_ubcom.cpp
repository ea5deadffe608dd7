#include "LinkFixture.h"
#include "RecordingDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using cornix::DialogKind;
using cornix::RecordingDialogs;

namespace {

QStringList logLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

QString plainReplyMessage(const QString &reply) { return QStringLiteral("Erro não corrigido\nRecebido :") + reply; }

} // namespace

class TestTSerial : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openLink_data();
    void openLink();
    void secondLinkOnSamePort();
    void iniFileName_data();
    void iniFileName();
    void lightCommand_data();
    void lightCommand();
    void statusReply_data();
    void statusReply();
    void instrumentErrorMessage_data();
    void instrumentErrorMessage();
    void noReply();
    void slowReply_data();
    void slowReply();
    void garbledReply();
    void commandTooLong_data();
    void commandTooLong();
    void unscramblableCommand_data();
    void unscramblableCommand();
    void firmwareVersion();
    void versionWithoutEnd();
    void checkHardware_data();
    void checkHardware();
    void firmwareCaption_data();
    void firmwareCaption();
    void notification_data();
    void notification();
    void notificationsAroundTransactions();
    void instrumentGoneAndBack();
    void logCreatedThenAppended();
    void logFileError();
    void logInCurrentFolder();

private:
    QTemporaryDir m_workDir;
    LinkFixture m_fixture;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TSerial> m_link;
};

void TestTSerial::initTestCase()
{
    // Hardware.Log goes to the current folder.
    QVERIFY(m_workDir.isValid());
    QVERIFY(QDir::setCurrent(m_workDir.path()));
    QVERIFY(m_fixture.start());
}

void TestTSerial::init()
{
    m_dialogs = std::make_unique<RecordingDialogs>();
    m_fixture.sim->clearFaults();
    m_fixture.sim->setVersionPayload(cornix::InstrumentSimulator::DefaultVersionPayload());
    QFile::remove(m_fixture.logPath());
    m_link = m_fixture.openLink();
    QVERIFY(m_link);
}

void TestTSerial::cleanup()
{
    m_link.reset();
    m_dialogs.reset();
}

void TestTSerial::openLink_data()
{
    QTest::addColumn<QString>("port");       // empty: no settings file at all
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("logged");
    QTest::newRow("simulator") << "SIM" << true << 0 << QString() << false;
    QTest::newRow("no settings file") << QString() << false << 6
                                      << QStringLiteral("O arquivo de inicialização %1 não existe") << false;
    QTest::newRow("no such port") << "/nonexistent/ttyUSB9" << false << 1
                                  << QStringLiteral("ERRO AO ABRIR A PORTA DE COMUNICACAO /nonexistent/ttyUSB9 !") << true;
    // The message names the port as the settings file gives it, folder included.
    QTest::newRow("no such device") << "/dev/ttyCORNIX9" << false << 1
                                    << QStringLiteral("ERRO AO ABRIR A PORTA DE COMUNICACAO /dev/ttyCORNIX9 !") << true;
}

void TestTSerial::openLink()
{
    QFETCH(QString, port);
    QFETCH(bool, opened);
    QFETCH(int, error);
    QFETCH(QString, message);
    QFETCH(bool, logged);
    QTemporaryDir dir;
    const QString settings = dir.path() + QStringLiteral("/cornix.ini");
    if (!port.isEmpty()) {
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[HARDWARE]\ncomPort="
                   + (port == QStringLiteral("SIM") ? QByteArray::fromStdString(m_fixture.sim->portPath()) : port.toUtf8())
                   + "\n");
    }
    m_dialogs->clear();
    m_link.reset(); // a port is opened by one link at a time
    TSerial link;
    link.setLogFileName(dir.path() + QStringLiteral("/Hardware.Log"));
    QCOMPARE(link.OpenLink(settings), opened);
    QCOMPARE(link.LastError(), error);
    QCOMPARE(link.IsOpen(), opened);
    QCOMPARE(link.IniFileName(), settings);
    QCOMPARE(QFile::exists(dir.path() + QStringLiteral("/Hardware.Log")), logged);
    if (message.isEmpty()) {
        QVERIFY(m_dialogs->shown().isEmpty());
    } else {
        QCOMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(m_dialogs->last().text, message.contains(QStringLiteral("%1")) ? message.arg(settings) : message);
        QCOMPARE(m_dialogs->last().kind, error == 6 ? DialogKind::Information : DialogKind::Error);
    }
    if (error == 6)
        QCOMPARE(link.ErrorMessage(6),
                 QStringLiteral("ARQUIVO DE CONFIGURACAO ") + settings.toUpper() + QStringLiteral(" NÃO ENCONTRADO."));
}

void TestTSerial::secondLinkOnSamePort()
{
    // The examination window's link holds the port; another one cannot take it.
    TSerial second;
    second.setLogFileName(m_fixture.logPath());
    QVERIFY(!second.OpenLink(m_fixture.settingsPath()));
    QCOMPARE(second.LastError(), 1);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QVERIFY(m_link->Transact(QStringLiteral("C001")));
}

void TestTSerial::iniFileName_data()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program's name") << "Cornix" << exeDir + QStringLiteral("/cornix.ini");
    QTest::newRow("empty") << "" << exeDir + QStringLiteral("/cornix.ini");
    QTest::newRow("bare with extension") << "OUTRO.INI" << exeDir + QStringLiteral("/outro.ini");
    QTest::newRow("path keeps its case") << "/tmp/Pasta/Estacao" << QStringLiteral("/tmp/Pasta/Estacao.ini");
    QTest::newRow("path with extension") << "/tmp/Pasta/x.ini" << QStringLiteral("/tmp/Pasta/x.ini");
}

void TestTSerial::iniFileName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    TSerial link;
    link.setLogFileName(m_fixture.logPath());
    link.OpenLink(name);
    QCOMPARE(link.IniFileName(), expected);
}

void TestTSerial::lightCommand_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("command"); // empty: nothing may be sent
    QTest::addColumn<bool>("success");
    for (int code = 1; code <= 6; ++code)
        QTest::addRow("target %d", code) << code << 1 << QStringLiteral("L00%1").arg(code) << true;
    QTest::newRow("central target") << 7 << 1 << "C001" << true;
    QTest::newRow("I command") << 8 << 1 << "I001" << true;
    QTest::newRow("value of two digits") << 7 << 12 << "C012" << false; // the instrument does not know it
    QTest::newRow("value of three digits") << 8 << 123 << "I123" << false;
    QTest::newRow("peripheral ignores value") << 3 << 99 << "L003" << true;
    QTest::newRow("no such code") << 9 << 1 << QString() << false;
}

void TestTSerial::lightCommand()
{
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(QString, command);
    QFETCH(bool, success);
    const auto before = m_fixture.sim->commandCount();
    QCOMPARE(m_link->SendLightCommand(code, value), success);
    if (command.isEmpty()) {
        QCOMPARE(m_fixture.sim->commandCount(), before);
        QCOMPARE(m_link->LastError(), 5);
    } else {
        QCOMPARE(m_fixture.sim->commandCount(), before + 1);
        QCOMPARE(QString::fromStdString(m_fixture.sim->commands().back()), command);
        QCOMPARE(m_link->LastCommand(), command);
    }
    QCOMPARE(m_dialogs->shown().isEmpty(), success);
    if (!success)
        QCOMPARE(m_dialogs->last().caption, QStringLiteral("ERRO"));
}

void TestTSerial::statusReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("param");
    QTest::addColumn<QString>("message");
    QTest::newRow("R000000") << "R000000" << true << 0 << 0 << QString();
    QTest::newRow("R005003") << "R005003" << false << 5 << 3 << QString();
    QTest::newRow("code above the table") << "R016002" << false << 16 << 2 << QString();
    QTest::newRow("negative code") << "R-01004" << false << -1 << 4 << QString();
    QTest::newRow("longer status") << "R000000XYZ" << true << 0 << 0 << QString();
    QTest::newRow("non-numeric of seven") << "RABC000" << false << 2 << 77 << QString();
    QTest::newRow("non-numeric, longer") << "RABC000XYZ" << false << 2 << 77 << plainReplyMessage("RABC000XYZ");
    QTest::newRow("not a status") << "X000000" << false << 2 << 77 << QString();
}

void TestTSerial::statusReply()
{
    QFETCH(QString, reply);
    QFETCH(bool, success);
    QFETCH(int, error);
    QFETCH(int, param);
    QFETCH(QString, message);
    // A known parameter beforehand shows which replies leave it alone.
    m_fixture.sim->injectErrorCode(9, 77);
    QVERIFY(!m_link->Transact(QStringLiteral("L001")));
    m_fixture.sim->injectReplyText(reply.toStdString());
    m_link->setReplyTimeout(LinkFixture::kIncompleteReplyBound); // a longer status never reads as complete
    QCOMPARE(m_link->Transact(QStringLiteral("L001")), success);
    QCOMPARE(m_link->LastError(), error);
    QCOMPARE(m_link->ErrorParam(), param);
    QCOMPARE(m_link->LastReply(), reply);
    QCOMPARE(m_dialogs->texts(), message.isEmpty() ? QStringList() : QStringList{message});
}

void TestTSerial::instrumentErrorMessage_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("param");
    QTest::addColumn<QString>("message");
    QTest::newRow("2 reported by the instrument")
        << 2 << 0
        << QStringLiteral("RESPOSTA INESPERADA!\n\nO Hardware respondeu de forma inesperada.\nTente executar o "
                          "comando novamente.\nComando Enviado : \"L002\"\nResposta : \"R002000\"");
    QTest::newRow("5") << 5 << 0
                       << QStringLiteral("COMANDO DESCONHECIDO PELO HARDWARE\n\nO comando enviado :L002\nnão é "
                                         "recolhecido pelo hardware.\nVerifique a versão do firmware.");
    QTest::newRow("7") << 7 << 0
                       << QStringLiteral("ERRO DE RECEPÇÃO DE DADOS!\n\nO Hardware informou que houve erro interno "
                                         "durante a recepção dos dados.\nEnvie novamente o comando.\nSe o erro "
                                         "persistir entre em contato com o suporte técnico.");
    QTest::newRow("8") << 8 << 0
                       << QStringLiteral("BUFFER DE RECEPCAO DE DADOS SOBRECARREGADO!\n\nO buffer de recepcao do "
                                         "hardware não suporta o comando enviado.\nEste erro pode ser provocado por "
                                         "incompatibilidade entre o software e o hardware.");
    QTest::newRow("9") << 9 << 0
                       << QStringLiteral("BUFFER DE TRANSMISSÃO DE DADOS SOBRECARREGADO!\n\nO Hardware tentou enviar "
                                         "uma sequencia de caracter\nmaior que o buffer de transmissão disponivel");
    QTest::newRow("10") << 10 << 32
                        << QStringLiteral("MEMÓRIA DO HARDWARE INSUFICIENTE!\n\nA memória do hardware não comporta a "
                                          "string enviada.\nO tamanho máximo da string deve ser de 32 caracteres.");
    QTest::newRow("11") << 11 << 64
                        << QStringLiteral("BLOCO PARA GRAVACAO MUITO GRANDE!\n\nA memória intermediaria do Hardware "
                                          "não comporta\na cadeia de caracter enviada.\nO número máximo de caracteres "
                                          "suportado pelo\nhardware é 64");
    QTest::newRow("12") << 12 << 511
                        << QStringLiteral("VALOR PARA PONTEIRO DE EEPROM INVALIDO\n\nO valor para ponteiro de dado não "
                                          "é válido\nO valor deve estar entre 1 e 511");
    QTest::newRow("13") << 13 << 17
                        << QStringLiteral("NÃO HOUVE RENTENÇÃO DE DADOS!\n\nUma tentativa de gravação em hardware não "
                                          "foi concluida.\nNão houve retenção de dado no endereço 17");
    QTest::newRow("14") << 14 << 0
                        << QStringLiteral("DADO INVALIDO PARA GRAVACAO EM HARDWARE!\n\nA sequencia de caracter não é "
                                          "valida para gravação\nem hardware : .\nEstas sequencias são destinadas ao "
                                          "procotolo de comunicação.");
    QTest::newRow("above the table") << 16 << 0
                                     << QStringLiteral("ERRO :\n\n16\n\nAjuda não implementada para este erro");
    QTest::newRow("negative") << -3 << 0 << QStringLiteral("ERRO :\n\n-3\n\nAjuda não implementada para este erro");
}

void TestTSerial::instrumentErrorMessage()
{
    QFETCH(int, code);
    QFETCH(int, param);
    QFETCH(QString, message);
    m_fixture.sim->injectErrorCode(code, param);
    QVERIFY(!m_link->SendLightCommand(2, 1));
    QCOMPARE(m_link->LastError(), code);
    QCOMPARE(m_link->ErrorParam(), param);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().kind, DialogKind::Error);
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("ERRO"));
    QCOMPARE(m_dialogs->last().text, message);
    QCOMPARE(m_link->ReportError(), int(cornix::DialogButton::Ok));
}

void TestTSerial::noReply()
{
    m_link->setReplyTimeout(100ms);
    m_fixture.sim->injectNoReply();
    QVERIFY(!m_link->SendLightCommand(1, 1));
    QCOMPARE(m_link->LastError(), 4);
    QVERIFY(m_link->LastReply().isEmpty());
    QCOMPARE(m_dialogs->texts(),
             QStringList{QStringLiteral("O HARDWARE NÃO RESPONDEU!\n\nVerifique:\n  1 - Se o aparelho está conectado à "
                                        "tomada.\n  2 - Se o aparelho está ligado.\n  3 - Se o cabo de comunicação "
                                        "está conectado.")});
    // The link stays usable.
    m_fixture.sim->clearFaults();
    m_link->setReplyTimeout(LinkFixture::kReplyBound);
    QVERIFY(m_link->SendLightCommand(7, 1));
    QCOMPARE(m_link->LastError(), 0);
}

void TestTSerial::slowReply_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("boundMs");
    QTest::addColumn<int>("error");
    // Far apart, so that no scheduling delay of a loaded machine can swap them.
    QTest::newRow("within the bound") << 60 << int(LinkFixture::kReplyBound.count()) << 0;
    QTest::newRow("beyond the bound") << 1000 << 50 << 4;
}

void TestTSerial::slowReply()
{
    QFETCH(int, delayMs);
    QFETCH(int, boundMs);
    QFETCH(int, error);
    m_link->setReplyTimeout(std::chrono::milliseconds(boundMs));
    m_fixture.sim->injectSlowReply(std::chrono::milliseconds(delayMs));
    const std::size_t answered = m_fixture.sim->repliesSent();
    QCOMPARE(m_link->Transact(QStringLiteral("L004")), error == 0);
    QCOMPARE(m_link->LastError(), error);
    // A reply that comes too late must not be taken for the next one's.
    QVERIFY(m_fixture.sim->waitForReplies(answered + 1, 10s));
    m_link->setReplyTimeout(LinkFixture::kReplyBound);
    m_fixture.sim->injectErrorCode(5, 6);
    QVERIFY(!m_link->Transact(QStringLiteral("L004")));
    QCOMPARE(m_link->LastError(), 5);
    QCOMPARE(m_link->ErrorParam(), 6);
}

void TestTSerial::garbledReply()
{
    m_link->setReplyTimeout(LinkFixture::kIncompleteReplyBound);
    m_fixture.sim->injectGarbledReply();
    QVERIFY(!m_link->Transact(QStringLiteral("S000")));
    QCOMPARE(m_link->LastError(), 2);
    QVERIFY(!m_link->LastReply().isEmpty());
    m_fixture.sim->clearFaults();
    QVERIFY(m_link->SendStop());
}

void TestTSerial::commandTooLong_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("error");
    QTest::newRow("empty") << 0 << 11;
    QTest::newRow("60 characters reach the instrument") << 60 << 5;
    QTest::newRow("254 characters") << 254 << 11;
    QTest::newRow("255 characters") << 255 << 11;
    QTest::newRow("1000 characters") << 1000 << 11;
}

void TestTSerial::commandTooLong()
{
    QFETCH(int, length);
    QFETCH(int, error);
    const QString command(length, QLatin1Char('7'));
    const auto before = m_fixture.sim->commandCount();
    QVERIFY(!m_link->Transact(command));
    QCOMPARE(m_link->LastError(), error);
    QCOMPARE(m_fixture.sim->commandCount(), before + (error == 11 ? 0 : 1));
    if (error == 11) {
        QVERIFY(m_link->LastReply().isEmpty());
        QVERIFY(m_link->ErrorMessage(11).endsWith(QStringLiteral("\nhardware é 254")));
    }
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestTSerial::unscramblableCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("character");
    QTest::newRow("Latin-1 letter first") << QStringLiteral("é001") << 0xE9;
    QTest::newRow("Latin-1 letter later") << QStringLiteral("L0é1") << 0xE9;
    QTest::newRow("beyond one byte") << QStringLiteral("LΩ01") << 0x3A9;
}

void TestTSerial::unscramblableCommand()
{
    QFETCH(QString, command);
    QFETCH(int, character);
    const auto before = m_fixture.sim->commandCount();
    QVERIFY(!m_link->Transact(command));
    QCOMPARE(m_link->LastError(), 3);
    QCOMPARE(m_link->ErrorParam(), character);
    QCOMPARE(m_fixture.sim->commandCount(), before);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("ERRO DE CRIPTOGRAFIA!\n\nO caracter ")
                                             + QChar(char16_t(character))
                                             + QStringLiteral(" não é válido para criptografar.")});
    QVERIFY(logLines(m_fixture.logPath()).contains(QStringLiteral("Enviado     : \"") + command + QLatin1Char('"')));
}

void TestTSerial::firmwareVersion()
{
    m_fixture.sim->setVersionPayload("01.00 25/12/2023");
    QCOMPARE(m_link->GetFirmwareVersion(), QStringLiteral("01.00 25/12/2023"));
    QCOMPARE(m_link->LastReply(), QStringLiteral("01.00 25/12/2023"));
    QCOMPARE(m_link->LastError(), 0);
    QCOMPARE(QString::fromStdString(m_fixture.sim->commands().back()), QStringLiteral("V000"));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestTSerial::versionWithoutEnd()
{
    m_link->setReplyTimeout(LinkFixture::kIncompleteReplyBound);
    m_fixture.sim->injectReplyText("01.00 25/12/2023");
    QVERIFY(m_link->GetFirmwareVersion().isEmpty());
    QCOMPARE(m_link->LastError(), 2);
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestTSerial::checkHardware_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<bool>("valid");
    QTest::newRow("01.00 and a date") << "01.00 25/12/2023" << true;
    QTest::newRow("other version") << "02.13 29/02/2024" << true;
    QTest::newRow("no blank") << "01.00" << false;
    QTest::newRow("no point") << "0100 25/12/2023" << false;
    QTest::newRow("not a real date") << "01.00 31/02/2023" << false;
    QTest::newRow("date in another form") << "01.00 2023-12-25" << false;
    QTest::newRow("letters for digits") << "AB.CD 25/12/2023" << false;
    QTest::newRow("empty") << "" << false;
}

void TestTSerial::checkHardware()
{
    QFETCH(QString, payload);
    QFETCH(bool, valid);
    m_fixture.sim->setVersionPayload(payload.toStdString());
    QCOMPARE(m_link->CheckHardware(), valid);
    if (valid) {
        QCOMPARE(m_link->LastError(), 0);
        QVERIFY(m_dialogs->shown().isEmpty());
        return;
    }
    QCOMPARE(m_link->LastError(), 15);
    QCOMPARE(m_dialogs->texts(),
             QStringList{QStringLiteral("HARDWARE INVÁLIDO!\n\nO Hardware não respondeu corretamente.\nVerifique:\n "
                                        "1-Se o cabo de comunicação USB está devidamente\n    conectado ao microscópio "
                                        "especular.")});
    QVERIFY(logLines(m_fixture.logPath()).contains(QStringLiteral("Codigo Erro : 15  (HARDWARE_INVALIDO) -> 0")));
}

void TestTSerial::firmwareCaption_data()
{
    QTest::addColumn<QString>("payload"); // empty: no instrument at the port
    QTest::addColumn<QString>("caption");
    QTest::newRow("version 01.00") << "01.00 25/12/2023" << "Versão: 1.0.0.0";
    QTest::newRow("other version") << "02.10 25/12/2023" << "Versão: 02.10 25/12/2023";
    QTest::newRow("invalid payload") << "garbage" << "Não Conectado!";
    QTest::newRow("port missing") << QString() << "Erro!";
}

void TestTSerial::firmwareCaption()
{
    QFETCH(QString, payload);
    QFETCH(QString, caption);
    if (payload.isEmpty())
        QVERIFY(m_fixture.writeSettings(QStringLiteral("/nonexistent/ttyUSB0")));
    m_fixture.sim->setVersionPayload(payload.toStdString());
    m_link.reset(); // the caption opens its own link
    QCOMPARE(FirmwareVersionCaption(m_fixture.settingsPath()), caption);
    QVERIFY(m_fixture.writeSettings(QString::fromStdString(m_fixture.sim->portPath())));
}

void TestTSerial::notification_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("press") << "press" << QStringList{QStringLiteral("J")};
    QTest::newRow("release") << "release" << QStringList{QStringLiteral("K")};
    QTest::newRow("held button") << "hold" << QStringList{QStringLiteral("J"), QStringLiteral("K")};
}

void TestTSerial::notification()
{
    QFETCH(QString, action);
    QFETCH(QStringList, expected);
    QSignalSpy spy(m_link.get(), &TSerial::OnRxChar);
    if (action == QStringLiteral("press"))
        m_fixture.sim->pressButton();
    else if (action == QStringLiteral("release"))
        m_fixture.sim->releaseButton();
    else
        m_fixture.sim->holdButton(40ms);
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), expected.size(), 10000);
    QStringList received;
    for (const auto &arguments : spy)
        received << arguments.at(0).toString();
    QCOMPARE(received, expected);
}

void TestTSerial::notificationsAroundTransactions()
{
    QSignalSpy spy(m_link.get(), &TSerial::OnRxChar);
    std::atomic<bool> done{false};
    std::thread presser([&] {
        while (!done) {
            m_fixture.sim->pressButton();
            std::this_thread::sleep_for(3ms);
        }
    });
    bool allSucceeded = true, deliveredInside = false;
    for (int i = 0; i < 40; ++i) {
        const auto before = spy.size();
        allSucceeded = m_link->SendLightCommand(1 + i % 6, 1) && allSucceeded;
        deliveredInside = deliveredInside || spy.size() != before;
        QCoreApplication::processEvents();
    }
    done = true;
    presser.join();
    QVERIFY(allSucceeded);
    QVERIFY(!deliveredInside); // never raised while a transaction runs
    QTRY_VERIFY(spy.size() > 0);
    for (const auto &arguments : spy)
        QCOMPARE(arguments.at(0).toString(), QStringLiteral("J"));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestTSerial::instrumentGoneAndBack()
{
    m_fixture.sim->stop();
    QVERIFY(!m_link->Transact(QStringLiteral("L001")));
    QCOMPARE(m_link->LastError(), 1);
    QVERIFY(m_link->LastReply().isEmpty());
    QVERIFY(m_fixture.sim->start());
    QVERIFY(m_link->Transact(QStringLiteral("L001")));
    QCOMPARE(m_link->LastError(), 0);
}

void TestTSerial::logCreatedThenAppended()
{
    m_link->setReplyTimeout(50ms);
    m_fixture.sim->injectNoReply();
    QVERIFY(!QFile::exists(m_fixture.logPath()));
    QVERIFY(!m_link->SendLightCommand(1, 1));
    const QStringList first = logLines(m_fixture.logPath());
    const QString rule(56, QLatin1Char('-'));
    const QRegularExpression stamp(QStringLiteral("^\\d{2}/\\d{2}/\\d{4} \\d{2}:\\d{2}:\\d{2}$"));
    QCOMPARE(first.size(), 5 + 5 + 1); // header, one entry, the end of the last line
    QCOMPARE(first[0], rule);
    QCOMPARE(first[1], QStringLiteral("Cornix - Módulo de comunicação com hardware"));
    QVERIFY(first[2].startsWith(QStringLiteral("Criacao em : ")));
    QVERIFY(stamp.match(first[2].mid(13)).hasMatch());
    QCOMPARE(first[3], rule);
    QCOMPARE(first[4], QString());
    QVERIFY(stamp.match(first[5]).hasMatch());
    QCOMPARE(first[6], QStringLiteral("Enviado     : \"L001\""));
    QCOMPARE(first[7], QStringLiteral("Recebido    : \"\""));
    QCOMPARE(first[8], QStringLiteral("Codigo Erro : 4  (HARDWARE_NAO_RESPONDE) -> 0"));
    QCOMPARE(first[9], QString());

    m_fixture.sim->injectErrorCode(16, 5);
    m_link->setReplyTimeout(LinkFixture::kReplyBound);
    QVERIFY(!m_link->SendLightCommand(7, 1));
    const QStringList second = logLines(m_fixture.logPath());
    QCOMPARE(second.size(), first.size() + 5);
    QCOMPARE(second.mid(0, 10), first.mid(0, 10));
    QVERIFY(stamp.match(second[10]).hasMatch());
    QCOMPARE(second[11], QStringLiteral("Enviado     : \"C001\""));
    QCOMPARE(second[12], QStringLiteral("Recebido    : \"R016005\""));
    QCOMPARE(second[13], QStringLiteral("Codigo Erro : 16  (16) -> 5"));
    QCOMPARE(second[14], QString());
}

void TestTSerial::logFileError()
{
    m_link->setLogFileName(m_fixture.dir.path() + QStringLiteral("/no/such/folder/Hardware.Log"));
    m_fixture.sim->injectErrorCode(7, 0);
    QVERIFY(!m_link->SendLightCommand(1, 1));
    QCOMPARE(m_dialogs->shown().size(), 2);
    QCOMPARE(m_dialogs->shown().at(0).text, QStringLiteral("Erro em manipulacao de arquivo"));
    QVERIFY(m_dialogs->shown().at(1).text.startsWith(QStringLiteral("ERRO DE RECEPÇÃO DE DADOS!")));
}

void TestTSerial::logInCurrentFolder()
{
    m_link.reset();
    TSerial link;
    QCOMPARE(link.logFileName(), QStringLiteral("Hardware.Log"));
    QFile::remove(QStringLiteral("Hardware.Log"));
    QVERIFY(link.OpenLink(m_fixture.settingsPath()));
    m_fixture.sim->injectErrorCode(8, 0);
    QVERIFY(!link.SendLightCommand(1, 1));
    QVERIFY(QFile::exists(m_workDir.path() + QStringLiteral("/Hardware.Log")));
    QVERIFY(QFile::remove(QStringLiteral("Hardware.Log")));
}

QTEST_GUILESS_MAIN(TestTSerial)
#include "tst_ubcom.moc"
