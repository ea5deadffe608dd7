#pragma once
// Small helpers shared by the fuzz targets.
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace cornix::fuzz {

// A broken property is a finding: say which and stop (libFuzzer keeps the input).
inline void Require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz: property broken: %s\n", what);
        std::abort();
    }
}

// The input up to the first newline, and what follows it.
struct TSplit {
    std::string_view Head, Rest;
};
inline TSplit SplitAtNewline(std::string_view input)
{
    const auto newline = input.find('\n');
    if (newline == std::string_view::npos)
        return {input, {}};
    return {input.substr(0, newline), input.substr(newline + 1)};
}

} // namespace cornix::fuzz
