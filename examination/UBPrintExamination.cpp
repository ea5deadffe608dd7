#include "UBPrintExamination.h"

#include "Dialogs.h"
#include "UBFrameBuffer.h"

#include <QCoreApplication>
#include <QDir>

#include <stdexcept>

namespace cornix::report {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("TfrmReport", text); }

QImage loadPicture(const QString &folder, const char *fileName)
{
    QImage image;
    if (!image.load(QDir(folder).filePath(QString::fromLatin1(fileName))))
        throw std::runtime_error(std::string(fileName) + " cannot be read");
    return image;
}

TReportData makeReport(const TPrintRequest &request, const QDateTime &printedAt)
{
    TReportData data;
    data.eyeText = EyeText(request.eye);
    // The stored figures go into a buffer of their own: the session's buffer keeps
    // its count (what "Outro olho" asks about).
    TBFrameBuffer summary;
    summary.LoadSummary(request.exam); // a text that does not convert keeps what was read
    data.summary = summary.Summary();
    data.content = FillReport(ReportFields(request), printedAt);
    data.densityAge = exam::AgeToday(request.dateOfBirth); // today, not at the examination
    if (!data.densityAge)
        ShowWarning(exam::DensityChartMessage());
    data.charts = exam::ChartsOfSummary(data.summary, data.densityAge, exam::TChartTarget::Report);
    const QString folder = request.imageFolder;
    QDir().mkpath(folder);
    data.images = SetReportImages(loadPicture(folder, "Crop.bmp"), loadPicture(folder, "Process.bmp"));
    return data;
}

} // namespace

bool CheckSaved(const TExame &exam)
{
    if (!exam.DateText.isEmpty())
        return true;
    ShowWarning(SaveBeforePrintMessage());
    return false;
}

QString EyeText(std::uint8_t eye) { return eye == 1 ? QStringLiteral("OS") : QStringLiteral("OD"); }

QString PatientInfoLine(const TExame &exam, const QString &dateOfBirth)
{
    return tr("Prontuário : ") + QString::number(exam.Prontuario) + tr(" - Dt. Nasc. : ") + dateOfBirth
           + QStringLiteral(" - ") + QString::number(exam.Age) + tr(" anos");
}

QString DoctorLine(const QString &name, const QString &crm)
{
    return tr("Resp.: ") + name + tr(" - CRM: ") + crm;
}

TReportFields ReportFields(const TPrintRequest &r)
{
    TReportFields f;
    f.patientName = r.patientName;
    f.patientInfo = PatientInfoLine(r.exam, r.dateOfBirth);
    f.avgPaq = r.results.avgPaq;
    f.examinationDate = r.exam.DateText + QStringLiteral(" - ") + r.exam.TimeText;
    f.clinicPhone = tr("Tel.: ") + r.clinicPhone;
    f.clinicAddress = r.clinicAddress;
    f.clinicName = r.clinicName;
    f.observation = r.observation;
    f.diagnosis = r.diagnosis;
    f.cv = r.results.cv;
    f.hexCells = r.results.hexCells;
    f.maxSize = r.results.maxSize;
    f.avgSize = r.results.avgSize;
    f.minSize = r.results.minSize;
    f.sd = r.results.sd;
    f.density = r.results.density;
    f.totalArea = r.results.totalArea;
    f.totalCells = r.results.totalCells;
    f.doctor = DoctorLine(r.doctorName, r.doctorCRM);
    f.fixation = r.fixationText;
    f.imgsQtty = r.results.imgsQttyUsed;
    f.eye = EyeText(r.eye);
    return f;
}

std::optional<TReportData> PrepareReport(const TPrintRequest &request, const QDateTime &printedAt)
{
    if (!CheckSaved(request.exam))
        return std::nullopt;
    try {
        return makeReport(request, printedAt);
    } catch (...) {
        ShowError(ReportErrorMessage());
    }
    return std::nullopt;
}

} // namespace cornix::report
