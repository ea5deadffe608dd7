#include "ReportTestData.h"

#include "QtNumbers.h"
#include "SyntheticEndothelium.h"
#include "UBAnalyseFrame.h"
#include "UBFixation.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QDir>
#include <QStringList>

namespace cornix::test {

namespace {

constexpr TRect kRoi{190, 140, 430, 340};

QString joined(const auto &counts)
{
    QStringList parts;
    for (const auto count : counts)
        parts << QString::number(count);
    return parts.join(QLatin1Char(';'));
}

} // namespace

std::unique_ptr<TBFrameBuffer> AnalysedFrames(std::uint32_t seed)
{
    sim::CameraParams camera;
    camera.limitedField = true;
    sim::MosaicParams mosaic;
    mosaic.sizeVariation = 0.4; // a mosaic with some pleomorphism: every chart has something to show
    const sim::SyntheticEndothelium tissue(seed, mosaic);
    const QImage frame = sim::ToQImage(tissue.render(camera)).convertToFormat(QImage::Format_RGB888);
    auto frames = std::make_unique<TBFrameBuffer>(TAnalysisScale{0.00186, 1.8});
    frames->AddFrame(frame, QStringLiteral("T"), 2, kNormalSensitivity, TPachymetry{100, 400, 300}, kRoi, 1);
    TDisplaySettings display;
    display.Options.ContrastView = false;
    AnalyseFrame(*frames, 0, kNormalSensitivity, display);
    frames->SetUseIt(0, true);
    frames->SetPrintIt(0, true);
    frames->Summarize();
    return frames;
}

void TakeFigures(TExame &exam, const TEndoStats &s)
{
    exam.TotalCells = s.CellCount;
    exam.AnalysedArea = s.AnalysedArea;
    exam.Density = s.Density;
    exam.SD = s.AreaSD;
    exam.AreaMin = s.MinArea;
    exam.AreaMean = s.MeanArea;
    exam.AreaMax = s.MaxArea;
    exam.Hexagonal = s.SidesHist[kHexagonalBin];
    exam.CV = s.AreaCV;
    exam.TotalImages = s.FramesUsed;
    exam.Pachymetry = s.Pachymetry;
    exam.MorphoInfo = joined(s.SidesHist);
    exam.MegatInfo = joined(s.AreaHist);
}

SavedReportCase SaveExamination(TDataModule1 &module, const TBFrameBuffer &frames)
{
    SavedReportCase saved;
    TBDCornyx dao(module);
    saved.doctor.Nome = QStringLiteral("Helena Prado Guimarães");
    saved.doctor.Sexo = QStringLiteral("F");
    saved.doctor.CRM = QStringLiteral("54321-SP");
    saved.doctor.Nascimento = QStringLiteral("01/02/1970");
    saved.patient.Prontuario = QStringLiteral("1207");
    saved.patient.Nome = QStringLiteral("Maria Aparecida da Conceição");
    saved.patient.Sexo = QStringLiteral("F");
    saved.patient.CPF = GenerateCPF();
    saved.patient.Nascimento = QStringLiteral("10/05/1980");
    if (!dao.SaveDoctor(saved.doctor) || !dao.SavePatient(saved.patient))
        return saved;
    TExame exam;
    exam.DoctorID = saved.doctor.ID;
    exam.PatientID = saved.patient.ID;
    exam.Eye = 1;
    exam.FixPos = 2;
    exam.FixSide = exam::FixSideFor(2, 1);
    TakeFigures(exam, frames.Summary());
    exam.Diagnosis = QStringLiteral("Córnea transparente; endotélio com mosaico regular, sem guttae.");
    exam.Observation = QStringLiteral("Sem alterações. Retorno em seis meses para nova avaliação.");
    if (!dao.SaveExamination(exam, frames))
        return saved;
    saved.exam.ID = -1;
    if (TDExamination(module).LoadExamination(exam.ID, saved.exam))
        saved.imageFolder = dao.ExaminationFolder(saved.exam.ID);
    return saved;
}

report::TPrintRequest ViewingRequest(const SavedReportCase &saved)
{
    const TExame &e = saved.exam;
    report::TPrintRequest r;
    r.exam = e;
    r.eye = static_cast<std::uint8_t>(e.Eye);
    r.fixationText = exam::FixationText(e.FixPos, e.FixSide);
    r.patientName = saved.patient.Nome;
    r.dateOfBirth = saved.patient.Nascimento;
    r.doctorName = e.DoctorName;
    r.doctorCRM = e.DoctorCRM;
    r.results.totalCells = QString::number(e.TotalCells);
    r.results.totalArea = FormatFloatQ("0.0000", e.AnalysedArea);
    r.results.density = QString::number(e.Density);
    r.results.sd = FormatFloatQ("0.00", e.SD);
    r.results.minSize = FormatFloatQ("0.00", e.AreaMin);
    r.results.avgSize = FormatFloatQ("0.00", e.AreaMean);
    r.results.maxSize = FormatFloatQ("0.00", e.AreaMax);
    r.results.hexCells = FormatFloatQ("00", e.TotalCells ? double(e.Hexagonal) / e.TotalCells * 100 : 0.0);
    r.results.cv = FormatFloatQ("00", e.CV * 100);
    r.results.avgPaq = QString::number(e.Pachymetry);
    r.results.imgsQttyUsed = QString::number(e.TotalImages);
    r.diagnosis = e.Diagnosis;
    r.observation = e.Observation;
    r.clinicName = QStringLiteral("Clínica de Olhos São João");
    r.clinicAddress = QStringLiteral("Rua das Acácias, 120 - Jardim Paulista - São Paulo - SP");
    r.clinicPhone = QStringLiteral("(11) 4444-0000");
    r.imageFolder = saved.imageFolder;
    return r;
}

report::TPrintRequest OfflineRequest(const QString &folder, std::uint32_t seed)
{
    const std::unique_ptr<TBFrameBuffer> frames = AnalysedFrames(seed);
    frames->Crop(0).save(QDir(folder).filePath(QStringLiteral("Crop.bmp")));
    frames->ProcessedCrop(0).save(QDir(folder).filePath(QStringLiteral("Process.bmp")));
    SavedReportCase saved;
    saved.patient.Nome = QStringLiteral("Maria Aparecida da Conceição");
    saved.patient.Nascimento = QStringLiteral("10/05/1980");
    saved.exam.ID = 7;
    saved.exam.Prontuario = 1207;
    saved.exam.DoctorName = QStringLiteral("Helena Prado Guimarães");
    saved.exam.DoctorCRM = QStringLiteral("54321-SP");
    saved.exam.DateText = QStringLiteral("12/03/2024");
    saved.exam.TimeText = QStringLiteral("14:05:09");
    saved.exam.Age = AgeInYears(saved.patient.Nascimento, saved.exam.DateText);
    saved.exam.Eye = 1;
    saved.exam.FixPos = 2;
    saved.exam.FixSide = exam::FixSideFor(2, 1);
    TakeFigures(saved.exam, frames->Summary());
    saved.exam.Diagnosis = QStringLiteral("Córnea transparente; endotélio com mosaico regular, sem guttae.");
    saved.exam.Observation = QStringLiteral("Sem alterações. Retorno em seis meses para nova avaliação.");
    saved.imageFolder = folder;
    return ViewingRequest(saved);
}

} // namespace cornix::test
