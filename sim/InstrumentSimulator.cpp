#include "InstrumentSimulator.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace cornix {

namespace {

std::string statusText(int code, int param)
{
    char text[32];
    std::snprintf(text, sizeof text, "R%03d%03d", code, param);
    return text;
}

bool isSymlink(const std::string &path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

} // namespace

std::string InstrumentSimulator::DefaultVersionPayload()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char date[16];
    std::strftime(date, sizeof date, "%d/%m/%Y", &local);
    return std::string("01.00 ") + date;
}

InstrumentSimulator::InstrumentSimulator() : InstrumentSimulator(Options{}) {}

InstrumentSimulator::InstrumentSimulator(Options options)
    : m_options(std::move(options)), m_scrambler(m_options.seed)
{
}

InstrumentSimulator::~InstrumentSimulator() { stop(); }

bool InstrumentSimulator::start(std::string *error)
{
    auto fail = [&](const std::string &what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        closeAll();
        return false;
    };
    if (running())
        return true;
    // Raw mode on our side; the slave stays open here too, else reads on the
    // master fail with EIO whenever the host has the port closed.
    termios raw {};
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B19200);
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        return fail("openpty");
    m_slavePath = name;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (::pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail("pipe");
    if (!m_options.linkPath.empty()) {
        if (isSymlink(m_options.linkPath))
            ::unlink(m_options.linkPath.c_str());
        if (::symlink(m_slavePath.c_str(), m_options.linkPath.c_str()) != 0)
            return fail("symlink " + m_options.linkPath);
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void InstrumentSimulator::stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        wake();
        m_thread.join();
    }
    if (!m_options.linkPath.empty() && isSymlink(m_options.linkPath)) {
        char target[256] = {};
        const auto length = ::readlink(m_options.linkPath.c_str(), target, sizeof target - 1);
        if (length > 0 && m_slavePath == std::string(target, std::size_t(length)))
            ::unlink(m_options.linkPath.c_str());
    }
    closeAll();
}

void InstrumentSimulator::closeAll()
{
    for (int *fd : {&m_master, &m_slave, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

std::string InstrumentSimulator::portPath() const
{
    return m_options.linkPath.empty() ? m_slavePath : m_options.linkPath;
}

// --- behaviour ---------------------------------------------------------------

void InstrumentSimulator::setBehaviour(Behaviour behaviour)
{
    std::lock_guard lock(m_mutex);
    m_behaviour = std::move(behaviour);
}

void InstrumentSimulator::setVersionPayload(std::string payload)
{
    std::lock_guard lock(m_mutex);
    m_options.versionPayload = std::move(payload);
}

void InstrumentSimulator::injectErrorCode(int code, int param)
{
    setBehaviour({Fault::ErrorCode, code, param, {}, {}});
}
void InstrumentSimulator::injectNoReply() { setBehaviour({Fault::NoReply, 0, 0, {}, {}}); }
void InstrumentSimulator::injectGarbledReply() { setBehaviour({Fault::Garbled, 0, 0, {}, {}}); }
void InstrumentSimulator::injectSlowReply(Milliseconds delay) { setBehaviour({Fault::Slow, 0, 0, delay, {}}); }
void InstrumentSimulator::injectLongReply(std::string extra)
{
    setBehaviour({Fault::LongReply, 0, 0, {}, std::move(extra)});
}
void InstrumentSimulator::injectReplyText(std::string plain)
{
    setBehaviour({Fault::ReplyText, 0, 0, {}, std::move(plain)});
}
void InstrumentSimulator::injectRawReply(std::string bytes)
{
    setBehaviour({Fault::RawReply, 0, 0, {}, std::move(bytes)});
}
void InstrumentSimulator::clearFaults() { setBehaviour({}); }

void InstrumentSimulator::pressButton() { queueNotification('J', Clock::now()); }
void InstrumentSimulator::releaseButton() { queueNotification('K', Clock::now()); }
void InstrumentSimulator::holdButton(Milliseconds duration)
{
    const auto now = Clock::now();
    queueNotification('J', now);
    queueNotification('K', now + duration);
}

void InstrumentSimulator::queueNotification(char letter, Clock::time_point due)
{
    {
        std::lock_guard lock(m_mutex);
        // Scrambled on the simulator thread, which owns the random generator.
        m_notifications.push_back({due, std::string(1, letter)});
        std::stable_sort(m_notifications.begin(), m_notifications.end(),
                         [](const Outgoing &a, const Outgoing &b) { return a.due < b.due; });
    }
    wake();
}

std::vector<std::string> InstrumentSimulator::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::vector<std::string> InstrumentSimulator::wireCommands() const
{
    std::lock_guard lock(m_mutex);
    return m_wireCommands;
}

std::size_t InstrumentSimulator::commandCount() const
{
    std::lock_guard lock(m_mutex);
    return m_commands.size();
}

bool InstrumentSimulator::waitForCommands(std::size_t count, Milliseconds timeout) const
{
    const auto deadline = Clock::now() + timeout;
    while (commandCount() < count) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(Milliseconds(1));
    }
    return true;
}

bool InstrumentSimulator::waitForReplies(std::size_t count, Milliseconds timeout) const
{
    const auto deadline = Clock::now() + timeout;
    while (repliesSent() < count) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(Milliseconds(1));
    }
    return true;
}

// --- answering ---------------------------------------------------------------

std::string InstrumentSimulator::normalReply(const std::string &plain) const
{
    const bool known = plain == "C001" || plain == "I001" || plain == "S000"
                       || (plain.size() == 4 && plain.compare(0, 3, "L00") == 0 && plain[3] >= '1' && plain[3] <= '6');
    if (plain == "V000") {
        std::lock_guard lock(m_mutex);
        return m_options.versionPayload + "<F>";
    }
    return known ? statusText(0, 0) : statusText(5, 0);
}

std::string InstrumentSimulator::scrambled(const std::string &plain)
{
    return plain.empty() ? std::string() : m_scrambler.scramble(plain).wire;
}

// Random bytes that neither read as a status nor start like a notification.
std::string InstrumentSimulator::garbledBytes()
{
    std::uniform_int_distribution<int> length(3, 20), byte(0, 255);
    std::mt19937 random(m_options.seed + static_cast<std::uint32_t>(m_commands.size()));
    for (;;) {
        std::string bytes(std::size_t(length(random)), '\0');
        for (char &c : bytes)
            c = static_cast<char>(byte(random));
        const std::string plain = SerialScrambler::unscramble(bytes);
        const std::string head = SerialScrambler::unscramble(bytes.substr(0, 2));
        if (head != "J" && head != "K" && (plain.empty() || plain[0] != 'R'))
            return bytes;
    }
}

std::optional<std::string> InstrumentSimulator::replyBytes(const std::string &plain)
{
    Behaviour behaviour;
    {
        std::lock_guard lock(m_mutex);
        behaviour = m_behaviour;
    }
    switch (behaviour.fault) {
    case Fault::NoReply:
        return std::nullopt;
    case Fault::ErrorCode:
        return scrambled(statusText(behaviour.code, behaviour.param));
    case Fault::Garbled:
        return garbledBytes();
    case Fault::LongReply:
        return scrambled(normalReply(plain) + behaviour.text);
    case Fault::ReplyText:
        return scrambled(behaviour.text);
    case Fault::RawReply:
        return behaviour.text;
    case Fault::None:
    case Fault::Slow:
        break;
    }
    return scrambled(normalReply(plain));
}

void InstrumentSimulator::answer(const std::string &wire)
{
    const std::string plain = SerialScrambler::unscramble(wire);
    Milliseconds delay{0};
    {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(plain);
        m_wireCommands.push_back(wire);
        if (m_behaviour.fault == Fault::Slow)
            delay = m_behaviour.delay;
    }
    if (auto bytes = replyBytes(plain))
        m_replies.push_back({Clock::now() + delay, std::move(*bytes)});
}

void InstrumentSimulator::readInput()
{
    char buffer[512];
    for (;;) {
        const auto count = ::read(m_master, buffer, sizeof buffer);
        if (count <= 0)
            break;
        m_input.append(buffer, std::size_t(count));
        m_lastInput = Clock::now();
    }
    std::size_t end;
    while ((end = m_input.find('\0')) != std::string::npos) {
        answer(m_input.substr(0, end));
        m_input.erase(0, end + 1);
    }
}

void InstrumentSimulator::writeAll(const std::string &bytes)
{
    std::size_t written = 0;
    while (written < bytes.size() && !m_stop) {
        const auto count = ::write(m_master, bytes.data() + written, bytes.size() - written);
        if (count > 0)
            written += std::size_t(count);
        else if (errno == EAGAIN || errno == EINTR)
            std::this_thread::sleep_for(Milliseconds(1));
        else
            return;
    }
}

// Replies first; a notification goes out only when no command is half-read or
// waiting for its reply, as the controller answers one thing at a time.
void InstrumentSimulator::sendDue()
{
    const auto now = Clock::now();
    while (!m_replies.empty() && m_replies.front().due <= now) {
        writeAll(m_replies.front().bytes);
        m_replies.pop_front();
        ++m_repliesSent;
    }
    // A fragment without its NUL that has sat for a while is noise, not a command.
    if (!m_input.empty() && now - m_lastInput > Milliseconds(200))
        m_input.clear();
    if (!m_replies.empty() || !m_input.empty())
        return;
    for (;;) {
        std::string letter;
        {
            std::lock_guard lock(m_mutex);
            if (m_notifications.empty() || m_notifications.front().due > now)
                return;
            letter = m_notifications.front().bytes;
            m_notifications.pop_front();
        }
        writeAll(scrambled(letter));
        ++m_notificationsSent;
    }
}

int InstrumentSimulator::pollTimeoutMs() const
{
    std::optional<Clock::time_point> next;
    if (!m_replies.empty())
        next = m_replies.front().due;
    {
        std::lock_guard lock(m_mutex);
        if (!m_notifications.empty() && (!next || m_notifications.front().due < *next))
            next = m_notifications.front().due;
    }
    if (!next)
        return 1000;
    const auto left = std::chrono::duration_cast<Milliseconds>(*next - Clock::now()).count();
    // Notifications held back by a half-read command must not make this loop spin.
    const long long least = m_input.empty() ? 0 : 5;
    return int(std::clamp<long long>(left + 1, least, 1000));
}

void InstrumentSimulator::wake()
{
    if (m_wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto ignored = ::write(m_wakePipe[1], &byte, 1);
    }
}

void InstrumentSimulator::run()
{
    while (!m_stop) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        ::poll(fds, 2, pollTimeoutMs());
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(m_wakePipe[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN)
            readInput();
        else if (fds[0].revents & (POLLHUP | POLLERR))
            std::this_thread::sleep_for(Milliseconds(1));
        sendDue();
    }
}

} // namespace cornix
