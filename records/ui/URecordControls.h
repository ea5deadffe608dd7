#pragma once
// Reading and filling the edit panels of the record windows: plain edits, masked
// edits (a Qt input mask standing for the masks the windows describe), lists and memos
// all read and take their value as text.
#include <QString>

class QLineEdit;
class QWidget;

namespace cornix::records {

// How a masked edit hands its text over.
enum class MaskText {
    WithLiterals, // as shown, unfilled places as blanks ("01234-567", "  /  /    " reads empty)
    BareDigits,   // only what was typed, without the punctuation ("12345678901")
};

// Gives edit the Qt input mask and remembers how its text is read.
void SetMask(QLineEdit *edit, const QString &inputMask, MaskText text);

// The control's value: an edit's text (a masked one as SetMask said; empty when
// nothing was typed), a list's chosen item, a memo's whole text.
QString ControlText(const QWidget *control);
// Shows value in the control; a list shows a value it does not offer as an extra item,
// so that a stored value is never lost by saving the record again.
void SetControlText(QWidget *control, const QString &value);
// Empties an edit or memo; a list chooses nothing.
void ClearControl(QWidget *control);

} // namespace cornix::records
