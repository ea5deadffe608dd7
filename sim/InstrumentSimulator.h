#pragma once
// The instrument's side of the serial link, for tests and demonstrations. Opens a
// pseudo-terminal, answers each NUL-terminated scrambled command as the
// controller does (status "R" + code + parameter, or the version text ending in
// "<F>"), scrambles every reply with a fresh key, and sends joystick
// notifications. Faults can be injected. Runs its own thread: the host's blocking
// reads must have somebody on the other side. Plain C++ and POSIX.
#include "SerialScrambler.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace cornix {

class InstrumentSimulator {
public:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;

    enum class Fault {
        None,
        ErrorCode,  // status with the given code and parameter
        NoReply,    // silence
        Garbled,    // bytes that do not read as a reply
        Slow,       // the right reply, after a delay
        LongReply,  // the right status followed by extra characters
        ReplyText,  // the given plain text, scrambled
        RawReply,   // the given bytes as they stand
    };

    struct Options {
        // Where to publish the pseudo-terminal as a symbolic link (optional).
        std::string linkPath;
        std::uint32_t seed = 0x5eed;
        // The version data before "<F>".
        std::string versionPayload = DefaultVersionPayload();
    };

    InstrumentSimulator();
    explicit InstrumentSimulator(Options options);
    ~InstrumentSimulator();
    InstrumentSimulator(const InstrumentSimulator &) = delete;
    InstrumentSimulator &operator=(const InstrumentSimulator &) = delete;

    // Opens the pseudo-terminal and starts answering. False with a reason on failure.
    bool start(std::string *error = nullptr);
    void stop();
    bool running() const { return m_thread.joinable(); }

    // The terminal the host opens: the symbolic link when one was asked for.
    std::string portPath() const;
    const std::string &slavePath() const { return m_slavePath; }

    // Behaviour; thread-safe, applies to every command until changed.
    void setVersionPayload(std::string payload);
    void injectErrorCode(int code, int param);
    void injectNoReply();
    void injectGarbledReply();
    void injectSlowReply(Milliseconds delay);
    void injectLongReply(std::string extra = "XYZ");
    void injectReplyText(std::string plain);
    void injectRawReply(std::string bytes);
    void clearFaults();

    // Joystick: notifications wait while a command is being answered.
    void pressButton();
    void releaseButton();
    void holdButton(Milliseconds duration);

    // What the host sent, unscrambled and on the wire (without the NUL).
    std::vector<std::string> commands() const;
    std::vector<std::string> wireCommands() const;
    std::size_t commandCount() const;
    std::size_t notificationsSent() const { return m_notificationsSent.load(); }
    // Blocks until `count` commands have arrived or the time passes.
    bool waitForCommands(std::size_t count, Milliseconds timeout) const;
    // Replies written to the terminal so far (empty and late ones included), and a
    // wait for them: once written, a reply is on the host's side of the terminal.
    std::size_t repliesSent() const { return m_repliesSent.load(); }
    bool waitForReplies(std::size_t count, Milliseconds timeout) const;

    // The status the controller gives for a plain command ("R000000", "R005000"),
    // or the version data for "V000".
    std::string normalReply(const std::string &plain) const;

    static std::string DefaultVersionPayload(); // "01.00 " + today as dd/mm/yyyy

private:
    struct Behaviour {
        Fault fault = Fault::None;
        int code = 0;
        int param = 0;
        Milliseconds delay{0};
        std::string text;
    };
    struct Outgoing {
        Clock::time_point due;
        std::string bytes;
    };

    void setBehaviour(Behaviour behaviour);
    void run();
    int pollTimeoutMs() const;
    void readInput();
    void answer(const std::string &wire);
    std::optional<std::string> replyBytes(const std::string &plain);
    std::string scrambled(const std::string &plain);
    std::string garbledBytes();
    void queueNotification(char letter, Clock::time_point due);
    void sendDue();
    void writeAll(const std::string &bytes);
    void wake();
    void closeAll();

    Options m_options;
    std::string m_slavePath;
    int m_master = -1;
    int m_slave = -1;
    int m_wakePipe[2] = {-1, -1};
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    // Owned by the simulator thread.
    SerialScrambler m_scrambler;
    std::string m_input;
    Clock::time_point m_lastInput{};
    std::deque<Outgoing> m_replies;

    mutable std::mutex m_mutex;
    Behaviour m_behaviour;
    std::deque<Outgoing> m_notifications;
    std::vector<std::string> m_commands;
    std::vector<std::string> m_wireCommands;
    std::atomic<std::size_t> m_notificationsSent{0};
    std::atomic<std::size_t> m_repliesSent{0};
};

} // namespace cornix
