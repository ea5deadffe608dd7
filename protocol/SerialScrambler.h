#pragma once
// The per-message scrambling of the instrument's serial link, shared by the
// host side (TSerial) and the instrument simulator. Plain C++: characters are
// bytes, texts are std::string.
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace cornix {

struct ScrambleResult {
    bool ok = false;
    std::string wire;
    // On failure: the byte that could not be scrambled (-1 when the text was empty).
    int failedCharacter = -1;
};

class SerialScrambler {
public:
    // Plain and scrambled characters lie in "0".."z".
    static constexpr unsigned char kLowest = '0';
    static constexpr unsigned char kHighest = 'z';
    // Draws allowed for one key before giving up on a character.
    static constexpr int kMaxKeyAttempts = 5000;

    explicit SerialScrambler(std::uint32_t seed);
    void seed(std::uint32_t value) { m_random.seed(value); }

    // Key character, then one scrambled character per plain one; a character
    // whose XOR with the running key leaves the range is sent as a marker
    // (" ".."/"), a fresh key and the scrambled character.
    ScrambleResult scramble(std::string_view plain);
    // Never reads outside `wire`; an empty or key-only text gives an empty result.
    static std::string unscramble(std::string_view wire);

    // How many leading bytes of `wire` unscramble to `plainCount` characters;
    // std::string_view::npos when the whole text gives fewer.
    static std::size_t wireLengthFor(std::string_view wire, std::size_t plainCount);

    static bool inRange(unsigned value) { return value >= kLowest && value <= kHighest; }

private:
    int draw(int bound); // 0 .. bound-1
    bool pickFirstKey(unsigned char first, unsigned char &key);

    std::mt19937 m_random;
};

} // namespace cornix
