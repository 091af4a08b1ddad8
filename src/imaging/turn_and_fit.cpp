#include <cmath>

#include "imaging/pix_image_proc.h"
#include "imaging/resample.h"
#include "imaging/resample_kernels.h"
#include "imaging/resample_passes.h"
#include "imaging/rotate.h"
#include "imaging/turn_fit_plan.h"

namespace pix {

TQuarterTurn QuarterTurnOf(double angle) {
  if (angle == 0 || !std::isfinite(angle)) return TQuarterTurn::None;
  const double f = NormalisedAngle(angle);
  if (f == 90 || f == -270) return TQuarterTurn::Left;
  if (f == -90 || f == 270) return TQuarterTurn::Right;
  return TQuarterTurn::None;
}

TFitPlan PlanFit(TFitSize turned, int32_t maxWidth, int32_t maxHeight) {
  TFitPlan plan;
  TFitSize size = turned;
  if (maxWidth < 1 || maxHeight < 1) return plan;
  if (size.Width > maxWidth) {
    size = {maxWidth, AspectSide(size.Height, maxWidth, size.Width)};
    plan.Size[plan.Steps++] = size;
  }
  if (size.Height > maxHeight) {
    size = {AspectSide(size.Width, maxHeight, size.Height), maxHeight};
    plan.Size[plan.Steps++] = size;
  }
  TFitSize from = turned;
  for (int i = 0; i < plan.Steps; ++i) {
    if (plan.Size[i].Width < 1 || plan.Size[i].Height < 1 || !FilterableSize(from.Width, from.Height)) return {};
    from = plan.Size[i];
  }
  return plan;
}

namespace {

// The eight arrangements as matrices on pixel offsets from the centre (x to
// the right, y down): P's offset = M x S's offset, M = {a, b, c, d} for
// rows (a b) and (c d).
struct TMatrix {
  int A, B, C, D;
  bool operator==(const TMatrix&) const = default;
};
constexpr TMatrix kOrientationMatrix[9] = {
    {1, 0, 0, 1},                                 // (unused)
    {1, 0, 0, 1},   {-1, 0, 0, 1}, {-1, 0, 0, -1},  // as stored, mirrored, half turn
    {1, 0, 0, -1},  {0, 1, 1, 0},  {0, -1, 1, 0},   // flipped, transposed, clockwise
    {0, -1, -1, 0}, {0, 1, -1, 0},                  // transverse, counter-clockwise
};

int32_t ValidOrientation(int32_t orientation) { return orientation >= 1 && orientation <= 8 ? orientation : 1; }

TTapLists::TOrder OrderOf(int sign) { return sign > 0 ? TTapLists::TOrder::Forward : TTapLists::TOrder::Mirrored; }

}  // namespace

TArrangement ArrangementOf(int32_t orientation) {
  const int32_t o = ValidOrientation(orientation);
  const TMatrix& m = kOrientationMatrix[o];
  // P's unit steps seen from S: the rows of M (M is orthogonal).
  TArrangement a;
  a.Orientation = o;
  a.Transposed = m.B != 0;
  a.First = OrderOf(a.Transposed ? m.B : m.A);
  a.Second = OrderOf(a.Transposed ? m.C : m.D);
  return a;
}

int32_t TurnedOrientation(int32_t orientation, TQuarterTurn turn) {
  const int32_t o = ValidOrientation(orientation);
  if (turn == TQuarterTurn::None) return o;
  const TMatrix& t = kOrientationMatrix[turn == TQuarterTurn::Left ? 8 : 6];
  const TMatrix& m = kOrientationMatrix[o];
  const TMatrix product{t.A * m.A + t.B * m.C, t.A * m.B + t.B * m.D, t.C * m.A + t.D * m.C,
                        t.C * m.B + t.D * m.D};
  for (int32_t k = 1; k <= 8; ++k)
    if (kOrientationMatrix[k] == product) return k;
  return o;  // not reached: the eight form a group
}

TFitSize ArrangedSize(int32_t sourceWidth, int32_t sourceHeight, const TArrangement& arrangement) {
  return arrangement.Transposed ? TFitSize{sourceHeight, sourceWidth} : TFitSize{sourceWidth, sourceHeight};
}

TTapLists ArrangedFirstTaps(int32_t sourceWidth, int32_t sourceHeight, const TArrangement& arrangement, TFitSize size,
                            const TFilterEntry& filter) {
  const int32_t along = ArrangedSize(sourceWidth, sourceHeight, arrangement).Width;
  return TTapLists(TContributorLists(along, size.Width, filter), along, arrangement.First);
}

TFitSize ArrangedMidSize(int32_t sourceWidth, int32_t sourceHeight, const TArrangement& arrangement, TFitSize size) {
  return arrangement.Transposed ? TFitSize{sourceWidth, size.Width} : TFitSize{size.Width, sourceHeight};
}

void ResampleArrangedSecond(const TBitmap& mid, int32_t sourceWidth, int32_t sourceHeight,
                            const TArrangement& arrangement, TFitSize size, const TFilterEntry& filter,
                            TBitmap& result, const TProgressRecord& progress) {
  const TFitSize arranged = ArrangedSize(sourceWidth, sourceHeight, arrangement);
  const int32_t along = arranged.Height;
  const TTapLists taps(TContributorLists(along, size.Height, filter), along, arrangement.Second);
  const int32_t firstUnits = arrangement.Transposed ? sourceWidth : sourceHeight;
  // Both passes write every pixel of what they fill.
  if (arrangement.Transposed) {
    result.ReshapeForOverwrite(size.Height, size.Width, TPixelFormat::TrueColor);
    ResampleRows(AsConst(RowsOf(mid)), RowsOf(result), 3, taps,
                 TPassProgress{&progress, firstUnits, static_cast<int64_t>(firstUnits) + size.Width});
  } else {
    result.ReshapeForOverwrite(size.Width, size.Height, TPixelFormat::TrueColor);
    ResampleColumns(AsConst(RowsOf(mid)), RowsOf(result), 3, taps,
                    TPassProgress{&progress, firstUnits, static_cast<int64_t>(firstUnits) + size.Width});
  }
}

void ResampleArranged(const TBitmap& source, const TArrangement& arrangement, TFitSize size,
                      const TFilterEntry& filter, TBitmap& result, const TProgressRecord& progress) {
  const int32_t w = source.Width(), h = source.Height();
  const int32_t firstUnits = arrangement.Transposed ? w : h;
  const TPassProgress first{&progress, 0, static_cast<int64_t>(firstUnits) + size.Width};
  const TFitSize midSize = ArrangedMidSize(w, h, arrangement, size);
  TBitmap mid;
  mid.ReshapeForOverwrite(midSize.Width, midSize.Height, TPixelFormat::TrueColor);
  const TTapLists taps = ArrangedFirstTaps(w, h, arrangement, size, filter);
  if (arrangement.Transposed)
    ResampleColumns(RowsOf(source), RowsOf(mid), 3, taps, first);
  else
    ResampleRows(RowsOf(source), RowsOf(mid), 3, taps, first);
  ResampleArrangedSecond(mid, w, h, arrangement, size, filter, result, progress);
}

void TPixImageProc::TurnAndFit(double angle, int32_t maxWidth, int32_t maxHeight, TResampleFilter filter) {
  TBitmap* image = Bitmap();
  if (!image) return;
  const TQuarterTurn turn = QuarterTurnOf(angle);
  const TFilterEntry* entry = FilterEntryOf(filter);
  TPixMask* alpha = AlphaPlane();
  // An alpha plane with content would have to follow the separate calls'
  // own handling of it (turned or not, depending on the view).
  const bool fusable = turn != TQuarterTurn::None && entry && image->PixelFormat() == TPixelFormat::TrueColor &&
                       (!alpha || alpha->Full());
  const TFitPlan plan = fusable ? PlanFit(TFitSize{image->Height(), image->Width()}, maxWidth, maxHeight) : TFitPlan{};
  if (plan.Steps == 0) {
    RotateByDegrees(angle, false);
    if (image->Width() > maxWidth) ResampleToSize(maxWidth, -1, filter);
    if (image->Height() > maxHeight) ResampleToSize(-1, maxHeight, filter);
    return;
  }
  // The snapshot of the last separate call holds the picture before it: the
  // turned original, or the turned result of the first resample. Both are
  // kept unturned.
  const TBitmap& source = BeginReplacingOperation(*image);
  if (AutoUndo) m_undoTurn = turn == TQuarterTurn::Left ? TUndoTurn::Left : TUndoTurn::Right;
  const TArrangement turned = ArrangementOf(TurnedOrientation(1, turn));
  TBitmap first, second;
  ResampleArranged(source, turned, plan.Size[0], *entry, first, ProgressRecord());
  const TBitmap* last = &first;
  if (plan.Steps == 2) {
    ResampleArranged(first, turned, plan.Size[1], *entry, second, ProgressRecord());
    if (AutoUndo) m_undo->SwapContent(first);
    last = &second;
  }
  if (turn == TQuarterTurn::Left)
    QuarterTurnLeft(*last, *image);
  else
    QuarterTurnRight(*last, *image);
  const TFitSize fitted = plan.Size[plan.Steps - 1];
  if (alpha) {
    alpha->Allocate(fitted.Width, fitted.Height, 8);
    alpha->Fill(255);
  }
  for (int i = 0; i <= plan.Steps; ++i) NotifyImageChanged();
}

}  // namespace pix
