#pragma once
// Shared by the PNM, TGA, PCX and icon codec tests: one read or write through
// a codec of the common shape with its own record, failure slots and
// progress log, and small pictures to feed the writers.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "codecs/common/codec_entry.h"
#include "platform/stream.h"

namespace rawtest {

struct TCodecRun {
  pix::TIOParams Params;
  pix::TBitmap Image;
  pix::TPixMask Alpha;
  bool Aborted = false;
  pix::TFailureReason Reason = pix::frNone;
  pix::TFailureReason Damage = pix::frNone;
  std::vector<int> Reports;  // progress percentages in order
  int StopAt = -1;           // the handler asks to stop from this percentage on

  pix::TProgressRecord Progress() {
    m_handler = [this](pix::TPixObject*, int per) {
      Reports.push_back(per);
      if (StopAt >= 0 && per >= StopAt) Aborted = true;
    };
    return pix::TProgressRecord{.Handler = &m_handler, .Aborting = &Aborted, .Reason = &Reason, .Damage = &Damage};
  }
  // Reads bytes through read; true when it did not give up.
  bool Read(pix::TCodecRead read, const std::string& bytes, bool paramsOnly = false) {
    pix::TPixMemoryStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    pix::TProgressRecord progress = Progress();
    read(s, Image, &Alpha, paramsOnly, Params, progress);
    return !Aborted;
  }
  // The bytes write makes of image; Aborted and Reason tell how it went.
  std::string Write(pix::TCodecWrite write, pix::TBitmap& image, const pix::TPixMask* alpha = nullptr) {
    pix::TPixMemoryStream s;
    pix::TProgressRecord progress = Progress();
    write(s, image, alpha, Params, progress);
    return std::string(s.Bytes().begin(), s.Bytes().end());
  }

private:
  pix::TPixProgressEvent m_handler;
};

// A TrueColor picture whose pixels differ from their neighbours.
inline void Paint(pix::TBitmap& image, int32_t w, int32_t h, int seed = 0) {
  image.Allocate(w, h, pix::TPixelFormat::TrueColor);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* p = image.ScanLine(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 37 + y * 11 + seed);
      p[1] = static_cast<uint8_t>(x * 5 + y * 71 + 3 * seed);
      p[2] = static_cast<uint8_t>(x * y + 7 * seed);
    }
}

// "rrggbb" of pixel (x, y) of a TrueColor or Bilevel image.
inline std::string Rgb(const pix::TBitmap& image, int32_t x, int32_t y) {
  uint8_t r, g, b;
  if (image.PixelFormat() == pix::TPixelFormat::Bilevel) {
    r = g = b = ((image.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
  } else {
    const uint8_t* p = image.ScanLine(y) + 3 * x;
    b = p[0], g = p[1], r = p[2];
  }
  char text[8];
  std::snprintf(text, sizeof text, "%02x%02x%02x", r, g, b);
  return text;
}

// Little-endian fields for hand-made headers.
inline std::string LE16(int v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
inline std::string LE32(uint32_t v) { return LE16(int(v & 0xFFFF)) + LE16(int(v >> 16)); }

}  // namespace rawtest
