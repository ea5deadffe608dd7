// The patient manager with the filter on, every patient listed (one inactive, drawn
// pink) and a patient chosen in the list, its data in the edit panel.
#include "Gallery.h"
#include "GalleryRecords.h"
#include "UfrmPatientManager.h"

#include <QCheckBox>
#include <QLabel>
#include <QTableView>
#include <QTest>

CORNIX_GALLERY_SHOT("frmPatientManager")
{
    TDataModule1 *module = cornix::gallery::galleryRecords();
    if (!module)
        return nullptr;
    auto *window = new TfrmPatientManager(*module);
    window->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    window->show();
    QTest::mouseClick(window->findChild<QLabel *>(QStringLiteral("Lbl_Pac_Filtro")), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QCheckBox *>(QStringLiteral("Chk_PAC_Inativo")), Qt::LeftButton);
    auto *grid = window->findChild<QTableView *>(QStringLiteral("DbgPatientManager"));
    const QModelIndex chosen = grid->model()->index(8, 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(chosen).center());
    return window;
}
