#include "UExaminationWindow.h"

#include "Dialogs.h"

#include <QApplication>
#include <QString>
#include <QWidget>

namespace cornix::records {

QString ExaminationWindowName() { return QStringLiteral("frmExamination"); }

bool ExaminationWindowOpen()
{
    // A window that has closed is hidden until its deletion runs: it no longer counts.
    const QWidgetList widgets = QApplication::allWidgets();
    for (auto it = widgets.crbegin(); it != widgets.crend(); ++it)
        if ((*it)->objectName() == ExaminationWindowName() && !(*it)->isHidden())
            return true;
    return false;
}

void ShowPlainMessage(const QString &text) { cornix::ShowInformation(text, QStringLiteral("Cornix")); }

} // namespace cornix::records
