// The examination viewer: the filter on with active and inactive patients (one drawn
// pink), a patient chosen, one of its examinations chosen and summarised.
#include "Gallery.h"
#include "GalleryRecords.h"
#include "UBViewExmManager.h"

#include <QCheckBox>
#include <QLabel>
#include <QTableView>
#include <QTest>

CORNIX_GALLERY_SHOT("frmViewExmManager")
{
    TDataModule1 *module = cornix::gallery::galleryRecords();
    if (!module)
        return nullptr;
    cornix::gallery::addGalleryExaminations(*module);
    auto *window = new TfrmViewExmManager(*module);
    window->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    window->show();
    QTest::mouseClick(window->findChild<QLabel *>(QStringLiteral("lbl_Exm_Filtro")), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QCheckBox *>(QStringLiteral("Chk_MVExm_Inativo")), Qt::LeftButton);
    auto *patients = window->findChild<QTableView *>(QStringLiteral("Dbg_MVExm_PatientList"));
    QTest::mouseClick(patients->viewport(), Qt::LeftButton, {},
                      patients->visualRect(patients->model()->index(0, 1)).center());
    auto *examinations = window->findChild<QTableView *>(QStringLiteral("Dbg_MVExm_ExameList"));
    QTest::mouseClick(examinations->viewport(), Qt::LeftButton, {},
                      examinations->visualRect(examinations->model()->index(1, 1)).center());
    return window;
}
