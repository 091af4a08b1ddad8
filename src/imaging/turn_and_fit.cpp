#include <cmath>

#include "imaging/pix_image_proc.h"
#include "imaging/resample.h"
#include "imaging/resample_kernels.h"
#include "imaging/resample_passes.h"
#include "imaging/rotate.h"

namespace pix {

namespace {

enum class TTurn { None, Left, Right };

// The quarter turn an angle comes to after normalisation, if it is one.
TTurn QuarterTurnOf(double angle) {
  if (angle == 0 || !std::isfinite(angle)) return TTurn::None;
  const double f = NormalisedAngle(angle);
  if (f == 90 || f == -270) return TTurn::Left;
  if (f == -90 || f == 270) return TTurn::Right;
  return TTurn::None;
}

struct TSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// What the separate calls would do to a picture of the given (turned) size:
// up to two resamples, each to a size of at least 1 x 1 from a filterable
// source. Anything else (nothing to resample, an empty or negative side)
// leaves Steps at 0 and is done by the separate calls themselves.
struct TFitPlan {
  int Steps = 0;
  TSize Size[2];
};

TFitPlan PlanFit(TSize turned, int32_t maxWidth, int32_t maxHeight) {
  TFitPlan plan;
  TSize size = turned;
  if (maxWidth < 1 || maxHeight < 1) return plan;
  if (size.Width > maxWidth) {
    size = {maxWidth, AspectSide(size.Height, maxWidth, size.Width)};
    plan.Size[plan.Steps++] = size;
  }
  if (size.Height > maxHeight) {
    size = {AspectSide(size.Width, maxHeight, size.Height), maxHeight};
    plan.Size[plan.Steps++] = size;
  }
  TSize from = turned;
  for (int i = 0; i < plan.Steps; ++i) {
    if (plan.Size[i].Width < 1 || plan.Size[i].Height < 1 || !FilterableSize(from.Width, from.Height)) return {};
    from = plan.Size[i];
  }
  return plan;
}

// Sets result to R such that turning R gives ResampleFiltered of source
// turned, at size (the turned result's size). The turned picture's
// horizontal pass is the source's vertical pass and its vertical pass the
// source's horizontal pass; where the turn reverses an axis the lists are
// taken mirrored. Progress counts as for the turned picture.
void ResampleTurned(const TBitmap& source, TTurn turn, TSize size, const TFilterEntry& filter, TBitmap& result,
                    const TProgressRecord& progress) {
  const int32_t turnedWidth = source.Height(), turnedHeight = source.Width();
  const auto across = turn == TTurn::Right ? TTapLists::TOrder::Mirrored : TTapLists::TOrder::Forward;
  const auto along = turn == TTurn::Left ? TTapLists::TOrder::Mirrored : TTapLists::TOrder::Forward;
  const int64_t steps = static_cast<int64_t>(size.Width) + turnedHeight;
  TBitmap mid;
  // Both passes write every pixel of what they fill.
  mid.ReshapeForOverwrite(source.Width(), size.Width, TPixelFormat::TrueColor);
  ResampleColumns(RowsOf(source), RowsOf(mid), 3,
                  TTapLists(TContributorLists(turnedWidth, size.Width, filter), turnedWidth, across),
                  TPassProgress{&progress, 0, steps});
  result.ReshapeForOverwrite(size.Height, size.Width, TPixelFormat::TrueColor);
  ResampleRows(AsConst(RowsOf(mid)), RowsOf(result), 3,
               TTapLists(TContributorLists(turnedHeight, size.Height, filter), turnedHeight, along),
               TPassProgress{&progress, turnedHeight, steps});
}

}  // namespace

void TPixImageProc::TurnAndFit(double angle, int32_t maxWidth, int32_t maxHeight, TResampleFilter filter) {
  TBitmap* image = Bitmap();
  if (!image) return;
  const TTurn turn = QuarterTurnOf(angle);
  const TFilterEntry* entry = FilterEntryOf(filter);
  TPixMask* alpha = AlphaPlane();
  // An alpha plane with content would have to follow the separate calls'
  // own handling of it (turned or not, depending on the view).
  const bool fusable = turn != TTurn::None && entry && image->PixelFormat() == TPixelFormat::TrueColor &&
                       (!alpha || alpha->Full());
  const TFitPlan plan = fusable ? PlanFit({image->Height(), image->Width()}, maxWidth, maxHeight) : TFitPlan{};
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
  if (AutoUndo) m_undoTurn = turn == TTurn::Left ? TUndoTurn::Left : TUndoTurn::Right;
  TBitmap first, second;
  ResampleTurned(source, turn, plan.Size[0], *entry, first, ProgressRecord());
  const TBitmap* last = &first;
  if (plan.Steps == 2) {
    ResampleTurned(first, turn, plan.Size[1], *entry, second, ProgressRecord());
    if (AutoUndo) m_undo->SwapContent(first);
    last = &second;
  }
  if (turn == TTurn::Left)
    QuarterTurnLeft(*last, *image);
  else
    QuarterTurnRight(*last, *image);
  const TSize fitted = plan.Size[plan.Steps - 1];
  if (alpha) {
    alpha->Allocate(fitted.Width, fitted.Height, 8);
    alpha->Fill(255);
  }
  for (int i = 0; i <= plan.Steps; ++i) NotifyImageChanged();
}

}  // namespace pix
