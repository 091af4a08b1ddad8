#pragma once
// Shared by the PNG and TIFF tests: a codec run with its own flag, reason and
// damage note, pictures of every layout the writers choose, and comparisons.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "codecs/common/codec_entry.h"

namespace rastertest {

// One read or write: the record, the flags a codec reports through, and the
// stream the bytes live in.
struct CodecRun {
  bool aborted = false;
  pix::TFailureReason reason = pix::frNone;
  pix::TFailureReason damage = pix::frNone;
  std::vector<int> percents;
  pix::TPixProgressEvent handler = [this](pix::TPixObject*, int per) { percents.push_back(per); };
  pix::TProgressRecord progress{.Handler = &handler, .Aborting = &aborted, .Reason = &reason, .Damage = &damage};
  pix::TIOParams params;
  pix::TBitmap image;
  pix::TPixMask alpha;

  bool Read(pix::TCodecRead read, const std::vector<uint8_t>& bytes, bool paramsOnly = false) {
    pix::TPixMemoryStream in(bytes);
    read(in, image, &alpha, paramsOnly, params, progress);
    return !aborted;
  }
  std::vector<uint8_t> Write(pix::TCodecWrite write, pix::TBitmap& picture, const pix::TPixMask* planeOrNull) {
    pix::TPixMemoryStream out;
    write(out, picture, planeOrNull, params, progress);
    return out.Bytes();
  }
};

inline void Put(pix::TBitmap& b, int x, int y, uint8_t blue, uint8_t green, uint8_t red) {
  uint8_t* p = b.ScanLine(y) + 3 * x;
  p[0] = blue, p[1] = green, p[2] = red;
}

// Smooth gradients with noise: thousands of colours.
inline void Photo(pix::TBitmap& b, int w, int h, uint32_t seed = 1) {
  b.Allocate(w, h, pix::TPixelFormat::TrueColor);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      Put(b, x, y, static_cast<uint8_t>(x * 255 / w + rng() % 7), static_cast<uint8_t>(y * 255 / h),
          static_cast<uint8_t>((x * y + rng() % 5) & 0xFF));
}

// Diagonal bands of the given colours (blue, green, red each).
inline void Bands(pix::TBitmap& b, int w, int h, const std::vector<std::array<uint8_t, 3>>& colors) {
  b.Allocate(w, h, pix::TPixelFormat::TrueColor);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto& c = colors[static_cast<size_t>((x + 2 * y) / 3) % colors.size()];
      Put(b, x, y, c[0], c[1], c[2]);
    }
}

inline void Grays(pix::TBitmap& b, int w, int h) {
  b.Allocate(w, h, pix::TPixelFormat::TrueColor);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto g = static_cast<uint8_t>((x * 7 + y * 13) & 0xFF);
      Put(b, x, y, g, g, g);
    }
}

inline void Checks(pix::TBitmap& b, int w, int h) {
  b.Allocate(w, h, pix::TPixelFormat::Bilevel);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x / 3 + y / 2 + x * y) % 3 == 0) b.ScanLine(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

// Alpha from 0 to 255 across the picture, with a fully opaque corner.
inline void Ramp(pix::TPixMask& a, int w, int h) {
  a.Allocate(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) a.ScanLine(y)[x] = x < 2 && y < 2 ? 255 : static_cast<uint8_t>((x * 37 + y * 11) & 0xFF);
}

// Same format and size, and the same visible pixels (row padding ignored).
inline ::testing::AssertionResult SamePicture(const pix::TBitmap& a, const pix::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
    return ::testing::AssertionFailure() << a.Width() << "x" << a.Height() << " format " << int(a.PixelFormat())
                                         << " against " << b.Width() << "x" << b.Height() << " format "
                                         << int(b.PixelFormat());
  const bool bits = a.PixelFormat() == pix::TPixelFormat::Bilevel;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const bool same = bits ? ((a.ScanLine(y)[x >> 3] ^ b.ScanLine(y)[x >> 3]) & (0x80 >> (x & 7))) == 0
                             : std::memcmp(a.ScanLine(y) + 3 * x, b.ScanLine(y) + 3 * x, 3) == 0;
      if (!same) return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult SameAlpha(const pix::TPixMask& a, const pix::TPixMask& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return ::testing::AssertionFailure() << "sizes differ";
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y))
        return ::testing::AssertionFailure() << "alpha " << x << "," << y << ": " << int(a.GetPixel(x, y)) << " against "
                                             << int(b.GetPixel(x, y));
  return ::testing::AssertionSuccess();
}

inline int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
inline std::string Quote(const std::string& path) { return "'" + path + "'"; }

}  // namespace rastertest
