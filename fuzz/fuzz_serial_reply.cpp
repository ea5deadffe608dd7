// The host's reading of what the instrument sends. Input: the command, a newline,
// then the wire bytes of the reply (scrambled, notifications included).
#include "FuzzSupport.h"
#include "SerialReply.h"
#include "SerialScrambler.h"

#include <cstddef>
#include <cstdint>
#include <string>

using cornix::SerialScrambler;
using cornix::fuzz::Require;

namespace {

bool onlyNotificationLetters(const std::string &letters)
{
    return letters.find_first_not_of("JK") == std::string::npos;
}

void checkWireLength(std::string_view wire, const std::string &plain)
{
    for (const std::size_t count : {std::size_t(0), std::size_t(1), plain.size() / 2, plain.size()}) {
        if (count > plain.size())
            continue;
        const std::size_t end = SerialScrambler::wireLengthFor(wire, count);
        Require(end != std::string_view::npos && end <= wire.size(), "wireLengthFor inside the wire");
        Require(SerialScrambler::unscramble(wire.substr(0, end)) == plain.substr(0, count),
                "the wire's first wireLengthFor bytes unscramble to the first characters");
    }
    Require(SerialScrambler::wireLengthFor(wire, plain.size() + 1) == std::string_view::npos,
            "wireLengthFor beyond the text is npos");
}

void checkNotifications(std::string_view wire)
{
    std::string buffer(wire), letters;
    cornix::TakeNotifications(buffer, letters);
    Require(buffer.size() <= 1, "TakeNotifications leaves at most one byte");
    Require(onlyNotificationLetters(letters), "TakeNotifications gives J and K only");

    std::string leading(wire), leadingLetters;
    cornix::TakeLeadingNotifications(leading, leadingLetters);
    Require(leading.size() + 2 * leadingLetters.size() == wire.size(), "two bytes per leading notification");
    Require(onlyNotificationLetters(leadingLetters), "TakeLeadingNotifications gives J and K only");
}

void checkTrailing(std::string_view command, std::string_view wire)
{
    std::string raw(wire), letters;
    if (!cornix::TakeTrailingNotifications(raw, letters))
        return;
    Require(raw.size() < wire.size() && wire.substr(0, raw.size()) == raw, "trailing notifications cut off the end");
    Require(SerialScrambler::unscramble(raw).size() == 7, "a whole seven-character status stays");
    Require(onlyNotificationLetters(letters), "trailing notifications are J and K");
    Require(cornix::ReplyComplete(command, SerialScrambler::unscramble(raw)) || cornix::IsDataRequest(command),
            "the status left is complete");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto [command, wire] = cornix::fuzz::SplitAtNewline({reinterpret_cast<const char *>(data), size});
    const std::string plain = SerialScrambler::unscramble(wire);
    checkWireLength(wire, plain);
    (void)cornix::ReplyComplete(command, plain);
    if (!plain.empty()) {
        const cornix::ReplyVerdict verdict = cornix::JudgeReply(command, plain);
        if (verdict.param)
            Require(verdict.success == (verdict.error == 0), "a converted status succeeds on code 0 only");
        Require(!verdict.reportUncorrected || !verdict.success, "an uncorrected reply is no success");
    }
    checkNotifications(wire);
    checkTrailing(command, wire);
    return 0;
}
