// The link's scrambling: whatever the scrambler says it sent must come back as it
// was. Input: four bytes of seed, then the plain text.
#include "FuzzSupport.h"
#include "SerialScrambler.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using cornix::SerialScrambler;
using cornix::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint32_t seed = 0;
    std::memcpy(&seed, data, sizeof seed);
    const std::string_view plain(reinterpret_cast<const char *>(data) + 4, size - 4);
    if (plain.find('\0') != std::string_view::npos)
        return 0; // NUL ends a command: the host never sends one
    SerialScrambler scrambler(seed);
    const cornix::ScrambleResult result = scrambler.scramble(plain);
    if (!result.ok) {
        Require(result.wire.empty(), "a failed scramble sends nothing");
        return 0;
    }
    Require(SerialScrambler::unscramble(result.wire) == plain, "unscramble(scramble(text)) == text");
    Require(SerialScrambler::wireLengthFor(result.wire, plain.size()) == result.wire.size(),
            "the whole wire carries the whole text");
    return 0;
}
