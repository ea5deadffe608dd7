#include "Dialogs.h"

#include <cstdio>

namespace cornix {

namespace {

class ConsoleDialogs final : public Dialogs {
public:
    DialogButton show(const DialogRequest &request) override
    {
        std::fprintf(stderr, "[%s] %s\n", qUtf8Printable(request.caption), qUtf8Printable(request.text));
        for (auto negative : {DialogButton::No, DialogButton::Cancel, DialogButton::Ok})
            if (request.buttons.testFlag(negative))
                return negative;
        return DialogButton::None;
    }
};

Dialogs *g_installed = nullptr;

DialogButton ask(DialogKind kind, const QString &caption, const QString &text, DialogButtons buttons)
{
    return Dialogs::current().show(DialogRequest{kind, caption, text, buttons});
}

} // namespace

Dialogs &Dialogs::current()
{
    static ConsoleDialogs console;
    return g_installed ? *g_installed : console;
}

void Dialogs::install(Dialogs *dialogs) { g_installed = dialogs; }

void ShowWarning(const QString &text, const QString &caption)
{
    ask(DialogKind::Warning, caption, text, DialogButton::Ok);
}

void ShowError(const QString &text, const QString &caption)
{
    ask(DialogKind::Error, caption, text, DialogButton::Ok);
}

void ShowInformation(const QString &text, const QString &caption)
{
    ask(DialogKind::Information, caption, text, DialogButton::Ok);
}

bool AskYesNo(const QString &text, const QString &caption)
{
    return ask(DialogKind::Question, caption, text, DialogButton::Yes | DialogButton::No) == DialogButton::Yes;
}

bool AskOkCancel(const QString &text, const QString &caption)
{
    return ask(DialogKind::Warning, caption, text, DialogButton::Ok | DialogButton::Cancel) == DialogButton::Ok;
}

void ShowUnrecoverable(const QString &classAndOperation)
{
    ShowError(QStringLiteral("Erro irrecuperável em '%1'").arg(classAndOperation));
}

} // namespace cornix
