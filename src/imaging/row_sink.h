#pragma once
// Where a decoder may put a picture's rows instead of into a bitmap: rows come
// from the top, one at a time, 3 bytes a pixel in the bitmap's byte order.
#include <cstdint>

namespace pix {

class TRowSink {
public:
  virtual ~TRowSink() = default;
  // Called once the size is known, before any row; false leaves the rows to
  // the decoder's own bitmap.
  virtual bool Start(int32_t width, int32_t height) = 0;
  // Where row y goes (y = 0, 1, ... in order); valid until RowDone(y).
  virtual uint8_t* RowTarget(int32_t y) = 0;
  virtual void RowDone(int32_t y) = 0;
};

}  // namespace pix
