// The examination manager: a doctor chosen, the active patients listed, a patient with
// examinations chosen and one of them clicked ("Visualizar Exame" enabled).
#include "Gallery.h"
#include "GalleryRecords.h"
#include "UfrmExaminationManager.h"

#include <QComboBox>
#include <QTableView>
#include <QTest>

CORNIX_GALLERY_SHOT("frmExaminationManager")
{
    TDataModule1 *module = cornix::gallery::galleryRecords();
    if (!module)
        return nullptr;
    cornix::gallery::addGalleryExaminations(*module);
    auto *window = new TfrmExaminationManager(*module);
    window->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    window->show();
    window->findChild<QComboBox *>(QStringLiteral("Cbb_Exm_SelDoc"))->setCurrentIndex(2);
    auto *patients = window->findChild<QTableView *>(QStringLiteral("dbgPatients"));
    QTest::mouseClick(patients->viewport(), Qt::LeftButton, {},
                      patients->visualRect(patients->model()->index(1, 1)).center());
    auto *examinations = window->findChild<QTableView *>(QStringLiteral("dbgExaminations"));
    QTest::mouseClick(examinations->viewport(), Qt::LeftButton, {},
                      examinations->visualRect(examinations->model()->index(1, 1)).center());
    return window;
}
