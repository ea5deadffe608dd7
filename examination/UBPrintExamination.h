#pragma once
// PrintExamination without its window: from the saved examination and the texts the
// results page shows, the report's content, its two pictures and what its charts
// show; the messages of printing go through the dialog seam.
#include "EndoStatistics.h"
#include "UBReport.h"
#include "UBSeriesPlot.h"
#include "UExame.h"

#include <cstdint>
#include <optional>

namespace cornix::report {

// The texts of the results page's value labels, as they stand.
struct TResultsTexts {
    QString totalCells;   // lblTotalCellsValue
    QString totalArea;    // lblTotalAreaValue
    QString density;      // lblDensityValue
    QString sd;           // lblSDValue
    QString minSize;      // lblMinSizeValue
    QString avgSize;      // lblAvgSizeValue
    QString maxSize;      // lblMaxSizeValue
    QString hexCells;     // lblHexCellsValue
    QString cv;           // lblCVValue
    QString avgPaq;       // lblAvgPaqValue
    QString imgsQttyUsed; // lblImgsQttyUsedValue
};

// What the examination window hands to the report.
struct TPrintRequest {
    TExame exam;
    std::uint8_t eye = 0;  // the window's Eye
    QString fixationText;  // the window's fixation text ("2h (N)", "0h")
    QString patientName;   // edtPatientName
    QString dateOfBirth;   // edtDateOfBirth
    QString doctorName;    // edtDoctorName
    QString doctorCRM;     // edtDoctorCRM
    TResultsTexts results;
    QString diagnosis;     // memDiag
    QString observation;   // memOBS
    QString clinicName, clinicAddress, clinicPhone; // the settings' CLINIC_DATA
    QString imageFolder;   // the examination's image folder (DBimages/<ID>)
};

// What the page shows: its texts, its two pictures and its three charts, filled by
// TBSeriesPlot from the stored summary with the report's density axis (500 to 3500)
// and the patient's age today (no density chart when the birth date is not valid).
struct TReportData {
    TReportContent content;
    TReportImages images;
    TEndoStats summary;
    std::optional<std::uint8_t> densityAge;
    exam::TExamCharts charts;
    QString eyeText;
};

// An examination never saved (no date) cannot be printed: the message
// "Salve o Exame Antes de Imprimir!" and false.
bool CheckSaved(const TExame &exam);
// "OS" for eye 1, "OD" otherwise.
QString EyeText(std::uint8_t eye);
// "Prontuário : " + Prontuario + " - Dt. Nasc. : " + birth date + " - " + Age + " anos".
QString PatientInfoLine(const TExame &exam, const QString &dateOfBirth);
// "Resp.: " + name + " - CRM: " + CRM.
QString DoctorLine(const QString &name, const QString &crm);
// FillReport's fields from the request.
TReportFields ReportFields(const TPrintRequest &request);

// The steps of PrintExamination up to the preview: an examination never saved gives
// "Salve o Exame Antes de Imprimir!"; an invalid birth date its message (the report
// is still made, without the density chart); a missing picture or any other failure
// the "ERRO" message. Nothing when no report is to be shown.
std::optional<TReportData> PrepareReport(const TPrintRequest &request,
                                         const QDateTime &printedAt = QDateTime::currentDateTime());

} // namespace cornix::report
