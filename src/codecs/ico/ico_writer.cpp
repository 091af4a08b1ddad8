// WriteIcoStream / WriteCurStream: header, one directory entry, the DIB
// header, the colour rows bottom-up and the AND mask.
#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/common/stream_io.h"
#include "codecs/ico/detail/ico_format.h"
#include "codecs/ico/ico_codec.h"
#include "codecs/palette/bilevel.h"

namespace pix {

namespace {

using namespace ico;

constexpr int kDibHeaderSize = 40;
// Alpha below this is masked out for programs that draw with the mask only.
constexpr uint8_t kMaskedBelow = 128;

void BuildDibHeader(int32_t width, int32_t height, int depth, uint32_t imageSize, uint8_t* raw) {
  std::memset(raw, 0, kDibHeaderSize);
  PutLE32(raw, kDibHeaderSize);
  PutLE32(raw + 4, static_cast<uint32_t>(width));
  PutLE32(raw + 8, static_cast<uint32_t>(2 * height));  // the colour rows and the mask's
  PutLE16(raw + 12, 1);
  PutLE16(raw + 14, static_cast<uint16_t>(depth));
  PutLE32(raw + 20, imageSize);
}

void WriteIconStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress, bool cursor) {
  ConvertToTrueColor(image);
  const int32_t width = image.Width(), height = image.Height();
  if (width < 1 || height < 1) {
    progress.Abort(frNoImage);
    return;
  }
  if (width > kMaxSide || height > kMaxSide) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  TBitmap expanded;
  const TBitmap* source = &image;
  if (image.PixelFormat() == TPixelFormat::Bilevel) {
    ExpandBilevel(image, expanded);
    source = &expanded;
  }
  const bool withAlpha = !AlphaIsOpaque(alpha, width, height);
  const int depth = withAlpha ? 32 : 24;
  const int64_t colorRow = DibRowSize(width, depth), maskRow = DibRowSize(width, 1);
  const int64_t imageSize = (colorRow + maskRow) * height;

  TDirEntry e;
  e.Width = width;
  e.Height = height;
  e.Planes = cursor ? static_cast<uint16_t>(std::clamp(params.CurXHotSpot, 0, 65535)) : 1;
  e.BitCount = cursor ? static_cast<uint16_t>(std::clamp(params.CurYHotSpot, 0, 65535)) : static_cast<uint16_t>(depth);
  e.Size = static_cast<uint32_t>(kDibHeaderSize + imageSize);
  e.Offset = kHeaderSize + kEntrySize;
  uint8_t head[kHeaderSize + kEntrySize + kDibHeaderSize] = {};
  PutLE16(head + 2, cursor ? kTypeCursor : kTypeIcon);
  PutLE16(head + 4, 1);
  BuildEntry(e, head + kHeaderSize);
  BuildDibHeader(width, height, depth, static_cast<uint32_t>(imageSize), head + kHeaderSize + kEntrySize);

  TBufferedWriter out(stream, progress);
  out.Write(head, sizeof head);
  std::vector<uint8_t> row(static_cast<size_t>(colorRow), 0);
  for (int32_t k = 0; k < height; ++k) {
    const int32_t y = height - 1 - k;
    const uint8_t* in = source->ScanLine(y);
    if (withAlpha) {
      const uint8_t* a = alpha->ScanLine(y);
      for (int32_t x = 0; x < width; ++x) {
        std::memcpy(row.data() + 4 * x, in + 3 * x, 3);
        row[4 * x + 3] = a[x];
      }
    } else {
      std::memcpy(row.data(), in, static_cast<size_t>(width) * 3);
    }
    out.Write(row.data(), colorRow);
  }
  row.assign(static_cast<size_t>(maskRow), 0);
  for (int32_t k = 0; k < height; ++k) {
    if (withAlpha) {
      const uint8_t* a = alpha->ScanLine(height - 1 - k);
      std::fill(row.begin(), row.end(), 0);
      for (int32_t x = 0; x < width; ++x)
        if (a[x] < kMaskedBelow) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    out.Write(row.data(), maskRow);
  }
  out.Flush();
}

}  // namespace

void WriteIcoStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress) {
  WriteIconStream(stream, image, alpha, params, progress, false);
}

void WriteCurStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress) {
  WriteIconStream(stream, image, alpha, params, progress, true);
}

}  // namespace pix
