#include "SerialReply.h"

#include "Numbers.h"
#include "SerialScrambler.h"

namespace cornix {

namespace {

constexpr std::size_t kStatusLength = 7;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::optional<int> toInt(std::string_view text)
{
    try {
        return StrToInt(text);
    } catch (const EConvertError &) {
        return std::nullopt;
    }
}

// The letter of a two-byte notification, or 0.
char notificationLetter(std::string_view pair)
{
    const std::string letter = SerialScrambler::unscramble(pair);
    if (letter.size() == 1 && (letter[0] == kJoystickPressed || letter[0] == kJoystickReleased))
        return letter[0];
    return 0;
}

} // namespace

bool IsDataRequest(std::string_view command)
{
    const auto head = command.substr(0, 4);
    return head == "E000" || head == "V000";
}

bool ReplyComplete(std::string_view command, std::string_view unscrambledReply)
{
    if (!IsDataRequest(command) && unscrambledReply.size() == kStatusLength)
        return true;
    return unscrambledReply.find("<B>") != std::string_view::npos
           || unscrambledReply.find("<F>") != std::string_view::npos;
}

ReplyVerdict JudgeReply(std::string_view command, std::string_view reply)
{
    ReplyVerdict verdict;
    if (startsWith(command, "E000") || command == "V000") {
        verdict.success = true;
        return verdict;
    }
    verdict.error = 2;
    if (!startsWith(reply, "R") || reply.size() < kStatusLength)
        return verdict;
    const auto code = toInt(reply.substr(1, 3));
    const auto param = toInt(reply.substr(4, 3));
    if (!code || !param) {
        verdict.reportUncorrected = reply.size() > kStatusLength;
        return verdict;
    }
    verdict.error = *code;
    verdict.param = *param;
    verdict.success = *code == 0;
    return verdict;
}

void TakeNotifications(std::string &buffer, std::string &letters)
{
    std::size_t used = 0;
    while (buffer.size() - used >= 2) {
        if (const char letter = notificationLetter(std::string_view(buffer).substr(used, 2))) {
            letters.push_back(letter);
            used += 2;
        } else {
            used += 1;
        }
    }
    buffer.erase(0, used);
}

void TakeLeadingNotifications(std::string &buffer, std::string &letters)
{
    std::size_t used = 0;
    while (buffer.size() - used >= 2) {
        const char letter = notificationLetter(std::string_view(buffer).substr(used, 2));
        if (!letter)
            break;
        letters.push_back(letter);
        used += 2;
    }
    buffer.erase(0, used);
}

bool TakeTrailingNotifications(std::string &raw, std::string &letters)
{
    const std::size_t end = SerialScrambler::wireLengthFor(raw, kStatusLength);
    if (end == std::string::npos || end == raw.size())
        return false;
    std::string rest = raw.substr(end);
    std::string found;
    TakeLeadingNotifications(rest, found);
    if (!rest.empty())
        return false;
    raw.resize(end);
    letters += found;
    return true;
}

} // namespace cornix
