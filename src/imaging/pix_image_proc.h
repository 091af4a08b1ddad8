#pragma once
// The processing component: transforms the working image in place. Every
// operation follows one frame: return without an image or when its
// precondition fails, take the undo snapshot (AutoUndo), build the result in a
// temporary and copy it back (the image object keeps its identity), bring the
// alpha plane to the new size, notify.
#include <memory>

#include "imaging/bitmap.h"
#include "imaging/image_client.h"

namespace pix {

class TPixImageProc : public TPixImageClient {
public:
  TPixImageProc();

  bool AutoUndo = true;

  TBitmap& UndoBitmap() { return *m_undo; }

  // One level of undo: the snapshot replaces the previous one. A 1 x 1
  // snapshot counts as none.
  void SaveUndoSnapshot();
  void ClearUndoSnapshot();
  void RestoreUndoSnapshot();

  // Operations (one unit each).
  void ApplyGrayscale();
  void ResampleToSize(int32_t newWidth, int32_t newHeight, TResampleFilter filter);
  void RotateByDegrees(double angle, bool antialias);

protected:
  // Frame step 2: the snapshot when AutoUndo is on.
  void BeginOperation() {
    if (AutoUndo) SaveUndoSnapshot();
  }
  // Progress after k of n steps, when a handler is set.
  void Progress(int64_t k, int64_t n) {
    if (OnProgress) OnProgress(this, ProgressPercent(k, n));
  }

private:
  std::unique_ptr<TBitmap> m_undo;
};

}  // namespace pix
