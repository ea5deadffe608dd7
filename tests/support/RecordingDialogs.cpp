#include "RecordingDialogs.h"

#include <QStringList>

namespace cornix {

RecordingDialogs::RecordingDialogs() { Dialogs::install(this); }

RecordingDialogs::~RecordingDialogs()
{
    if (&Dialogs::current() == this)
        Dialogs::install(nullptr);
}

DialogButton RecordingDialogs::show(const DialogRequest &request)
{
    m_shown.append(request);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    if (request.buttons.testFlag(m_defaultAnswer))
        return m_defaultAnswer;
    for (auto button : {DialogButton::Ok, DialogButton::Yes, DialogButton::No, DialogButton::Cancel})
        if (request.buttons.testFlag(button))
            return button;
    return DialogButton::None;
}

void RecordingDialogs::script(std::initializer_list<DialogButton> answers)
{
    for (auto answer : answers)
        m_answers.append(answer);
}

QStringList RecordingDialogs::texts() const
{
    QStringList result;
    for (const auto &request : m_shown)
        result << request.text;
    return result;
}

void RecordingDialogs::clear()
{
    m_shown.clear();
    m_answers.clear();
}

} // namespace cornix
