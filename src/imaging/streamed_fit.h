#pragma once
// TurnAndFit, after bringing the picture upright by its EXIF orientation, for
// a TrueColor picture whose rows arrive one at a time from the top, as a
// decoder gives them. The pass that reads the source runs on a band of rows
// while the decode goes on, so the whole picture is never held: a photo's
// conversion works in a few megabytes instead of fresh, full-size blocks
// (which the kernel must clear first). The result has the bytes OrientUpright
// and TurnAndFit give for the whole picture. One at a time per thread: the
// band is the thread's.
#include <cstdint>
#include <memory>

#include "imaging/bitmap.h"
#include "imaging/resample_kernels.h"
#include "imaging/row_sink.h"

namespace pix {

class TStreamedTurnAndFit final : public TRowSink {
public:
  TStreamedTurnAndFit(double angle, int32_t maxWidth, int32_t maxHeight, TResampleFilter filter);
  ~TStreamedTurnAndFit() override;
  TStreamedTurnAndFit(const TStreamedTurnAndFit&) = delete;
  TStreamedTurnAndFit& operator=(const TStreamedTurnAndFit&) = delete;

  // Whether TurnAndFit turns and filters a width x height picture in one
  // operation (a quarter turn with something to shrink), which is what this
  // does, after OrientUpright(orientation) (1: as stored); other pictures are
  // declined by Start.
  bool Fits(int32_t width, int32_t height, int32_t orientation = 1) const;

  // The rows are of a picture that OrientUpright(orientation) would bring
  // upright first; the result is that of OrientUpright and TurnAndFit.
  bool Start(int32_t width, int32_t height, int32_t orientation);
  bool Start(int32_t width, int32_t height) override { return Start(width, height, 1); }
  uint8_t* RowTarget(int32_t y) override;
  void RowDone(int32_t y) override;

  bool Started() const;
  // The turned, fitted picture into result once every row is done; rows that
  // never came count as black, as in a decode that stopped early.
  void Finish(TBitmap& result);

private:
  struct TState;
  void ProcessReadyGroups();

  double m_angle;
  int32_t m_maxWidth, m_maxHeight;
  TResampleFilter m_filter;
  std::unique_ptr<TState> m_state;
};

}  // namespace pix
