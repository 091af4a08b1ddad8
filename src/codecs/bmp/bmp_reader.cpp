// ReadBmpStream: headers, colour table and parameters, then the decoder that
// the depth and compression select.
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/bmp/detail/bmp_decode.h"
#include "codecs/bmp/detail/bmp_format.h"
#include "codecs/common/image_limits.h"
#include "codecs/common/stream_io.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using namespace bmp;

// What the headers say, before anything is allocated.
struct THeaderInfo {
  int64_t Start = 0;
  int64_t TotalSize = 0;
  uint32_t PixelOffset = 0;
  uint32_t HeaderSize = 0;
  int64_t Width = 0;
  int64_t Height = 0;  // as stored: negative for rows stored top-down
  int Depth = 0;
  uint32_t Compression = bcNone;
  uint32_t ImageSize = 0;
  std::array<uint32_t, 3> Masks{};
};

// frNone when the file header was read.
TFailureReason ReadFileHeader(TPixStream& stream, THeaderInfo& h, int64_t totalSize) {
  uint8_t fh[kFileHeaderSize];
  const int64_t got = stream.Read(fh, kFileHeaderSize);
  if (got >= 2 && GetLE16(fh) != kSignature) return frNotThisFormat;
  if (got < kFileHeaderSize) return frTruncated;
  const uint32_t fileSize = GetLE32(fh + 2);
  h.TotalSize = (fileSize != 0 && totalSize <= 0) ? fileSize : totalSize;
  h.PixelOffset = GetLE32(fh + 10);
  return frNone;
}

// Core header: 16-bit sizes, 3-byte table entries, no resolution.
bool ReadCoreHeader(TPixStream& stream, THeaderInfo& h, TIOParams& params) {
  uint8_t ch[kCoreHeaderSize];
  if (!stream.ReadExact(ch, kCoreHeaderSize)) return false;
  h.Width = GetLE16(ch + 4);
  h.Height = GetLE16(ch + 6);
  h.Depth = GetLE16(ch + 10);
  h.Compression = bcNone;
  const TResolution res = DefaultResolution();
  params.DpiX = res.DpiX;
  params.DpiY = res.DpiY;
  if (h.Depth <= 8) {
    const int count = 1 << h.Depth;
    std::vector<TRGB> table(static_cast<size_t>(count));
    stream.Read(table.data(), static_cast<int64_t>(count) * 3);
    params.SetColorMap(table.data(), count);
  }
  return true;
}

uint8_t VersionOfSize(uint32_t size) {
  if (size == kInfoHeaderSize) return kVersionInfo40;
  if (size == kInfoHeader64Size) return kVersionInfo64;
  return kVersionOther;
}

int32_t ResolutionOrDefault(int32_t pixelsPerMetre, int fallback) {
  const int32_t dpi = DpiFromPixelsPerMetre(pixelsPerMetre);
  return dpi > 0 ? dpi : fallback;
}

// The info table: 4-byte entries, of which at most 256 are kept; the rest is skipped.
void ReadInfoTable(TPixStream& stream, uint32_t count, TIOParams& params) {
  const int kept = static_cast<int>(std::min<uint32_t>(count, kMaxTableEntries));
  uint8_t raw[kMaxTableEntries * 4] = {};
  stream.Read(raw, static_cast<int64_t>(kept) * 4);
  if (count > static_cast<uint32_t>(kept))
    stream.Seek((static_cast<int64_t>(count) - kept) * 4, TSeekOrigin::soCurrent);
  std::vector<TRGB> table(static_cast<size_t>(kept));
  for (int i = 0; i < kept; ++i) table[i] = TRGB{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2]};
  params.SetColorMap(table.data(), kept);
}

void ReadMasks(TPixStream& stream, const uint8_t* header, THeaderInfo& h) {
  uint8_t raw[12] = {};
  // Info headers from 52 bytes on hold the masks at offset 40; the 64-byte
  // header uses those bytes for other fields.
  if (h.HeaderSize >= kMaskHeaderSize && h.HeaderSize != kInfoHeader64Size)
    std::copy(header + 40, header + 52, raw);
  else
    stream.Read(raw, 12);
  for (int i = 0; i < 3; ++i) h.Masks[i] = GetLE32(raw + 4 * i);
}

bool ReadInfoHeader(TPixStream& stream, THeaderInfo& h, TIOParams& params) {
  // Shorter headers cannot hold the width, height and depth.
  if (h.HeaderSize < 16) return false;
  uint8_t ih[kInfoHeader64Size] = {};
  const int64_t n = std::min<int64_t>(h.HeaderSize, kInfoHeader64Size);
  if (!stream.ReadExact(ih, n)) return false;
  if (h.HeaderSize > kInfoHeader64Size)
    stream.Seek(static_cast<int64_t>(h.HeaderSize) - kInfoHeader64Size, TSeekOrigin::soCurrent);
  h.Width = static_cast<int32_t>(GetLE32(ih + 4));
  h.Height = static_cast<int32_t>(GetLE32(ih + 8));
  h.Depth = GetLE16(ih + 14);
  h.Compression = GetLE32(ih + 16);
  h.ImageSize = GetLE32(ih + 20);
  const TResolution res = DefaultResolution();
  params.DpiX = ResolutionOrDefault(static_cast<int32_t>(GetLE32(ih + 24)), res.DpiX);
  params.DpiY = ResolutionOrDefault(static_cast<int32_t>(GetLE32(ih + 28)), res.DpiY);
  // The masks sit between the header and the colour table.
  if (h.Compression == bcBitFields) ReadMasks(stream, ih, h);
  uint32_t count = GetLE32(ih + 32);
  if (count == 0 && h.Depth <= 8) count = 1u << h.Depth;
  if (count > 0) ReadInfoTable(stream, count, params);
  return true;
}

void SetCompressionParam(uint32_t compression, TIOParams& params) {
  if (compression == bcNone || compression == bcBitFields) params.BmpCompression = 0;
  if (compression == bcRle8 || compression == bcRle4) params.BmpCompression = 1;
}

void SetSampleParams(int depth, TIOParams& params) {
  switch (depth) {
    case 1: case 4: case 8:
      params.BitsPerSample = depth;
      params.SamplesPerPixel = 1;
      break;
    case 16:
      params.BitsPerSample = 5;
      params.SamplesPerPixel = 3;
      break;
    case 24: case 32:
      params.BitsPerSample = 8;
      params.SamplesPerPixel = 3;
      break;
    default:
      break;
  }
}


// Depth and compression pairs that have a decoder: frNone, or why not.
TFailureReason DecodeFault(int depth, uint32_t compression) {
  bool known = true;
  switch (depth) {
    case 1: known = compression == bcNone; break;
    case 4: known = compression == bcNone || compression == bcRle4; break;
    case 8: known = compression == bcNone || compression == bcRle8; break;
    case 16: known = compression == bcNone || compression == bcBitFields; break;
    case 24: case 32:
      known = compression == bcNone || compression == bcBitFields || compression == bcAlphaBitFields;
      break;
    default: return frUnsupportedDepth;
  }
  return known ? frNone : frUnsupportedCompression;
}

void BuildPalette(const TIOParams& params, TBmpPalette& palette) {
  palette.fill(TRGB{});
  const int n = std::min(params.ColorMapCount, kMaxTableEntries);
  for (int i = 0; i < n; ++i) palette[i] = params.ColorMap()[i];
}

bool TableIsWhiteBlack(const TIOParams& params) {
  return params.ColorMapCount == 2 && params.ColorMap()[0] == TRGB{255, 255, 255} &&
         params.ColorMap()[1] == TRGB{0, 0, 0};
}

void DecodePixels(TPixStream& stream, TBitmap& image, const THeaderInfo& h, int64_t rleSize, TPixMask* alpha,
                  TProgressRecord& progress, TIOParams& params) {
  TBmpPalette palette;
  BuildPalette(params, palette);
  TBmpDecodeJob job{
      .Stream = stream,
      .Image = image,
      .Progress = progress,
      .Depth = h.Depth,
      .TopDown = h.Height < 0,
      .FileRowSize = FileRowSize(h.Width, h.Depth),
      .Step = ProgressStep(image.Height()),
      .Palette = palette,
      .InvertBits = h.Depth == 1 && TableIsWhiteBlack(params),
      .Masks = h.Compression == bcBitFields ? h.Masks : std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F},
      .RleSize = rleSize,
      .Alpha = h.Depth == 32 ? alpha : nullptr,
  };
  switch (h.Depth) {
    case 1: DecodeBilevelRows(job); break;
    case 4: case 8:
      if (h.Compression == bcNone)
        DecodeIndexedRows(job);
      else
        DecodeRleData(job);
      break;
    case 16: DecodeBitFieldRows(job); break;
    case 24: DecodeTrueColorRows(job); break;
    case 32: DecodeQuadRows(job); break;
    default: break;
  }
}

// Reads the headers from the DIB header on (the stream is at its size
// field); frNone when they were read.
TFailureReason ReadDibHeaders(TPixStream& stream, THeaderInfo& h, TIOParams& params) {
  uint32_t headerSize = 0;
  if (!ReadLE32(stream, headerSize)) return frTruncated;
  stream.Seek(-4, TSeekOrigin::soCurrent);
  h.HeaderSize = headerSize;
  params.FreeColorMap();
  const bool headerRead =
      headerSize == kCoreHeaderSize ? ReadCoreHeader(stream, h, params) : ReadInfoHeader(stream, h, params);
  if (!headerRead) return headerSize < 16 ? frCorruptData : frTruncated;
  params.Width = static_cast<int32_t>(h.Width);
  params.Height = static_cast<int32_t>(std::min<int64_t>(std::llabs(h.Height), std::numeric_limits<int32_t>::max()));
  return frNone;
}

// Everything after the headers and the seek to the pixels: sizes, the decoder
// choice, the allocation and the decoding. requireBytes > 0 refuses
// uncompressed rows that need more bytes than that.
void DecodeDib(TPixStream& stream, TBitmap& image, const THeaderInfo& h, int64_t rleSize, TPixMask* alpha,
               int64_t requireBytes, bool paramsOnly, TProgressRecord& progress, TIOParams& params) {
  SetSampleParams(h.Depth, params);
  const TPixelFormat format = h.Depth == 1 ? TPixelFormat::Bilevel : TPixelFormat::TrueColor;
  if (const TFailureReason fault = ImageSizeFault(h.Width, std::llabs(h.Height), format); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  if (paramsOnly) return;

  // A file we have no decoder for is a failed load, not a black picture; it
  // is refused before anything is allocated for it.
  if (const TFailureReason fault = DecodeFault(h.Depth, h.Compression); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  const bool compressed = h.Compression == bcRle4 || h.Compression == bcRle8;
  if (requireBytes > 0 && !compressed && FileRowSize(h.Width, h.Depth) * std::llabs(h.Height) > requireBytes) {
    progress.Abort(frTruncated);
    return;
  }
  const auto width = static_cast<int32_t>(h.Width);
  const auto height = static_cast<int32_t>(std::llabs(h.Height));
  image.Allocate(width, height, format);
  if (alpha && h.Depth == 32) alpha->Allocate(width, height, 8);
  DecodePixels(stream, image, h, std::max<int64_t>(rleSize, 0), alpha, progress, params);
}

}  // namespace

void ReadBmpStream(TPixStream& stream, TBitmap& image, int64_t totalSize, bool paramsOnly,
                   TProgressRecord& progress, TIOParams& params) {
  THeaderInfo h;
  h.Start = stream.Position();
  if (const TFailureReason fault = ReadFileHeader(stream, h, totalSize); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  if (const TFailureReason fault = ReadDibHeaders(stream, h, params); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  params.BmpVersion = h.HeaderSize == kCoreHeaderSize ? kVersionCore : VersionOfSize(h.HeaderSize);
  SetCompressionParam(h.Compression, params);

  if (h.PixelOffset != 0) stream.Seek(h.Start + h.PixelOffset, TSeekOrigin::soBeginning);
  const int64_t rleSize = h.TotalSize > 0 ? h.TotalSize - (stream.Position() - h.Start) : h.ImageSize;
  DecodeDib(stream, image, h, rleSize, nullptr, 0, paramsOnly, progress, params);
}

void ReadDibStream(TPixStream& stream, TBitmap& image, const TDibOptions& options, bool paramsOnly,
                   TProgressRecord& progress, TIOParams& params, TDibLayout& layout) {
  THeaderInfo h;
  h.Start = stream.Position();
  if (const TFailureReason fault = ReadDibHeaders(stream, h, params); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  if (options.HalfHeight) {
    h.Height /= 2;
    params.Height = static_cast<int32_t>(std::llabs(h.Height));
  }
  const int64_t left = options.Size - (stream.Position() - h.Start);
  layout.Depth = h.Depth;
  layout.Compressed = h.Compression == bcRle4 || h.Compression == bcRle8;
  layout.TopDown = h.Height < 0;
  layout.PixelStart = stream.Position();
  // Only a size the decoders accept is multiplied out: header values alone can overflow.
  const bool usable = ImageSizeFault(h.Width, std::llabs(h.Height), TPixelFormat::TrueColor) == frNone;
  layout.PixelBytes = layout.Compressed || !usable ? 0 : FileRowSize(h.Width, h.Depth) * std::llabs(h.Height);
  DecodeDib(stream, image, h, left, options.Alpha, options.RequirePixels ? std::max<int64_t>(left, 1) : 0, paramsOnly,
            progress, params);
}

}  // namespace pix
