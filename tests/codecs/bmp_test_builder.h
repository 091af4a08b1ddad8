#pragma once
// Builds BMP files byte by byte for the codec tests, and reads them back.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/bmp_codec.h"
#include "codecs/stream_io.h"

namespace bmptest {

using Bytes = std::vector<uint8_t>;

// Every field as it goes into the file; the sizes and the offset are computed
// unless given.
struct BmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t depth = 24;
  uint32_t compression = 0;
  int32_t ppmX = 2835;
  int32_t ppmY = 2835;
  int64_t colorsUsed = -1;                // -1: the table's size
  std::vector<pix::TRGB> table;           // 3-byte entries for core headers, else 4
  std::vector<uint32_t> masks;            // written after the table when not empty
  Bytes pixels;
  int64_t fileSizeField = -1;             // -1: the real size
  int64_t offsetField = -1;               // -1: where the pixels start
  int64_t imageSizeField = -1;            // -1: pixels.size()
  std::vector<uint32_t> headerMasks;      // stored at header offset 40 (headers of 52 bytes or more)
};

// Stored row size: rows are padded to 4 bytes.
inline size_t RowBytes(int64_t width, int depth) { return static_cast<size_t>(((width * depth + 31) / 32) * 4); }

inline void Put16(Bytes& b, size_t at, uint16_t v) { pix::PutLE16(b.data() + at, v); }
inline void Put32(Bytes& b, size_t at, uint32_t v) { pix::PutLE32(b.data() + at, v); }

inline Bytes BuildBmp(const BmpSpec& s) {
  Bytes out(14 + s.headerSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 14, s.headerSize);
  if (s.headerSize == 12) {
    Put16(out, 18, static_cast<uint16_t>(s.width));
    Put16(out, 20, static_cast<uint16_t>(s.height));
    Put16(out, 22, 1);
    Put16(out, 24, s.depth);
    for (const auto& c : s.table) out.insert(out.end(), {c.b, c.g, c.r});
  } else {
    Put32(out, 18, static_cast<uint32_t>(s.width));
    Put32(out, 22, static_cast<uint32_t>(s.height));
    Put16(out, 26, 1);
    Put16(out, 28, s.depth);
    if (s.headerSize >= 40) {
      Put32(out, 30, s.compression);
      Put32(out, 34, static_cast<uint32_t>(s.imageSizeField >= 0 ? s.imageSizeField : s.pixels.size()));
      Put32(out, 38, static_cast<uint32_t>(s.ppmX));
      Put32(out, 42, static_cast<uint32_t>(s.ppmY));
      Put32(out, 46, static_cast<uint32_t>(s.colorsUsed >= 0 ? s.colorsUsed : s.table.size()));
    }
    for (size_t i = 0; i < s.headerMasks.size() && 54 + 4 * i + 4 <= out.size(); ++i)
      Put32(out, 54 + 4 * i, s.headerMasks[i]);
    for (const auto& c : s.table) out.insert(out.end(), {c.b, c.g, c.r, 0});
    for (uint32_t m : s.masks) {
      out.insert(out.end(), 4, 0);
      Put32(out, out.size() - 4, m);
    }
  }
  const size_t offset = out.size();
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  Put32(out, 2, static_cast<uint32_t>(s.fileSizeField >= 0 ? s.fileSizeField : out.size()));
  Put32(out, 10, static_cast<uint32_t>(s.offsetField >= 0 ? s.offsetField : offset));
  return out;
}

// One read through the codec entry point, with its own abort flag.
struct ReadResult {
  pix::TBitmap image;
  pix::TIOParams params;
  bool aborted = false;
  std::vector<int> reported;
};

inline void ReadInto(ReadResult& r, const Bytes& file, int64_t totalSize, bool paramsOnly = false,
                     bool withHandler = false) {
  pix::TPixMemoryStream stream(file);
  pix::TPixProgressEvent handler = [&r](pix::TPixObject*, int per) { r.reported.push_back(per); };
  pix::TProgressRecord progress;
  progress.Aborting = &r.aborted;
  if (withHandler) progress.Handler = &handler;
  pix::ReadBmpStream(stream, r.image, totalSize, paramsOnly, progress, r.params);
}

inline std::unique_ptr<ReadResult> Read(const Bytes& file, bool paramsOnly = false) {
  auto r = std::make_unique<ReadResult>();
  ReadInto(*r, file, static_cast<int64_t>(file.size()), paramsOnly);
  return r;
}

inline pix::TRGB PixelAt(const pix::TBitmap& image, int x, int y) {
  const uint8_t* p = image.ScanLine(y) + 3 * x;
  return pix::TRGB{p[0], p[1], p[2]};
}

inline int BitAt(const pix::TBitmap& image, int x, int y) { return (image.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1; }

inline void SetPixel(pix::TBitmap& image, int x, int y, pix::TRGB c) {
  uint8_t* p = image.ScanLine(y) + 3 * x;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

}  // namespace bmptest
