#include "MessageBoxDialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace cornix {

namespace {

QMessageBox::Icon iconFor(DialogKind kind)
{
    switch (kind) {
    case DialogKind::Information: return QMessageBox::Information;
    case DialogKind::Warning: return QMessageBox::Warning;
    case DialogKind::Error: return QMessageBox::Critical;
    case DialogKind::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

struct ButtonPair {
    DialogButton ours;
    QMessageBox::StandardButton theirs;
};

constexpr ButtonPair kButtons[] = {
    {DialogButton::Yes, QMessageBox::Yes},
    {DialogButton::No, QMessageBox::No},
    {DialogButton::Ok, QMessageBox::Ok},
    {DialogButton::Cancel, QMessageBox::Cancel},
};

} // namespace

DialogButton MessageBoxDialogs::show(const DialogRequest &request)
{
    QMessageBox box(iconFor(request.kind), request.caption, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    for (const auto &pair : kButtons)
        if (request.buttons.testFlag(pair.ours))
            box.addButton(pair.theirs);
    const int pressed = box.exec();
    for (const auto &pair : kButtons)
        if (pressed == pair.theirs)
            return pair.ours;
    return DialogButton::None;
}

} // namespace cornix
