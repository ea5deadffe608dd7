// The examination report of an examination saved on the test server: the page as a
// PNG at 150 dpi (the sheet as printed), and the print preview with "Salvar PDF".
#include "Gallery.h"

#include "FirebirdTestDatabase.h"
#include "ReportTestData.h"
#include "UfrmDataModule.h"
#include "UfrmReport.h"

#include <QPrintPreviewDialog>
#include <QTest>

namespace {

// One saved examination for both pictures.
const cornix::report::TPrintRequest *savedRequest()
{
    static cornix::test::ConnectedModule db;
    static cornix::report::TPrintRequest request;
    static bool made = false;
    if (!made) {
        made = true;
        const QString path = cornix::test::CreateTestDatabase(QStringLiteral("gallery_report"),
                                                              cornix::test::Engine::Server);
        if (path.isEmpty())
            return nullptr;
        db = cornix::test::Connect(path, cornix::test::Engine::Server);
        const auto frames = cornix::test::AnalysedFrames();
        const cornix::test::SavedReportCase saved = cornix::test::SaveExamination(*db.module, *frames);
        if (saved.exam.ID <= 0)
            return nullptr;
        request = cornix::test::ViewingRequest(saved);
    }
    return request.exam.ID > 0 ? &request : nullptr;
}

} // namespace

CORNIX_GALLERY_SHOT("frmReport")
{
    const cornix::report::TPrintRequest *request = savedRequest();
    const auto data = request ? cornix::report::PrepareReport(*request) : std::nullopt;
    if (!data) {
        qWarning("gallery: no saved examination for the report");
        return nullptr;
    }
    TfrmReport report;
    report.SetReport(*data);
    if (!report.qrReport().Render(150).save(cornix::gallery::screenshotDir() + QStringLiteral("/frmReport.png")))
        qWarning("gallery: the report page could not be saved");
    return nullptr;
}

CORNIX_GALLERY_SHOT("frmReportPreview")
{
    const cornix::report::TPrintRequest *request = savedRequest();
    if (!request)
        return nullptr;
    std::unique_ptr<TfrmReport> report;
    PrintExamination(*request, nullptr, report);
    if (!report || !report->PreviewDialog())
        return nullptr;
    QPrintPreviewDialog *preview = report->PreviewDialog();
    preview->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    QTest::qWait(800); // the preview renders its page
    cornix::gallery::save(preview, QStringLiteral("frmReportPreview"));
    return nullptr;
}
