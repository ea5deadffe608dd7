#pragma once
// The dialog seam: every message box and question of the program goes through
// Dialogs::current(). The program installs a message-box implementation; tests
// install RecordingDialogs and script the answers.
#include <QFlags>
#include <QString>

namespace cornix {

enum class DialogKind { Information, Warning, Error, Question };

enum class DialogButton : unsigned { None = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };
Q_DECLARE_FLAGS(DialogButtons, DialogButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(DialogButtons)

struct DialogRequest {
    DialogKind kind = DialogKind::Information;
    QString caption;
    QString text;
    DialogButtons buttons = DialogButton::Ok;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the dialog modally and returns the button pressed.
    virtual DialogButton show(const DialogRequest &request) = 0;

    // The implementation in force; without one installed, messages go to stderr
    // and questions are answered with their negative button.
    static Dialogs &current();
    // Does not take ownership; pass nullptr to go back to the default.
    static void install(Dialogs *dialogs);
};

// Captions used across the program.
inline QString warningCaption() { return QStringLiteral("AVISO"); }
inline QString errorCaption() { return QStringLiteral("ERRO"); }
inline QString questionCaption() { return QStringLiteral("Aviso"); }

void ShowWarning(const QString &text, const QString &caption = warningCaption());
void ShowError(const QString &text, const QString &caption = errorCaption());
void ShowInformation(const QString &text, const QString &caption);
// True only when the user answers Yes.
bool AskYesNo(const QString &text, const QString &caption = questionCaption());
// True only when the user answers OK.
bool AskOkCancel(const QString &text, const QString &caption = warningCaption());
// "Erro irrecuperável em 'Class.Operation'" with the caption "ERRO".
void ShowUnrecoverable(const QString &classAndOperation);

} // namespace cornix
