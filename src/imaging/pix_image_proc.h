#pragma once
// The processing component: transforms the working image in place. Every
// operation follows one frame: return without an image or when its
// precondition fails, take the undo snapshot (AutoUndo), build the result in a
// temporary and copy it back (the image object keeps its identity), bring the
// alpha plane to the new size, notify.
#include <memory>

#include "imaging/bitmap.h"
#include "imaging/image_client.h"
#include "imaging/orient.h"
#include "imaging/selection_area.h"

namespace pix {

class TPixImageProc : public TPixImageClient {
public:
  TPixImageProc();

  bool AutoUndo = true;
  // Settings of the preview dialog (not part of this library), carried for the
  // owner: the pages shown as a set of flags, and the event it fires.
  uint32_t ProcPreviewsParams = 0;
  TNotifyEvent OnPreview;

  // The undo snapshot (settled first when it is held unturned, see TurnAndFit).
  TBitmap& UndoBitmap();

  // One level of undo: the snapshot replaces the previous one. A 1 x 1
  // snapshot counts as none.
  void SaveUndoSnapshot();
  void ClearUndoSnapshot();
  void RestoreUndoSnapshot();

  // Operations (one unit each).

  // Turns a TrueColor image into shades of gray in place: only the selected
  // pixels when the attached image view has a selection, else all of them.
  // Other formats are left alone (and no snapshot is taken).
  void ApplyGrayscale();
  // Resizes the image in place to newWidth x newHeight with the given filter.
  // A negative side is derived from the other one keeping the aspect ratio
  // (truncating); both negative leaves the image alone after the snapshot.
  // TrueColor images are filtered (rfNone stretches plainly); 1-bit images are
  // always stretched plainly. The alpha plane follows the new size.
  void ResampleToSize(int32_t newWidth, int32_t newHeight, TResampleFilter filter);
  // Turns the image counter-clockwise by angle degrees (used to 1/1000 degree).
  // TrueColor: multiples of 90 move pixels exactly, the rest is sheared with
  // the background filling the corners. Other formats: inverse mapping, white
  // fill when OwnBackground() is non-zero. 0 (and non-finite angles) do nothing.
  void RotateByDegrees(double angle, bool antialias);
  // RotateByDegrees(angle, false), then ResampleToSize(maxWidth, -1, filter)
  // when the image is wider than maxWidth, then ResampleToSize(-1, maxHeight,
  // filter) when it is still higher than maxHeight: the same pixels, undo
  // snapshot, alpha plane and number of notifications as those calls one
  // after the other (the notifications all come at the end). A quarter turn of
  // a TrueColor image that is then filtered is done without turning the whole
  // picture: the unturned picture is resampled in the other pass order, which
  // forms the same sums in the same order, and only the small result is
  // turned; an undo snapshot of a turned picture is then kept unturned and
  // turned when it is first asked for. Progress counts the steps of each
  // resample as ResampleToSize does, per column where it counts rows.
  void TurnAndFit(double angle, int32_t maxWidth, int32_t maxHeight, TResampleFilter filter);
  // Mirrors the image in place, left to right (maHorizontal) or top to bottom
  // (maVertical), moving pixels exactly in any format; an alpha plane of the
  // image's size is mirrored with it.
  void Mirror(TMirrorAxis axis);
  // Brings a picture stored the way the EXIF Orientation value describes
  // (2..8, see OrientToUpright) into its upright form in one exact pass;
  // 5 to 8 swap width and height. An alpha plane of the image's size moves
  // with it. Other values do nothing (no snapshot, no notice).
  void OrientUpright(int exifOrientation);

  // The whole-image rectangle and, when attached to a TPixImageView, its
  // selection mask.
  TSelectionArea GetSelectionArea();

protected:
  // Frame step 2: the snapshot when AutoUndo is on.
  void BeginOperation() {
    if (AutoUndo) SaveUndoSnapshot();
  }
  // Frame step 2 for an operation that builds a whole new image from the old
  // one: with AutoUndo the picture moves into the snapshot instead of being
  // copied there, and the operation reads it back from the snapshot. Returns
  // the bitmap to read from. The image is then left holding the previous
  // snapshot's pixels: the operation must replace them entirely.
  const TBitmap& BeginReplacingOperation(TBitmap& image);
  // Progress after k of n steps, when a handler is set.
  void Progress(int64_t k, int64_t n) { ProgressRecord().ReportStep(k, n); }

private:
  // How the snapshot's pixels relate to the picture it stands for.
  enum class TUndoTurn { None, Left, Right };
  void SettleUndoSnapshot();

  std::unique_ptr<TBitmap> m_undo;
  TUndoTurn m_undoTurn = TUndoTurn::None;
};

}  // namespace pix
