#pragma once
// Builds BMP files byte by byte for the codec tests, and reads them back.
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/common/stream_io.h"

namespace bmptest {

using Bytes = std::vector<uint8_t>;

// Header fields as they go into the file; sizes and the pixel offset are computed.
struct BmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 1, height = 1;
  uint16_t depth = 24;
  uint32_t compression = 0;
  std::vector<pix::TRGB> table;  // 3-byte entries for core headers, else 4
  std::vector<uint32_t> masks;   // written between the header and the table
  Bytes pixels;
};

inline size_t RowBytes(int64_t width, int depth) { return static_cast<size_t>(((width * depth + 31) / 32) * 4); }

inline Bytes BuildBmp(const BmpSpec& s) {
  const bool core = s.headerSize == 12;
  Bytes out(14 + s.headerSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  pix::PutLE32(&out[14], s.headerSize);
  if (core) {
    pix::PutLE16(&out[18], static_cast<uint16_t>(s.width));
    pix::PutLE16(&out[20], static_cast<uint16_t>(s.height));
    pix::PutLE16(&out[24], s.depth);
  } else {
    pix::PutLE32(&out[18], static_cast<uint32_t>(s.width));
    pix::PutLE32(&out[22], static_cast<uint32_t>(s.height));
    pix::PutLE16(&out[28], s.depth);
  }
  if (s.headerSize >= 40) {
    pix::PutLE32(&out[30], s.compression);
    pix::PutLE32(&out[34], static_cast<uint32_t>(s.pixels.size()));
    pix::PutLE32(&out[38], 2835);
    pix::PutLE32(&out[42], 2835);
    pix::PutLE32(&out[46], static_cast<uint32_t>(s.table.size()));
  }
  for (uint32_t m : s.masks)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(m >> (8 * i)));
  for (const auto& c : s.table) {
    out.insert(out.end(), {c.b, c.g, c.r});
    if (!core) out.push_back(0);
  }
  pix::PutLE32(&out[10], static_cast<uint32_t>(out.size()));
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  pix::PutLE32(&out[2], static_cast<uint32_t>(out.size()));
  return out;
}

struct ReadResult {
  pix::TBitmap image;
  pix::TIOParams params;
  bool aborted = false;
  pix::TFailureReason reason = pix::frNone;
  pix::TFailureReason damage = pix::frNone;
  std::vector<int> reported;  // progress, when a handler was asked for
};

inline std::unique_ptr<ReadResult> Read(const Bytes& file, bool paramsOnly = false, bool withHandler = false,
                                        int abortAt = 101) {
  auto r = std::make_unique<ReadResult>();
  pix::TPixMemoryStream stream(file);
  pix::TPixProgressEvent handler = [&r, abortAt](pix::TPixObject*, int per) {
    r->reported.push_back(per);
    if (per >= abortAt) r->aborted = true;
  };
  pix::TProgressRecord progress{.Aborting = &r->aborted, .Reason = &r->reason, .Damage = &r->damage};
  if (withHandler) progress.Handler = &handler;
  pix::ReadBmpStream(stream, r->image, static_cast<int64_t>(file.size()), paramsOnly, progress, r->params);
  return r;
}

inline pix::TRGB PixelAt(const pix::TBitmap& image, int x, int y) {
  const uint8_t* p = image.ScanLine(y) + 3 * x;
  return pix::TRGB{p[0], p[1], p[2]};
}

inline void SetPixel(pix::TBitmap& image, int x, int y, pix::TRGB c) {
  uint8_t* p = image.ScanLine(y) + 3 * x;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

}  // namespace bmptest
