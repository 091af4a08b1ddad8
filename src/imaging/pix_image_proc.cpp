#include "imaging/pix_image_proc.h"

namespace pix {

TPixImageProc::TPixImageProc() : m_undo(std::make_unique<TBitmap>(1, 1)) {}

void TPixImageProc::SaveUndoSnapshot() {
  TBitmap* image = Bitmap();
  if (!image) return;
  ClearUndoSnapshot();
  if (image->Width() >= 1 && image->Height() >= 1) CopyImage(*image, *m_undo);
}

const TBitmap& TPixImageProc::BeginReplacingOperation(TBitmap& image) {
  if (!AutoUndo) return image;
  if (image.Width() < 1 || image.Height() < 1) {
    SaveUndoSnapshot();
    return image;
  }
  // The image takes the old snapshot's block in exchange: an operation that
  // writes every pixel of its result can reuse it instead of new memory.
  m_undo->SwapContent(image);
  return *m_undo;
}

void TPixImageProc::ClearUndoSnapshot() { m_undo->Allocate(1, 1, m_undo->PixelFormat()); }

void TPixImageProc::RestoreUndoSnapshot() {
  TBitmap* image = Bitmap();
  if (!image) return;
  if (m_undo->Width() > 1 || m_undo->Height() > 1) {
    CopyImage(*m_undo, *image);
    NotifyImageChanged();
  }
}

}  // namespace pix
