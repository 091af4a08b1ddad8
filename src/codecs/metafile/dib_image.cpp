// Bitmaps inside metafile records, decoded by the BMP codec's DIB reader.
#include <cstdlib>
#include <vector>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/common/stream_io.h"
#include "codecs/metafile/detail/metafile_format.h"

namespace pix::metafile {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiJpeg = 4, kBiPng = 5;
// Sides beyond this are not a bitmap anyone recorded.
constexpr int64_t kMaxDibSide = int64_t{1} << 20;

struct TDibHeader {
  int64_t Width = 0, Height = 0;
  int Depth = 0;
  uint32_t Compression = kBiRgb;
};

bool ParseHeader(const uint8_t* info, size_t infoSize, TDibHeader& h) {
  if (!info || infoSize < 12) return false;
  const uint32_t size = GetLE32(info);
  if (size == 12) {
    h.Width = GetLE16(info + 4);
    h.Height = GetLE16(info + 6);
    h.Depth = GetLE16(info + 10);
    return true;
  }
  if (size < 16 || size > infoSize) return false;
  h.Width = static_cast<int32_t>(GetLE32(info + 4));
  h.Height = static_cast<int32_t>(GetLE32(info + 8));
  h.Depth = GetLE16(info + 14);
  h.Compression = size >= 20 ? GetLE32(info + 16) : kBiRgb;
  return true;
}

int64_t StoredRowSize(int64_t width, int depth) { return ((width * depth + 31) / 32) * 4; }

// The picture as drawing needs it: TrueColor, Bilevel expanded through the table.
void ExpandBilevel(const TBitmap& bilevel, const TIOParams& params, TBitmap& out) {
  TRGB zero{0, 0, 0}, one{255, 255, 255};
  const TRGB* map = params.ColorMap();
  const bool blackWhite = params.ColorMapCount == 2 && map &&
                          ((map[0] == TRGB{255, 255, 255} && map[1] == TRGB{0, 0, 0}) ||
                           (map[0] == TRGB{0, 0, 0} && map[1] == TRGB{255, 255, 255}));
  if (map && params.ColorMapCount >= 2 && !blackWhite) {
    zero = map[0];
    one = map[1];
  }
  out.Allocate(bilevel.Width(), bilevel.Height(), TPixelFormat::TrueColor);
  for (int32_t y = 0; y < bilevel.Height(); ++y) {
    const uint8_t* in = bilevel.ScanLine(y);
    uint8_t* row = out.ScanLine(y);
    for (int32_t x = 0; x < bilevel.Width(); ++x) {
      const TRGB& c = (in[x >> 3] & (0x80 >> (x & 7))) ? one : zero;
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
    }
  }
}

}  // namespace

bool DibBottomUp(const uint8_t* info, size_t infoSize) {
  TDibHeader h;
  return ParseHeader(info, infoSize, h) && h.Height > 0;
}

std::shared_ptr<TImage> DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
                                  bool withAlpha, TWorkBudget& budget, TFailureReason& why) {
  why = frNone;
  TDibHeader h;
  if (!ParseHeader(info, infoSize, h)) {
    why = frCorruptData;
    return nullptr;
  }
  if (h.Compression == kBiJpeg || h.Compression == kBiPng) {
    why = frUnsupportedFeature;
    return nullptr;
  }
  const int64_t height = std::llabs(h.Height);
  if (h.Width <= 0 || height == 0 || h.Width > kMaxDibSide || height > kMaxDibSide || h.Depth <= 0 || h.Depth > 32) {
    why = frCorruptData;
    return nullptr;
  }
  // Uncompressed bits must all be there, so a few bytes cannot claim a huge
  // picture; the pixels then count against the file's work.
  const bool rle = h.Compression == kBiRle8 || h.Compression == kBiRle4;
  const int64_t rowSize = StoredRowSize(h.Width, h.Depth);
  if (!rle && (bits == nullptr || static_cast<int64_t>(bitsSize) / rowSize < height)) {
    why = frTruncated;
    return nullptr;
  }
  if (!budget.Spend(h.Width * height)) {
    why = frSizeTooLarge;
    return nullptr;
  }
  // The reader wants the pixels right after the table; records usually keep
  // them there, else they are put together.
  std::vector<uint8_t> joined;
  const uint8_t* dib = info;
  if (bitsSize && bits != info + infoSize) {
    joined.resize(infoSize + bitsSize);
    std::memcpy(joined.data(), info, infoSize);
    std::memcpy(joined.data() + infoSize, bits, bitsSize);
    dib = joined.data();
  }
  const auto dibSize = static_cast<int64_t>(infoSize + bitsSize);
  TPixViewStream stream(dib, dibSize);
  TBitmap picture;
  TIOParams params;
  bool aborted = false;
  TFailureReason reason = frNone, damage = frNone;
  TProgressRecord progress{.Aborting = &aborted, .Reason = &reason, .Damage = &damage};
  TDibLayout layout;
  ReadDibStream(stream, picture, TDibOptions{.Size = dibSize}, false, progress, params, layout);
  if (aborted) {
    why = reason == frNone ? frCorruptData : reason;
    return nullptr;
  }
  auto image = std::make_shared<TImage>();
  if (picture.PixelFormat() == TPixelFormat::Bilevel)
    ExpandBilevel(picture, params, image->Pixels);
  else
    image->Pixels.SwapContent(picture);
  image->Width = image->Pixels.Width();
  image->Height = image->Pixels.Height();
  if (withAlpha && h.Depth == 32 && h.Compression == kBiRgb) {
    image->Alpha.resize(static_cast<size_t>(image->Width) * static_cast<size_t>(image->Height));
    for (int64_t k = 0; k < height; ++k) {
      const int64_t y = h.Height > 0 ? height - 1 - k : k;
      const uint8_t* row = bits + k * rowSize;
      for (int64_t x = 0; x < h.Width; ++x)
        image->Alpha[static_cast<size_t>(y * h.Width + x)] = row[4 * x + 3];
    }
  }
  return image;
}

std::shared_ptr<TImage> DecodePackedDib(const uint8_t* dib, size_t size, TWorkBudget& budget, TFailureReason& why) {
  TDibHeader h;
  if (!ParseHeader(dib, size, h)) {
    why = frCorruptData;
    return nullptr;
  }
  // The table's length: core entries are 3 bytes, info entries 4; bit-field
  // masks follow a 40-byte header.
  const uint32_t headerSize = GetLE32(dib);
  size_t tableBytes = 0;
  if (headerSize == 12) {
    tableBytes = h.Depth <= 8 ? (size_t{1} << h.Depth) * 3 : 0;
  } else {
    uint32_t used = headerSize >= 36 ? GetLE32(dib + 32) : 0;
    if (used == 0 && h.Depth <= 8) used = 1u << h.Depth;
    tableBytes = static_cast<size_t>(std::min<uint32_t>(used, 1u << 16)) * 4;
    if (h.Compression == 3 && headerSize == 40) tableBytes += 12;
  }
  const size_t infoSize = headerSize + tableBytes;
  if (infoSize > size) {
    why = frCorruptData;
    return nullptr;
  }
  return DecodeDib(dib, infoSize, dib + infoSize, size - infoSize, false, budget, why);
}

}  // namespace pix::metafile
