// How long the examination report takes: writing its PDF file (the goal is at most
// 500 ms), the whole "Salvar PDF" from a saved examination's request (pictures read,
// page filled, file written), and drawing the page as the preview and the gallery do.
#include "ReportTestData.h"

#include "RecordingDialogs.h"
#include "UfrmReport.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Fixture {
    QTemporaryDir dir;
    cornix::report::TPrintRequest request;
    std::unique_ptr<TfrmReport> report;
    cornix::RecordingDialogs dialogs; // the "saved" message goes nowhere

    Fixture()
    {
        request = cornix::test::OfflineRequest(dir.path());
        report = std::make_unique<TfrmReport>();
        report->SetReport(*cornix::report::PrepareReport(request));
    }
    QString pdfPath() const { return dir.filePath(QStringLiteral("report.pdf")); }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void WritePdf(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        QString error;
        if (!f.report->qrReport().WritePdf(f.pdfPath(), &error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["bytes"] = double(QFileInfo(f.pdfPath()).size());
}

void SavePdfFromRequest(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        const auto data = cornix::report::PrepareReport(f.request);
        TfrmReport report;
        report.SetReport(*data);
        if (!report.SavePdfTo(f.pdfPath()))
            state.SkipWithError("the PDF was not written");
        f.dialogs.clear();
    }
}

void RenderPage(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.report->qrReport().Render(int(state.range(0))));
}

} // namespace

BENCHMARK(WritePdf)->Unit(benchmark::kMillisecond);
BENCHMARK(SavePdfFromRequest)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderPage)->Arg(150)->Arg(300)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
