#pragma once
// The two passes of the resampling engine, over rows of bytes with 1 or 3
// channels per pixel. Every destination byte is SumToByte of the weighted sum
// of its list's source bytes, accumulated in list order in extended precision
// and rounded to a 64-bit float after every addition. Two engines compute it:
// the plain one does exactly that; the vector one (AVX2 with FMA, chosen at
// run time) accumulates with fused multiply-adds and recomputes the plain way
// every sum that lies too close to a half-integer to be sure of its byte, so
// both give the same bytes. Rows, or column strips, are split over
// ImagingThreads(); each sum is computed the same way by whichever thread.
#include <cstdint>
#include <type_traits>

#include "imaging/progress.h"
#include "imaging/resample_taps.h"

namespace pix {

// Rows of an image or plane, addressed from the top row with a signed step.
template <typename Byte>
struct TRows {
  Byte* Top = nullptr;
  int64_t Step = 0;
  int32_t Width = 0;  // pixels
  int32_t Height = 0;
  Byte* Row(int64_t y) const { return Top + y * Step; }
};

template <typename Image>
auto RowsOf(Image& image) {
  using Byte = std::remove_pointer_t<decltype(image.ScanLine(0))>;
  TRows<Byte> rows;
  rows.Width = image.Width();
  rows.Height = image.Height();
  rows.Step = -image.RowStride();
  if (rows.Width > 0 && rows.Height > 0) rows.Top = image.ScanLine(0);
  return rows;
}

template <typename Byte>
TRows<const Byte> AsConst(const TRows<Byte>& rows) {
  return {rows.Top, rows.Step, rows.Width, rows.Height};
}

// Progress of a pass within its operation: each step is reported as
// ProgressPercent(Before + k, Total), k = 1, 2, ... in order, always from the
// calling thread.
struct TPassProgress {
  const TProgressRecord* Sink = nullptr;
  int64_t Before = 0;
  int64_t Total = 0;
};

// Horizontal pass: dst row y is src row y filtered along x with taps (one list
// per destination column, indices into src's columns); dst.Height must equal
// src.Height. One progress step per row.
void ResampleRows(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels, const TTapLists& taps,
                  const TPassProgress& progress = {});

// Vertical pass: dst column x is src column x filtered along y with taps (one
// list per destination row, indices into src's rows); dst.Width must equal
// src.Width. One progress step per pixel column.
void ResampleColumns(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels, const TTapLists& taps,
                     const TPassProgress& progress = {});

// Whether this CPU runs the vector engine (AVX2 and FMA).
bool FmaResamplingSupported();
// Forces the plain engine even where the vector one could run (tests,
// benchmarks). Off by default.
bool PlainResamplingForced();
void ForcePlainResampling(bool on);

}  // namespace pix
