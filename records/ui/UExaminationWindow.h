#pragma once
// The record windows open the examination window without knowing its class: they ask
// for it with a signal that the program answers, and find out whether one is open by
// its name, the way the main window does.
class QString;

namespace cornix::records {

// The objectName of the examination window.
QString ExaminationWindowName();
// A window named "frmExamination" is open (shown, and not closed since).
bool ExaminationWindowOpen();

// A plain message: the information box with the program's caption.
void ShowPlainMessage(const QString &text);

} // namespace cornix::records
