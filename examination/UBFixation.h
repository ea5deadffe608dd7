#pragma once
// Eye and fixation of an examination: the seven fixation buttons laid out as a
// clock, the side (nasal or temporal) each clock position falls on for either eye,
// the command code that lights the target, and the texts the window shows.
#include <QColor>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace cornix::exam {

inline constexpr std::uint8_t kEyeOD = 0; // right eye
inline constexpr std::uint8_t kEyeOS = 1; // left eye

// One fixation button: objectName, hint, clock position, side on each eye and
// the code SendLightCommand takes (1..6 peripheral targets, 7 the central one).
struct TFixationButton {
    const char *name;
    const char *hint;
    std::uint16_t pos;
    const char *sideOD;
    const char *sideOS;
    int code;
};

inline constexpr std::array<TFixationButton, 7> kFixationButtons{{
    {"rb12h", "12h", 12, "", "", 1},
    {"rb2h", "2h", 2, "N", "T", 2},
    {"rb4h", "4h", 4, "N", "T", 3},
    {"rb6h", "6h", 6, "", "", 4},
    {"rb8h", "8h", 8, "T", "N", 5},
    {"rb10h", "10h", 10, "T", "N", 6},
    {"rb0h", "0h", 0, "", "", 7},
}};

// The clock position a button's name carries: the digits between "rb" and the
// final "h" ("rb10h" → 10). Nothing for a name that is not one of the seven buttons.
std::optional<std::uint16_t> FixPosOfButton(const QString &buttonName);
// The table's row of a clock position; null for a position no button has.
const TFixationButton *FixationButtonAt(std::uint16_t pos);
// "N", "T" or empty: the side the position falls on for the eye.
QString FixSideFor(std::uint16_t pos, std::uint8_t eye);

// "2h (N)" with a side, "0h" without.
QString FixationText(std::uint16_t pos, const QString &side);
// "Fixação : " + the fixation text.
QString FixationCaption(std::uint16_t pos, const QString &side);

// "Olho : OD" / "Olho : OS".
QString EyeCaption(std::uint8_t eye);

// The letters beside the fixation clock: which side of the picture is temporal
// (blue) and which nasal (red) for the eye.
struct TEyeSides {
    QString left;
    QColor leftColor;
    QString right;
    QColor rightColor;
};
TEyeSides EyeSides(std::uint8_t eye);

// Asked before an eye button discards the frames of the other eye.
QString DiscardOtherEyeQuestion(std::uint8_t newEye);
// Asked by "Outro olho" before a new examination of the other eye replaces this one.
QString NewExamOtherEyeQuestion(std::uint8_t newEye);

} // namespace cornix::exam
