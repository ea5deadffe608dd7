// The doctor manager with the active doctors listed and one chosen, its data in the
// edit panel.
#include "Gallery.h"
#include "GalleryRecords.h"
#include "UfrmDoctorManager.h"

#include <QTableView>
#include <QTest>

CORNIX_GALLERY_SHOT("frmDoctorManager")
{
    TDataModule1 *module = cornix::gallery::galleryRecords();
    if (!module)
        return nullptr;
    auto *window = new TfrmDoctorManager(*module);
    window->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    window->show();
    auto *grid = window->findChild<QTableView *>(QStringLiteral("Dbg_Doc_Manager"));
    const QModelIndex chosen = grid->model()->index(4, 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(chosen).center());
    return window;
}
