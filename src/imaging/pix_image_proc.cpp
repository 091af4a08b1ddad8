#include "imaging/pix_image_proc.h"

#include "imaging/rotate.h"

namespace pix {

TPixImageProc::TPixImageProc() : m_undo(std::make_unique<TBitmap>(1, 1)) {}

TBitmap& TPixImageProc::UndoBitmap() {
  SettleUndoSnapshot();
  return *m_undo;
}

void TPixImageProc::SettleUndoSnapshot() {
  if (m_undoTurn == TUndoTurn::None) return;
  TBitmap turned;
  if (m_undoTurn == TUndoTurn::Left)
    QuarterTurnLeft(*m_undo, turned);
  else
    QuarterTurnRight(*m_undo, turned);
  m_undo->SwapContent(turned);
  m_undoTurn = TUndoTurn::None;
}

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
  m_undoTurn = TUndoTurn::None;
  return *m_undo;
}

void TPixImageProc::ClearUndoSnapshot() {
  m_undo->Allocate(1, 1, m_undo->PixelFormat());
  m_undoTurn = TUndoTurn::None;
}

void TPixImageProc::RestoreUndoSnapshot() {
  TBitmap* image = Bitmap();
  if (!image) return;
  SettleUndoSnapshot();
  if (m_undo->Width() > 1 || m_undo->Height() > 1) {
    CopyImage(*m_undo, *image);
    NotifyImageChanged();
  }
}

}  // namespace pix
