#pragma once
// The 12-megapixel picture the codec benchmarks read and write: smooth
// gradients with a little noise, enough colours to exercise a quantizer and
// enough local structure for run-length coders; and the record and progress a
// codec call needs.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "codecs/common/io_params.h"
#include "imaging/bitmap.h"
#include "imaging/progress.h"

namespace pixbench {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A width x height photo-like picture: smooth gradients with a little noise.
inline std::unique_ptr<pix::TBitmap> MakePhotoLike(int width, int height) {
  auto b = std::make_unique<pix::TBitmap>(width, height, pix::TPixelFormat::TrueColor);
  std::mt19937 rng(1);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const double u = x / double(width), v = y / double(height);
      const int noise = static_cast<int>(rng() % 9) - 4;
      row[3 * x] = static_cast<uint8_t>(std::clamp(int(255 * v * v) + noise, 0, 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::clamp(int(128 + 120 * std::sin(6 * u + 3 * v)) + noise, 0, 255));
      row[3 * x + 2] = static_cast<uint8_t>(std::clamp(int(255 * u) + noise, 0, 255));
    }
  }
  return b;
}

inline const pix::TBitmap& PhotoLike() {
  static const std::unique_ptr<pix::TBitmap> image = MakePhotoLike(kWidth, kHeight);
  return *image;
}

// The same picture as plain C libraries take it: red, green, blue, top row first.
inline const std::vector<uint8_t>& PhotoRgb() {
  static const std::vector<uint8_t> rgb = [] {
    std::vector<uint8_t> out(size_t{kWidth} * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint8_t* p = PhotoLike().ScanLine(y) + 3 * x;
        uint8_t* q = &out[(size_t(y) * kWidth + size_t(x)) * 3];
        q[0] = p[2], q[1] = p[1], q[2] = p[0];
      }
    return out;
  }();
  return rgb;
}

struct TRun {
  bool aborted = false;
  pix::TProgressRecord progress;
  pix::TIOParams params;
  TRun() { progress.Aborting = &aborted; }
};

}  // namespace pixbench
