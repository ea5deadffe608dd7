#include "SerialScrambler.h"

namespace cornix {

SerialScrambler::SerialScrambler(std::uint32_t seed) : m_random(seed) {}

int SerialScrambler::draw(int bound)
{
    return std::uniform_int_distribution<int>(0, bound - 1)(m_random);
}

// The first key must itself be a range character below "z" and must scramble the
// first character into the range. Bounded: a byte above 127 has no such key.
bool SerialScrambler::pickFirstKey(unsigned char first, unsigned char &key)
{
    for (int attempt = 0; attempt < kMaxKeyAttempts; ++attempt) {
        const auto candidate = static_cast<unsigned char>(draw(255));
        if (candidate >= kLowest && candidate < kHighest && inRange(first ^ candidate)) {
            key = candidate;
            return true;
        }
    }
    return false;
}

ScrambleResult SerialScrambler::scramble(std::string_view plain)
{
    ScrambleResult result;
    if (plain.empty())
        return result;
    unsigned char key = 0;
    if (!pickFirstKey(static_cast<unsigned char>(plain.front()), key)) {
        result.failedCharacter = static_cast<unsigned char>(plain.front());
        return result;
    }
    result.wire.reserve(plain.size() * 3 + 1);
    result.wire.push_back(static_cast<char>(key));
    for (const char c : plain) {
        const auto character = static_cast<unsigned char>(c);
        bool rekeyed = false;
        int attempts = 0;
        unsigned char scrambled = character ^ key;
        while (!inRange(scrambled)) {
            if (++attempts >= kMaxKeyAttempts) {
                result.wire.clear();
                result.failedCharacter = character;
                return result;
            }
            rekeyed = true;
            key = static_cast<unsigned char>(kLowest + draw(78));
            scrambled = character ^ key;
        }
        if (rekeyed) {
            result.wire.push_back(static_cast<char>(' ' + draw(16)));
            result.wire.push_back(static_cast<char>(key));
        }
        result.wire.push_back(static_cast<char>(scrambled));
        ++key; // wraps at 8 bits
    }
    result.ok = true;
    return result;
}

namespace {

// Walks `wire` as the receiver does; `emit` gets each plain character and the
// index of the byte that produced it, and returns false to stop.
template <typename Emit>
void walk(std::string_view wire, Emit emit)
{
    if (wire.empty())
        return;
    auto key = static_cast<unsigned char>(wire.front());
    for (std::size_t i = 1; i < wire.size(); ++i) {
        const auto character = static_cast<unsigned char>(wire[i]);
        if (character < SerialScrambler::kLowest) {
            // A marker: the next character is the new key (NUL when none follows).
            key = i + 1 < wire.size() ? static_cast<unsigned char>(wire[i + 1]) : 0;
        } else if (character == key) {
            continue; // the key character that follows a marker
        } else {
            if (!emit(static_cast<char>(character ^ key), i))
                return;
            ++key;
        }
    }
}

} // namespace

std::string SerialScrambler::unscramble(std::string_view wire)
{
    std::string plain;
    walk(wire, [&](char c, std::size_t) {
        plain.push_back(c);
        return true;
    });
    return plain;
}

std::size_t SerialScrambler::wireLengthFor(std::string_view wire, std::size_t plainCount)
{
    if (plainCount == 0)
        return wire.empty() ? 0 : 1;
    std::size_t produced = 0, end = std::string_view::npos;
    walk(wire, [&](char, std::size_t index) {
        if (++produced < plainCount)
            return true;
        end = index + 1;
        return false;
    });
    return end;
}

} // namespace cornix
