#pragma once
// The values accepted for the settings that feed arithmetic. The reader refuses a
// value outside its range at start; the dialogs that write these keys check the
// same table before writing, so that what they store always loads again.
#include <QString>

#include <array>
#include <optional>
#include <string_view>

struct TSettingsRange {
    std::string_view section;
    std::string_view key;
    double low;  // included
    double high; // included
    bool Contains(double value) const { return value >= low && value <= high; } // false for NaN
};

// | key                         | accepted         | why                                                      |
// |-----------------------------|------------------|----------------------------------------------------------|
// | CAPTURE/maxFrames           | 1 .. 300         | frames kept in memory, 640 x 480 x 3 bytes each          |
// | AUTOCAPTURE/average         | 0 .. 255         | mean grey level of a frame                               |
// | AUTOCAPTURE/sd              | 0 .. 255         | standard deviation of the grey levels                    |
// | AUTOCAPTURE/tolerance       | 0 .. 1           | share of the mean and deviation allowed (0 % .. 100 %)   |
// | IMAGEPROCESSING/FIRlen      | 0 .. 640         | columns of the minimum smoothing (0 = no minimum)        |
// | IMAGEPROCESSING/minBlack    | -255 .. 255      | grey offset before the 0..255 clamp                      |
// | IMAGEPROCESSING/alpha0      | 0 .. 255         | grey of the darkest pixel after the stretch              |
// | IMAGEPROCESSING/beta0       | 0 .. 255         | grey of the brightest pixel after the stretch            |
// | IMAGEPROCESSING/largMin     | 1 .. 255         | narrowest column range stretched fully (a divisor)       |
// | IMAGEPROCESSING/perc        | -1 .. 1          | contrast curve strength; beyond 1 the curve turns over   |
// | METRICS/pixelToMM           | 0.0005 .. 0.01   | mm per pixel: a field of 0.32 mm .. 6.4 mm across        |
// | METRICS/pixelToPaq          | 0.1 .. 100       | µm per pixel of pachymetry; 640 px x 100 stays in 16 bits|
inline constexpr std::array<TSettingsRange, 12> kSettingsRanges{{
    {"CAPTURE", "maxFrames", 1, 300},
    {"AUTOCAPTURE", "average", 0, 255},
    {"AUTOCAPTURE", "sd", 0, 255},
    {"AUTOCAPTURE", "tolerance", 0, 1},
    {"IMAGEPROCESSING", "FIRlen", 0, 640},
    {"IMAGEPROCESSING", "minBlack", -255, 255},
    {"IMAGEPROCESSING", "alpha0", 0, 255},
    {"IMAGEPROCESSING", "beta0", 0, 255},
    {"IMAGEPROCESSING", "largMin", 1, 255},
    {"IMAGEPROCESSING", "perc", -1, 1},
    {"METRICS", "pixelToMM", 0.0005, 0.01},
    {"METRICS", "pixelToPaq", 0.1, 100},
}};

// The range of section/key, or nothing for a key without one.
constexpr std::optional<TSettingsRange> SettingsRangeOf(std::string_view section, std::string_view key)
{
    for (const TSettingsRange &range : kSettingsRanges)
        if (range.section == section && range.key == key)
            return range;
    return std::nullopt;
}
// The range of a key of the table above; a key not in it is a programming error.
TSettingsRange SettingsRange(std::string_view section, std::string_view key);

// "de 1 a 300", "de 0,0005 a 0,01": the bounds written with the decimal separator in force.
QString SettingsRangeText(const TSettingsRange &range);
