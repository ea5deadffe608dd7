#pragma once
// A saved examination as the report tests, the gallery and the report benchmark use it:
// one synthetic endothelium frame analysed, used and chosen for the report, stored with
// its doctor and patient through the data access object on a real database and read
// back by the examination loader, and the request the read-only window would make.
#include "UBFrameBuffer.h"
#include "UBPrintExamination.h"
#include "UDataBaseCornyx.h"
#include "UExame.h"

#include <memory>

class TDataModule1;

namespace cornix::test {

// One 640 x 480 synthetic endothelium frame, its region analysed at normal
// sensitivity, both crops made, used in the figures and chosen for the report.
std::unique_ptr<TBFrameBuffer> AnalysedFrames(std::uint32_t seed = 5);
// The examination's figures from the summary, as the save takes them.
void TakeFigures(TExame &exam, const TEndoStats &summary);

struct SavedReportCase {
    TPaciente patient;
    TMedico doctor;
    TExame exam;          // as LoadExamination read it back
    QString imageFolder;  // its DBimages folder
};
// Stores doctor, patient and an examination of the analysed frame (OS, fixation 2h)
// and reads the examination back. QFAILs are the caller's: an exam.ID of -1 means
// it could not be stored (the reason is printed).
SavedReportCase SaveExamination(TDataModule1 &module, const TBFrameBuffer &frames);

// The request of the read-only examination window: the results page's texts as it
// shows a saved examination, the patient panel and the clinic of the settings.
report::TPrintRequest ViewingRequest(const SavedReportCase &saved);

// A request without a database: the crops of the analysed frame written into folder.
report::TPrintRequest OfflineRequest(const QString &folder, std::uint32_t seed = 5);

} // namespace cornix::test
