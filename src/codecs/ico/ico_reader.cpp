// ReadIcoStream / ReadCurStream: the directory, the choice of entry, then the
// entry through the BMP codec's DIB reader (or the PNG reader) and its mask.
#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/common/stream_io.h"
#include "codecs/ico/detail/ico_format.h"
#include "codecs/ico/detail/png_entry.h"
#include "codecs/ico/ico_codec.h"

namespace pix {

namespace {

using namespace ico;

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kProbeBytes = 32;

// An entry with what its data says about it.
struct TEntry {
  TDirEntry Dir;
  bool Readable = false;  // its data starts inside the file
  bool Png = false;
  int64_t Pixels = 0;
  int Depth = 0;
};

// Bits per pixel of a PNG from its IHDR colour type and bit depth.
int PngDepth(uint8_t bitDepth, uint8_t colorType) {
  switch (colorType) {
    case 2: return bitDepth * 3;
    case 4: return bitDepth * 2;
    case 6: return bitDepth * 4;
    default: return bitDepth;
  }
}

// Looks at the start of an entry's data: PNG or DIB, and the depth its own
// header gives (the directory's is often wrong, and means the hot spot in
// cursors). Pixels come from the directory, as other readers rank them.
void Probe(TPixStream& stream, int64_t start, int64_t total, TEntry& e) {
  e.Pixels = int64_t{e.Dir.Width} * e.Dir.Height;
  if (e.Dir.Offset < kHeaderSize || int64_t{e.Dir.Offset} + 4 > total) return;
  uint8_t raw[kProbeBytes] = {};
  stream.Seek(start + e.Dir.Offset, TSeekOrigin::soBeginning);
  const int64_t got = stream.Read(raw, kProbeBytes);
  if (got < 4) return;
  e.Readable = true;
  e.Png = got >= 8 && std::memcmp(raw, kPngSignature, 8) == 0;
  if (e.Png) {
    if (got >= 26 && std::memcmp(raw + 12, "IHDR", 4) == 0) e.Depth = PngDepth(raw[24], raw[25]);
  } else if (GetLE32(raw) == 12) {
    e.Depth = GetLE16(raw + 10);
  } else if (got >= 16) {
    e.Depth = GetLE16(raw + 14);
  }
}

// The entry with the most pixels, then the most bits per pixel; the later
// one of equals. -1 when no entry's data lies in the file.
int BestEntry(const std::vector<TEntry>& entries) {
  int best = -1;
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    const TEntry& e = entries[i];
    if (!e.Readable) continue;
    if (best < 0 || e.Pixels > entries[best].Pixels ||
        (e.Pixels == entries[best].Pixels && e.Depth >= entries[best].Depth))
      best = i;
  }
  return best;
}

// A 1-bit DIB comes back Bilevel; a table other than black and white (in
// either order) turns it into TrueColor of the table's colours.
void ApplyTwoColorTable(TBitmap& image, const TIOParams& params) {
  if (image.PixelFormat() != TPixelFormat::Bilevel || params.ColorMapCount != 2) return;
  const TRGB c0 = params.ColorMap()[0], c1 = params.ColorMap()[1];
  const TRGB black{0, 0, 0}, white{255, 255, 255};
  if ((c0 == black && c1 == white) || (c0 == white && c1 == black)) return;
  TBitmap color(image.Width(), image.Height(), TPixelFormat::TrueColor);
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* in = image.ScanLine(y);
    uint8_t* out = color.ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x) {
      const TRGB& c = (in[x >> 3] & (0x80 >> (x & 7))) ? c1 : c0;
      std::memcpy(out + 3 * x, &c, 3);
    }
  }
  image.SwapContent(color);
}

// The AND mask behind the pixels: set bits are transparent. Rows the file
// does not hold stay opaque and mark the picture damaged.
void ReadAndMask(TPixStream& stream, int64_t end, const TDibLayout& layout, TPixMask& alpha,
                 TProgressRecord& progress) {
  const int32_t width = alpha.Width(), height = alpha.Height();
  const int64_t rowSize = DibRowSize(width, 1);
  const int64_t at = layout.PixelStart + layout.PixelBytes;
  std::vector<uint8_t> mask(static_cast<size_t>(rowSize * height));
  int64_t got = 0;
  if (at < end) {
    stream.Seek(at, TSeekOrigin::soBeginning);
    got = std::max<int64_t>(0, stream.Read(mask.data(), std::min<int64_t>(end - at, rowSize * height)));
  }
  if (got < rowSize * height) progress.NoteDamage(frTruncated);
  alpha.Fill(255);
  for (int64_t k = 0; k < got / rowSize; ++k) {
    const int32_t y = static_cast<int32_t>(layout.TopDown ? k : height - 1 - k);
    const uint8_t* bits = mask.data() + k * rowSize;
    uint8_t* row = alpha.ScanLine(y);
    for (int32_t x = 0; x < width; ++x) row[x] = (bits[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
  }
}

void ReadDibEntry(TPixStream& stream, int64_t end, TBitmap& image, TPixMask* alpha, bool paramsOnly,
                  TIOParams& params, TProgressRecord& progress) {
  const int64_t at = stream.Position();
  const TDibOptions options{.Size = end - at, .HalfHeight = true, .RequirePixels = true, .Alpha = alpha};
  TDibLayout layout;
  ReadDibStream(stream, image, options, true, progress, params, layout);
  if (paramsOnly || progress.Aborted()) return;
  // The file cannot bound RLE data (its deltas skip any number of pixels), so
  // an RLE entry may be no larger than an icon directory can describe.
  if (layout.Compressed && (params.Width > kMaxSide || params.Height > kMaxSide)) {
    progress.Abort(frCorruptData);
    return;
  }
  stream.Seek(at, TSeekOrigin::soBeginning);
  ReadDibStream(stream, image, options, false, progress, params, layout);
  if (progress.Aborted()) return;
  ApplyTwoColorTable(image, params);
  if (!alpha) return;
  // A 32-bit entry carries its own alpha; old ones leave it 0 everywhere and
  // rely on the mask, as Windows does.
  if (layout.Depth == 32 && !AlphaIsZero(*alpha)) return;
  alpha->Allocate(image.Width(), image.Height(), 8);
  if (layout.Compressed) {
    alpha->Fill(255);
    return;
  }
  ReadAndMask(stream, end, layout, *alpha, progress);
}

void ReadIconStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                    TProgressRecord& progress, bool cursorFile) {
  const int64_t start = stream.Position();
  const int64_t total = BytesLeft(stream);
  uint8_t head[kHeaderSize] = {};
  const int64_t got = stream.Read(head, kHeaderSize);
  const uint16_t type = GetLE16(head + 2);
  if ((got >= 2 && GetLE16(head) != 0) || (got >= 4 && type != kTypeIcon && type != kTypeCursor)) {
    progress.Abort(frNotThisFormat);
    return;
  }
  if (got < kHeaderSize) {
    progress.Abort(frTruncated);
    return;
  }
  const int count = GetLE16(head + 4);
  if (count == 0) {
    progress.Abort(frNoImage);
    return;
  }
  std::vector<uint8_t> directory(static_cast<size_t>(count) * kEntrySize);
  if (!stream.ReadExact(directory.data(), static_cast<int64_t>(directory.size()))) {
    progress.Abort(frTruncated);
    return;
  }
  std::vector<TEntry> entries(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    ParseEntry(directory.data() + static_cast<size_t>(i) * kEntrySize, entries[i].Dir);
    Probe(stream, start, total, entries[i]);
  }
  const int asked = cursorFile ? params.CurImageIndex : params.IcoImageIndex;
  if (asked < 0 || asked > count) {
    progress.Abort(frNoImage);
    return;
  }
  const int chosen = asked > 0 ? asked - 1 : BestEntry(entries);
  if (chosen < 0 || !entries[chosen].Readable) {
    progress.Abort(frTruncated);
    return;
  }
  const TEntry& e = entries[chosen];
  if (cursorFile && type == kTypeCursor) {
    params.CurXHotSpot = e.Dir.Planes;
    params.CurYHotSpot = e.Dir.BitCount;
  }
  stream.Seek(start + e.Dir.Offset, TSeekOrigin::soBeginning);
  if (e.Png)
    ReadPngEntry(stream, image, alpha, paramsOnly, params, progress);
  else
    ReadDibEntry(stream, start + total, image, alpha, paramsOnly, params, progress);
}

}  // namespace

void ReadIcoStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress) {
  ReadIconStream(stream, image, alpha, paramsOnly, params, progress, false);
}

void ReadCurStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress) {
  ReadIconStream(stream, image, alpha, paramsOnly, params, progress, true);
}

}  // namespace pix
