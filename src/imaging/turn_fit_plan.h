#pragma once
// What TurnAndFit and its streamed form share: which quarter turn an angle
// is, the resamples a fit takes, and the resample of a picture P that is an
// arrangement of a stored source S (turned, mirrored, as the eight EXIF
// orientations describe) done on S itself. P's horizontal pass runs along the
// axis of S that P's rows follow and its vertical pass along the other, with
// the lists taken mirrored where P runs against S; the sums and their order
// are those of resampling P, and only the small result is moved into P's
// arrangement.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/progress.h"
#include "imaging/resample_kernels.h"
#include "imaging/resample_taps.h"

namespace pix {

enum class TQuarterTurn { None, Left, Right };

// The quarter turn an angle comes to after normalisation, if it is one.
TQuarterTurn QuarterTurnOf(double angle);

struct TFitSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// What the separate calls would do to a picture of the given (turned) size:
// up to two resamples, each to a size of at least 1 x 1 from a filterable
// source. Anything else (nothing to resample, an empty or negative side)
// leaves Steps at 0 and is done by the separate calls themselves.
struct TFitPlan {
  int Steps = 0;
  TFitSize Size[2];
};

TFitPlan PlanFit(TFitSize turned, int32_t maxWidth, int32_t maxHeight);

// P = OrientToUpright(S, Orientation).
struct TArrangement {
  int32_t Orientation = 1;
  bool Transposed = false;  // P's rows run down S's columns
  TTapLists::TOrder First = TTapLists::TOrder::Forward;   // P's horizontal pass
  TTapLists::TOrder Second = TTapLists::TOrder::Forward;  // P's vertical pass
};

// The arrangement of an EXIF orientation (1..8; any other value counts as 1).
TArrangement ArrangementOf(int32_t orientation);
// The orientation whose upright form is the upright form of orientation,
// turned a quarter.
int32_t TurnedOrientation(int32_t orientation, TQuarterTurn turn);
// P's size for a source of sourceWidth x sourceHeight.
TFitSize ArrangedSize(int32_t sourceWidth, int32_t sourceHeight, const TArrangement& arrangement);

// The lists of the first pass (P's horizontal pass), indices into the axis of
// the source it runs along.
TTapLists ArrangedFirstTaps(int32_t sourceWidth, int32_t sourceHeight, const TArrangement& arrangement, TFitSize size,
                            const TFilterEntry& filter);
// The first pass's result of a sourceWidth x sourceHeight source: the size
// mid must have.
TFitSize ArrangedMidSize(int32_t sourceWidth, int32_t sourceHeight, const TArrangement& arrangement, TFitSize size);

// The second pass: mid (the first pass's result, in S's arrangement) into
// result, the form R of P resampled to size that OrientToUpright(R,
// Orientation) turns into it. progress counts as the first pass left it.
void ResampleArrangedSecond(const TBitmap& mid, int32_t sourceWidth, int32_t sourceHeight,
                            const TArrangement& arrangement, TFitSize size, const TFilterEntry& filter,
                            TBitmap& result, const TProgressRecord& progress);

// Both passes on a whole source. Progress counts the first pass's units (the
// source's columns when transposed, else its rows), then the second's.
void ResampleArranged(const TBitmap& source, const TArrangement& arrangement, TFitSize size,
                      const TFilterEntry& filter, TBitmap& result, const TProgressRecord& progress);

}  // namespace pix
