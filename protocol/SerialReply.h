#pragma once
// How the host reads what the instrument sends: when a reply is complete, what a
// reply means, and the joystick notifications. Plain C++ so that it can be fed
// arbitrary bytes in tests.
#include <optional>
#include <string>
#include <string_view>

namespace cornix {

// "V000" and "E000..." ask for data ending in "<F>"; everything else gets a
// seven-character status "R" + code + parameter.
bool IsDataRequest(std::string_view command);

// True once the unscrambled text read so far holds the whole reply.
bool ReplyComplete(std::string_view command, std::string_view unscrambledReply);

struct ReplyVerdict {
    bool success = false;
    int error = 0;
    std::optional<int> param;   // set only by a status reply that converts
    bool reportUncorrected = false; // an unreadable status longer than seven characters
};

// The meaning of a non-empty unscrambled reply to `command`.
ReplyVerdict JudgeReply(std::string_view command, std::string_view reply);

// Joystick notifications: two wire bytes that unscramble to "J" (pressed) or "K" (released).
inline constexpr char kJoystickPressed = 'J';
inline constexpr char kJoystickReleased = 'K';

// Takes the notifications off the front of `buffer`, appending their letters to
// `letters`. A pair that is not a notification costs one byte (resynchronises);
// a lone trailing byte stays in the buffer for the next read.
void TakeNotifications(std::string &buffer, std::string &letters);

// Same, but stops at the first pair that is not a notification: peels
// notifications that arrived ahead of a reply off the reply's bytes.
void TakeLeadingNotifications(std::string &buffer, std::string &letters);

// For a status command: when `raw` holds a whole seven-character status followed
// only by whole notifications (a joystick press right after the reply), moves
// their letters to `letters`, cuts them off and returns true.
bool TakeTrailingNotifications(std::string &raw, std::string &letters);

} // namespace cornix
