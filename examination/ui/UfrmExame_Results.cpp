// Page 3 ("Resultados") of the examination window: what showing the window and
// "Outro olho" ask of it. The results, saving and the read-only display of a saved
// examination come here.
#include "UfrmExame.h"

#include "ui_TfrmExamination.h"

// A new examination can be saved.
void TfrmExamination::PrepareResultsForNewExamination() { m_ui->spb_Save_Exame->setVisible(true); }

// A saved examination: its date, nothing to save; the results are filled from Exam.
void TfrmExamination::PrepareResultsForViewing()
{
    const TExame &exam = m_session.Exam();
    m_ui->Pnl_Exm_Time->setVisible(true);
    m_ui->Lbl_ExmDate->setText(exam.DateText + QStringLiteral(" - ") + exam.TimeText);
    m_ui->spb_Save_Exame->setVisible(false);
    m_ui->spbPrintPreview->setEnabled(true);
}

// "Outro olho" made the switch: the next examination can be saved, not yet printed.
void TfrmExamination::ResetResultsForOtherEye()
{
    m_ui->spb_Save_Exame->setEnabled(true);
    m_ui->spbOutroOlho->setEnabled(false);
    m_ui->spbPrintPreview->setEnabled(false);
}
