#pragma once
// Test implementation of the dialog seam: records every dialog and answers from
// a script. Installs itself for its lifetime.
#include "Dialogs.h"

#include <QList>

namespace cornix {

class RecordingDialogs final : public Dialogs {
public:
    RecordingDialogs();
    ~RecordingDialogs() override;
    RecordingDialogs(const RecordingDialogs &) = delete;
    RecordingDialogs &operator=(const RecordingDialogs &) = delete;

    DialogButton show(const DialogRequest &request) override;

    // Answers given in order; when the script is empty, the default answer is
    // used if the dialog offers it, else the dialog's first button.
    void script(std::initializer_list<DialogButton> answers);
    void setDefaultAnswer(DialogButton answer) { m_defaultAnswer = answer; }

    const QList<DialogRequest> &shown() const { return m_shown; }
    QStringList texts() const;
    const DialogRequest &last() const { return m_shown.last(); }
    void clear();

private:
    QList<DialogRequest> m_shown;
    QList<DialogButton> m_answers;
    DialogButton m_defaultAnswer = DialogButton::Ok;
};

} // namespace cornix
