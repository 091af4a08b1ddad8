#pragma once
// Small image builders and comparisons shared by the processing tests.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"
#include "imaging/progress.h"

namespace proctest {

// Collects every percentage an operation reports; converts to the progress
// record an operation takes, valid for the call it is made for.
struct Recorder {
  explicit Recorder(std::vector<int>& seen) : Handler([&seen](pix::TPixObject*, int per) { seen.push_back(per); }) {}
  operator pix::TProgressRecord() const { return pix::TProgressRecord{.Handler = &Handler}; }
  pix::TPixProgressEvent Handler;
};

using Triple = std::array<uint8_t, 3>;  // blue, green, red

inline Triple PixelOf(const pix::TBitmap& bmp, int32_t x, int32_t y) {
  const uint8_t* p = bmp.ScanLine(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

inline void SetPixel(pix::TBitmap& bmp, int32_t x, int32_t y, Triple t) {
  std::memcpy(bmp.ScanLine(y) + 3 * x, t.data(), 3);
}

inline bool BitOf(const pix::TBitmap& bmp, int32_t x, int32_t y) {
  return (bmp.ScanLine(y)[x >> 3] & (0x80 >> (x & 7))) != 0;
}

inline void SetBit(pix::TBitmap& bmp, int32_t x, int32_t y, bool on) {
  uint8_t& b = bmp.ScanLine(y)[x >> 3];
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  b = on ? static_cast<uint8_t>(b | mask) : static_cast<uint8_t>(b & ~mask);
}

// Random pixels in the given format (padding bytes stay 0).
inline void FillRandom(pix::TBitmap& bmp, uint32_t seed) {
  std::mt19937 rng(seed);
  const int64_t used = (static_cast<int64_t>(bmp.Width()) * bmp.BitsPerPixel() + 7) / 8;
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int64_t i = 0; i < used; ++i) bmp.ScanLine(y)[i] = static_cast<uint8_t>(rng());
  if (bmp.PixelFormat() == pix::TPixelFormat::Bilevel && bmp.Width() % 8 != 0)
    for (int32_t y = 0; y < bmp.Height(); ++y)
      bmp.ScanLine(y)[used - 1] &= static_cast<uint8_t>(0xFF00 >> (bmp.Width() % 8));
}

inline void MakeRandom(pix::TBitmap& bmp, int32_t w, int32_t h, uint32_t seed,
                       pix::TPixelFormat format = pix::TPixelFormat::TrueColor) {
  bmp.Allocate(w, h, format);
  FillRandom(bmp, seed);
}

// A processing component attached to an image view whose image is w x h
// random pixels; counts the view's image-changed notices.
struct ViewRig {
  pix::TPixImageView view;
  pix::TPixImageProc proc;
  int changes = 0;
  explicit ViewRig(int32_t w, int32_t h, uint32_t seed = 1,
                   pix::TPixelFormat format = pix::TPixelFormat::TrueColor) {
    MakeRandom(*view.CurrentBitmap(), w, h, seed, format);
    view.UpdateView();
    proc.SetAttachedView(&view);
    view.OnImageChange = [this](pix::TPixObject*) { ++changes; };
  }
  pix::TBitmap& Image() { return *view.CurrentBitmap(); }
};

// Same format, size and pixels (padding ignored).
inline ::testing::AssertionResult SameImage(const pix::TBitmap& a, const pix::TBitmap& b) {
  if (a.PixelFormat() != b.PixelFormat()) return ::testing::AssertionFailure() << "formats differ";
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return ::testing::AssertionFailure() << a.Width() << "x" << a.Height() << " vs " << b.Width() << "x" << b.Height();
  const int64_t bits = static_cast<int64_t>(a.Width()) * a.BitsPerPixel();
  for (int32_t y = 0; y < a.Height(); ++y) {
    const uint8_t* p = a.ScanLine(y);
    const uint8_t* q = b.ScanLine(y);
    for (int64_t i = 0; i < bits / 8; ++i)
      if (p[i] != q[i]) return ::testing::AssertionFailure() << "row " << y << " byte " << i << " differs";
    if (bits % 8 != 0) {
      const auto mask = static_cast<uint8_t>(0xFF00 >> (bits % 8));
      if ((p[bits / 8] & mask) != (q[bits / 8] & mask))
        return ::testing::AssertionFailure() << "row " << y << " last bits differ";
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace proctest
