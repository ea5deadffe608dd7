// The desktop program: the main window, the data module and the message loop.
#include "MessageBoxDialogs.h"
#include "UfrmDataModule.h"
#include "UfrmMain.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cornix"));
    cornix::MessageBoxDialogs dialogs;
    cornix::Dialogs::install(&dialogs);

    TfrmMain frmMain;
    TDataModule1 dataModule;
    // Maximised and centred; the geometry covers the screen where no window manager maximises.
    frmMain.setGeometry(frmMain.screen()->availableGeometry());
    frmMain.showMaximized(); // the start-up runs once the window is shown
    const int status = QApplication::exec();
    cornix::Dialogs::install(nullptr);
    return status;
}
