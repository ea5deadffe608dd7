// Page 3 of the examination window, "Resultados": the figures averaged over the frames
// in use, the three charts and the report frame's two crops, the doctor's diagnosis
// and observations, saving through the data access object, and the read-only display
// of a saved examination.
#include "UfrmExame.h"

#include "ui_TfrmExamination.h"

#include "Dialogs.h"
#include "Numbers.h"
#include "UBFrameBuffer.h"
#include "UBIniSettings.h"
#include "UBSeriesCharts.h"
#include "UBSeriesPlot.h"
#include "DateText.h"
#include "UDCurrentPatient.h"
#include "UDExamination.h"
#include "UDataBaseCornyx.h"
#include "UfrmDataModule.h"

#include <QImageReader>

using namespace cornix::exam;

namespace {
// The crops stand centred in their boxes, reduced (never enlarged) to fit.
QPixmap FitInto(const QImage &image, QSize box)
{
    if (image.isNull())
        return {};
    if (image.width() <= box.width() && image.height() <= box.height())
        return QPixmap::fromImage(image);
    return QPixmap::fromImage(image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
} // namespace

void TfrmExamination::connectResults()
{
    connect(m_ui->spb_Save_Exame, &QToolButton::clicked, this, &TfrmExamination::spb_Save_ExameClick);
    connect(m_ui->spbPrintPreview, &QToolButton::clicked, this, &TfrmExamination::printPreviewRequested);
    connect(m_ui->spbSetAsDefault, &QToolButton::clicked, this, &TfrmExamination::spbSetAsDefaultClick);
    connect(m_ui->memDiag, &QPlainTextEdit::textChanged, this, &TfrmExamination::memDiagChange);
    connect(m_ui->memOBS, &QPlainTextEdit::textChanged, this, &TfrmExamination::memOBSChange);
    const TExamCharts empty = TExamCharts::Empty(TChartTarget::ResultsPage);
    ShowCharts(*m_ui->chtPolimorfism, *m_ui->chtPolimegatism, *m_ui->chtDensXAge, empty);
}

// A new examination can be saved.
void TfrmExamination::PrepareResultsForNewExamination() { m_ui->spb_Save_Exame->setVisible(true); }

// A saved examination: its date, nothing to save, memos read-only; the results are
// filled from Exam.
void TfrmExamination::PrepareResultsForViewing()
{
    const TExame &exam = m_session.Exam();
    m_ui->Pnl_Exm_Time->setVisible(true);
    m_ui->Lbl_ExmDate->setText(exam.DateText + QStringLiteral(" - ") + exam.TimeText);
    m_ui->spb_Save_Exame->setVisible(false);
    m_ui->memDiag->setReadOnly(true);
    m_ui->memOBS->setReadOnly(true);
    m_ui->spbPrintPreview->setEnabled(true);
    ShowSavedExamination();
}

// "Outro olho" made the switch: the next examination can be saved, not yet printed.
void TfrmExamination::ResetResultsForOtherEye()
{
    m_ui->spb_Save_Exame->setEnabled(true);
    m_ui->spbOutroOlho->setEnabled(false);
    m_ui->spbPrintPreview->setEnabled(false);
    m_ui->Pnl_Exm_Time->setVisible(false);
}

void TfrmExamination::ShowResultTexts(const TResultsTexts &t)
{
    m_ui->lblTotalCellsValue->setText(t.TotalCells);
    m_ui->lblTotalAreaValue->setText(t.TotalArea);
    m_ui->lblDensityValue->setText(t.Density);
    m_ui->lblSDValue->setText(t.SD);
    m_ui->lblMinSizeValue->setText(t.MinSize);
    m_ui->lblAvgSizeValue->setText(t.AvgSize);
    m_ui->lblMaxSizeValue->setText(t.MaxSize);
    m_ui->lblHexCellsValue->setText(t.HexCells);
    m_ui->lblCVValue->setText(t.CV);
    m_ui->lblAvgPaqValue->setText(t.AvgPaq);
    m_ui->lblImgsQttyUsedValue->setText(t.ImgsQttyUsed);
}

void TfrmExamination::ShowCrops(const QImage &crop, const QImage &processed)
{
    m_croppedImage = crop;
    m_croppedProcessedImage = processed;
    m_ui->imgCropped->setPixmap(FitInto(crop, m_ui->imgCropped->size()));
    m_ui->imgCroppedProcessed->setPixmap(FitInto(processed, m_ui->imgCroppedProcessed->size()));
}

// "Gerar relatório" ------------------------------------------------------------------------------

void TfrmExamination::GenerateResults()
{
    try {
        const TEndoStats summary = m_session.Frames().Summarize();
        if (summary.FramesUsed == 0) {
            cornix::ShowWarning(NoFramesInUseMessage());
        } else {
            GoToPage(PageResults);
            m_session.SetLastPage(PageResults);
            ShowResultTexts(ResultsOfSummary(summary));
            const std::optional<std::uint8_t> age = AgeToday(m_ui->edtDateOfBirth->text());
            ShowCharts(*m_ui->chtPolimorfism, *m_ui->chtPolimegatism, *m_ui->chtDensXAge,
                       ChartsOfSummary(summary, age, TChartTarget::ResultsPage));
            if (!age)
                cornix::ShowWarning(DensityChartMessage());
            // The report frame drawn as the display buttons ask renews its crops.
            const int p = m_session.View().PrintFrame;
            if (p >= 0 && p < m_session.Frames().FrameCount()) {
                cornix::RedrawFrame(m_session.Frames(), p, DisplaySettings());
                ShowZoomedFrame(p);
                ShowFrameResults(p);
                ShowCrops(m_session.Frames().Crop(p).copy(), m_session.Frames().ProcessedCrop(p).copy());
            }
        }
    } catch (...) {
        cornix::ShowUnrecoverable(QStringLiteral("TfrmExamination.GenerateResults"));
    }
    m_ui->btnAvanc3->setEnabled(true);
}

// Memos -----------------------------------------------------------------------------------------

void TfrmExamination::memDiagChange() { MemoChange(m_ui->memDiag, m_ui->lblDiagLength); }
void TfrmExamination::memOBSChange() { MemoChange(m_ui->memOBS, m_ui->lblOBSLength); }

// The counter shows what is left of the 245 characters; typing beyond them is undone.
void TfrmExamination::MemoChange(QPlainTextEdit *memo, QLabel *counter)
{
    const QString text = memo->toPlainText();
    const QString fitted = FitMemo(text);
    if (fitted != text) {
        const QSignalBlocker quiet(memo);
        memo->setPlainText(fitted);
        memo->moveCursor(QTextCursor::End);
    }
    counter->setText(QString::number(RemainingCharacters(fitted)));
}

// Saving ------------------------------------------------------------------------------------------

// A save that fails leaves everything as it was: the frames, the figures and the page,
// with "Salvar" usable again once the reason shown is removed.
void TfrmExamination::spb_Save_ExameClick()
{
    bool saved = false;
    try {
        saved = SaveExamination();
    } catch (...) {
        cornix::ShowUnrecoverable(QStringLiteral("TfrmExamination.spb_Save_ExameClick"));
    }
    m_ui->spbPrintPreview->setEnabled(true);
    m_ui->spbOutroOlho->setEnabled(true);
    if (saved)
        ShowSaved();
}

bool TfrmExamination::SaveExamination()
{
    QList<QLabel *> decimals = {m_ui->lblTotalAreaValue, m_ui->lblSDValue,      m_ui->lblMinSizeValue,
                                m_ui->lblAvgSizeValue,   m_ui->lblMaxSizeValue, m_ui->lblCVValue};
    QStringList texts;
    for (const QLabel *label : decimals)
        texts << label->text();
    const bool readable = ReadDecimalLabels(texts);
    for (int i = 0; i < decimals.size(); ++i)
        decimals[i]->setText(texts[i]);
    if (!readable) {
        cornix::ShowError(tr("'%1' não é um valor numérico válido").arg(texts.join(QStringLiteral("', '"))));
        return false;
    }
    if (!m_dataModule || !m_dataModule->Connected()) {
        cornix::ShowError(tr("Não foi possível salvar o exame: o banco de dados não está conectado."));
        return false;
    }
    TExame exam = m_session.Exam();
    exam.Eye = m_session.Eye();
    exam.FixSide = m_session.FixSide();
    exam.FixPos = m_session.FixPos();
    StoreSummary(exam, m_session.Frames().Summarize());
    exam.Diagnosis = m_ui->memDiag->toPlainText();
    exam.Observation = m_ui->memOBS->toPlainText();
    TBDCornyx records(*m_dataModule);
    if (!records.SaveExamination(exam, m_session.Frames()))
        return false; // the reason has been shown; nothing of the session is lost
    m_session.Exam() = exam;
    return true;
}

// Saved: the date shown, the session's frames discarded, only this page left (its own
// tab stays, as in the read-only display: a tab widget shows no page without one).
void TfrmExamination::ShowSaved()
{
    const TExame &exam = m_session.Exam();
    m_ui->Pnl_Exm_Time->setVisible(true);
    m_ui->Lbl_ExmDate->setText(exam.DateText + QStringLiteral(" - ") + exam.TimeText);
    ResetSession(false);
    DestroyThumbnails();
    m_plotFrame = -1;
    ClearFrameToPlot();
    SetTabVisible(PageResults, true);
    m_ui->pgExamination->setCurrentIndex(PageResults);
    HideTabs({PageCapture, PageCapturedFrames, PageImgProcess});
    m_ui->spb_Save_Exame->setEnabled(false);
    try {
        m_dataModule->RefreshList(QStringLiteral("examination"));
    } catch (const EDatabaseError &) {
        // The row is stored; the lists are read again at their next refresh.
    }
}

// The read-only display -----------------------------------------------------------------------------

void TfrmExamination::ShowSavedExamination()
{
    TExame &exam = m_session.Exam();
    ShowResultTexts(ResultsOfSavedExamination(exam));
    m_ui->memDiag->clear();
    m_ui->memDiag->setPlainText(exam.Diagnosis);
    m_ui->memOBS->clear();
    m_ui->memOBS->setPlainText(exam.Observation);
    m_session.RestoreEyeAndFixation(std::uint8_t(exam.Eye), exam.FixPos, exam.FixSide);
    m_ui->Lbl_Eye->setText(EyeCaption(m_session.Eye()));
    m_ui->Lbl_Fix->setText(FixationCaption(exam.FixPos, exam.FixSide));
    m_ui->spbPrintPreview->setEnabled(true);
    try {
        // The age at the examination date, read again from the patient's birth date.
        const QDate date = cornix::TextToDate(exam.DateText);
        if (m_dataModule && m_dataModule->Connected() && date.isValid())
            if (const std::uint8_t age = ExaminationPatientAge(m_dataModule, exam.PatientID, QDateTime(date, QTime(0, 0))))
                exam.Age = age;
        ShowCharts(*m_ui->chtPolimorfism, *m_ui->chtPolimegatism, *m_ui->chtDensXAge,
                   ChartsOfSavedExamination(exam, std::uint8_t(exam.Age)));
    } catch (const cornix::EConvertError &error) {
        cornix::ShowError(QString::fromStdString(error.what()));
        return;
    }
    const QImage crop(exam.CropOrigPath);
    const QImage processed(exam.CropProcPath);
    ShowCrops(crop, processed);
    if (crop.isNull())
        cornix::ShowError(tr("Não foi possível abrir a imagem \"%1\".").arg(exam.CropOrigPath));
    else if (processed.isNull())
        cornix::ShowError(tr("Não foi possível abrir a imagem \"%1\".").arg(exam.CropProcPath));
}

// Patient panel -----------------------------------------------------------------------------------

void TfrmExamination::edtDateOfBirthExit()
{
    if (!IsValidBirthDate(m_ui->edtDateOfBirth->text()))
        cornix::ShowWarning(InvalidBirthDateMessage());
}

void TfrmExamination::spbSetAsDefaultClick()
{
    if (!cornix::AskOkCancel(DefaultDoctorQuestion(m_settings.GetDoctorName(), m_settings.GetDoctorCRM())))
        return;
    m_settings.SetDoctorName(m_ui->edtDoctorName->text());
    m_settings.SetDoctorCRM(m_ui->edtDoctorCRM->text());
}
