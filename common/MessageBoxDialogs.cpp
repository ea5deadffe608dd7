#include "MessageBoxDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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
    const char *caption; // the program speaks Portuguese whatever Qt's translations
};

constexpr ButtonPair kButtons[] = {
    {DialogButton::Yes, QMessageBox::Yes, "&Sim"},
    {DialogButton::No, QMessageBox::No, "&Não"},
    {DialogButton::Ok, QMessageBox::Ok, "OK"},
    {DialogButton::Cancel, QMessageBox::Cancel, "Cancelar"},
};

} // namespace

DialogButton MessageBoxDialogs::show(const DialogRequest &request)
{
    QMessageBox box(iconFor(request.kind), request.caption, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    for (const auto &pair : kButtons)
        if (request.buttons.testFlag(pair.ours))
            box.addButton(pair.theirs)->setText(QString::fromUtf8(pair.caption));
    const int pressed = box.exec();
    for (const auto &pair : kButtons)
        if (pressed == pair.theirs)
            return pair.ours;
    return DialogButton::None;
}

} // namespace cornix
