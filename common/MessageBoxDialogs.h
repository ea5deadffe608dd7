#pragma once
#include "Dialogs.h"

class QWidget;

namespace cornix {

// The program's dialog seam: modal QMessageBoxes over the active window.
class MessageBoxDialogs final : public Dialogs {
public:
    DialogButton show(const DialogRequest &request) override;
};

} // namespace cornix
