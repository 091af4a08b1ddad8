// WriteBmpStream: provisional headers, colour table and rows, then the header
// fix-up once the sizes are known.
#include <algorithm>
#include <memory>
#include <vector>

#include "codecs/palette/bilevel.h"
#include "codecs/bmp/bmp_codec.h"
#include "codecs/bmp/detail/bmp_format.h"
#include "codecs/palette/quantizer.h"
#include "codecs/common/stream_io.h"

namespace pix {

namespace {

using namespace bmp;

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};

struct TWriteJob {
  TPixStream& Stream;
  TProgressRecord& Progress;
  TIOParams& Params;
  int Depth = 24;
  bool Core = false;
  bool Rle = false;
  int HeaderSize = kInfoHeaderSize;
  int32_t Width = 0;
  int32_t Height = 0;
  int64_t RowSize = 0;
  double Step = 0.0;
  int64_t Start = 0;
  int64_t PixelPos = 0;

  bool Write(const void* data, int64_t count) { return WriteChecked(Stream, data, count, Progress); }
  bool BeginRow(int64_t k) {
    ReportRowProgress(Progress, k, Step);
    return !Progress.Aborted();
  }
};

int ChooseDepth(const TIOParams& params) {
  if (params.BitsPerSample == 1 || params.BitsPerSample == 4) return params.BitsPerSample;
  return params.SamplesPerPixel == 1 ? 8 : 24;
}

int HeaderSizeFor(uint8_t version) {
  if (version == kVersionCore) return kCoreHeaderSize;
  if (version == kVersionInfo64) return kInfoHeader64Size;
  return kInfoHeaderSize;
}

void BuildFileHeader(uint8_t* out, int64_t fileSize, int64_t pixelOffset) {
  std::fill(out, out + kFileHeaderSize, 0);
  PutLE16(out, kSignature);
  PutLE32(out + 2, static_cast<uint32_t>(fileSize));
  PutLE32(out + 10, static_cast<uint32_t>(pixelOffset));
}

uint32_t CompressionCode(const TWriteJob& job) {
  if (!job.Rle) return bcNone;
  return job.Depth == 8 ? bcRle8 : bcRle4;
}

// Fills job.HeaderSize bytes; depth and imageSize are 0 in the provisional header.
void BuildInfoHeader(uint8_t* out, const TWriteJob& job, int depth, int64_t imageSize) {
  std::fill(out, out + kInfoHeader64Size, 0);
  PutLE32(out, static_cast<uint32_t>(job.HeaderSize));
  if (job.Core) {
    PutLE16(out + 4, static_cast<uint16_t>(job.Width));
    PutLE16(out + 6, static_cast<uint16_t>(job.Height));
    PutLE16(out + 8, 1);
    PutLE16(out + 10, static_cast<uint16_t>(depth));
    return;
  }
  PutLE32(out + 4, static_cast<uint32_t>(job.Width));
  PutLE32(out + 8, static_cast<uint32_t>(job.Height));
  PutLE16(out + 12, 1);
  PutLE16(out + 14, static_cast<uint16_t>(depth));
  PutLE32(out + 16, CompressionCode(job));
  PutLE32(out + 20, static_cast<uint32_t>(imageSize));
  PutLE32(out + 24, static_cast<uint32_t>(PixelsPerMetreFromDpi(job.Params.DpiX)));
  PutLE32(out + 28, static_cast<uint32_t>(PixelsPerMetreFromDpi(job.Params.DpiY)));
  const bool palette = job.Depth <= 8;
  PutLE32(out + 32, palette ? (1u << job.Depth) : 0u);
  PutLE32(out + 36, palette ? (1u << job.Depth) : (1u << 24));
}

bool WriteColorTable(TWriteJob& job, const TRGB* map, int count) {
  if (job.Core) return job.Write(map, static_cast<int64_t>(count) * 3);
  std::vector<uint8_t> raw(static_cast<size_t>(count) * 4, 0);
  for (int i = 0; i < count; ++i) {
    raw[4 * i] = map[i].b;
    raw[4 * i + 1] = map[i].g;
    raw[4 * i + 2] = map[i].r;
  }
  return job.Write(raw.data(), static_cast<int64_t>(raw.size()));
}

// Neighbouring pixels often share a colour; the quantizer's answer is the same
// every time, so the last one is kept.
class TIndexMapper {
public:
  explicit TIndexMapper(TPixQuantizer& quantizer) : m_quantizer(quantizer) {}
  uint8_t operator()(const uint8_t* bgr) {
    const uint32_t key = bgr[0] | (bgr[1] << 8) | (bgr[2] << 16);
    if (key != m_lastKey) {
      m_lastKey = key;
      m_lastIndex = static_cast<uint8_t>(m_quantizer.IndexOfColor(TRGB{bgr[0], bgr[1], bgr[2]}));
    }
    return m_lastIndex;
  }

private:
  TPixQuantizer& m_quantizer;
  uint32_t m_lastKey = 0xFFFFFFFF;
  uint8_t m_lastIndex = 0;
};

// Packs a row of 4-bit indices in place, first pixel in the high nibble.
void PackNibbles(uint8_t* row, int32_t width) {
  for (int32_t i = 0; i < width; i += 2) {
    const uint8_t low = (i + 1 < width) ? (row[i + 1] & 0x0F) : 0;
    row[i / 2] = static_cast<uint8_t>(((row[i] & 0x0F) << 4) | low);
  }
}

void WriteIndexRows(TWriteJob& job, const TBitmap& source, TPixQuantizer& quantizer) {
  const int32_t width = job.Width;
  std::vector<uint8_t> row(static_cast<size_t>(std::max<int64_t>(width, job.RowSize)));
  std::vector<uint8_t> rle(job.Rle ? static_cast<size_t>(RleLineCapacity(width)) : 0);
  TIndexMapper indexOf(quantizer);
  for (int64_t k = 0; k < job.Height; ++k) {
    if (!job.BeginRow(k)) return;
    const uint8_t* in = source.ScanLine(static_cast<int32_t>(job.Height - 1 - k));
    for (int32_t x = 0; x < width; ++x) row[x] = indexOf(in + 3 * x);
    if (job.Rle) {
      job.Write(rle.data(), EncodeRleLine(row.data(), width, job.Depth, rle.data()));
      continue;
    }
    const int64_t used = job.Depth == 8 ? width : (static_cast<int64_t>(width) + 1) / 2;
    if (job.Depth == 4) PackNibbles(row.data(), width);
    std::fill(row.begin() + used, row.begin() + job.RowSize, 0);
    job.Write(row.data(), job.RowSize);
  }
}

void WritePaletteImage(TWriteJob& job, const TBitmap& image) {
  TBitmap expanded;
  const TBitmap* source = &image;
  if (image.PixelFormat() == TPixelFormat::Bilevel) {
    ExpandBilevel(image, expanded);
    source = &expanded;
  }
  const int count = 1 << job.Depth;
  // Entries the quantizer leaves unwritten stay black.
  std::vector<TRGB> map(static_cast<size_t>(count));
  std::unique_ptr<TPixQuantizer> quantizer;
  if (!image.Empty()) quantizer = std::make_unique<TPixQuantizer>(*source, map.data(), count, count, -1);
  job.Params.SetColorMap(map.data(), count);
  if (!WriteColorTable(job, map.data(), count)) return;
  job.PixelPos = job.Stream.Position();
  if (quantizer) WriteIndexRows(job, *source, *quantizer);
  if (job.Rle) {
    const uint8_t endOfBitmap[2] = {0, 1};
    job.Write(endOfBitmap, 2);
  }
}

void WriteStoredRows(TWriteJob& job, const TBitmap& source) {
  if (source.Empty()) return;
  // Bottom-up rows are one contiguous block in the image and in the file.
  if (!job.Progress.HasHandler()) {
    job.Write(source.Bits(), source.ByteSize());
    return;
  }
  for (int64_t k = 0; k < job.Height; ++k) {
    if (!job.BeginRow(k)) return;
    job.Write(source.ScanLine(static_cast<int32_t>(job.Height - 1 - k)), job.RowSize);
  }
}

void WriteBilevelImage(TWriteJob& job, const TBitmap& image) {
  TRGB map[2] = {kBlack, kWhite};
  TBitmap dithered;
  std::unique_ptr<TBitmap> exact;
  const TBitmap* source = &image;
  if (image.PixelFormat() != TPixelFormat::Bilevel) {
    exact = ExactBilevel(image, map[0], map[1]);
    if (exact) {
      source = exact.get();
    } else {
      map[0] = kBlack;
      map[1] = kWhite;
      CopyImage(image, dithered);
      DitherBilevel(dithered);
      source = &dithered;
    }
  }
  job.Params.SetColorMap(map, 2);
  if (!WriteColorTable(job, map, 2)) return;
  job.PixelPos = job.Stream.Position();
  if (!image.Empty()) WriteStoredRows(job, *source);
}

void WriteTrueColorImage(TWriteJob& job, const TBitmap& image) {
  TBitmap expanded;
  const TBitmap* source = &image;
  if (image.PixelFormat() == TPixelFormat::Bilevel) {
    ExpandBilevel(image, expanded);
    source = &expanded;
  }
  job.PixelPos = job.Stream.Position();
  WriteStoredRows(job, *source);
}

// Rewrites both headers with the sizes and offset now known, then returns to the end.
void FixUpHeaders(TWriteJob& job) {
  const int64_t end = job.Stream.Position();
  uint8_t fh[kFileHeaderSize];
  uint8_t ih[kInfoHeader64Size];
  BuildFileHeader(fh, end - job.Start, job.PixelPos - job.Start);
  BuildInfoHeader(ih, job, job.Depth, end - job.PixelPos);
  job.Stream.Seek(job.Start, TSeekOrigin::soBeginning);
  if (job.Write(fh, kFileHeaderSize)) job.Write(ih, job.HeaderSize);
  job.Stream.Seek(end, TSeekOrigin::soBeginning);
}

}  // namespace

void WriteBmpStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress) {
  ConvertToTrueColor(image);
  TWriteJob job{.Stream = stream, .Progress = progress, .Params = params};
  job.Start = stream.Position();
  job.Depth = ChooseDepth(params);
  job.Core = params.BmpVersion == kVersionCore;
  job.HeaderSize = HeaderSizeFor(params.BmpVersion);
  job.Rle = !job.Core && params.BmpCompression == 1 && (job.Depth == 4 || job.Depth == 8);
  job.Width = image.Width();
  job.Height = image.Height();
  job.RowSize = FileRowSize(job.Width, job.Depth);
  job.Step = ProgressStep(job.Height);

  uint8_t fh[kFileHeaderSize];
  uint8_t ih[kInfoHeader64Size];
  BuildFileHeader(fh, 0, 0);
  BuildInfoHeader(ih, job, 0, 0);
  if (!job.Write(fh, kFileHeaderSize) || !job.Write(ih, job.HeaderSize)) return;

  switch (job.Depth) {
    case 1: WriteBilevelImage(job, image); break;
    case 4: case 8: WritePaletteImage(job, image); break;
    default: WriteTrueColorImage(job, image); break;
  }
  if (progress.Aborted()) return;
  FixUpHeaders(job);
}

int64_t DibByteSize(const TBitmap& image) {
  const bool bilevel = image.PixelFormat() == TPixelFormat::Bilevel;
  return kInfoHeaderSize + (bilevel ? 8 : 0) +
         FileRowSize(image.Width(), bilevel ? 1 : 24) * std::max<int64_t>(image.Height(), 0);
}

void WriteDibStream(TPixStream& stream, const TBitmap& image, int32_t dpiX, int32_t dpiY,
                    TProgressRecord& progress) {
  TIOParams params;
  params.DpiX = dpiX;
  params.DpiY = dpiY;
  TWriteJob job{.Stream = stream, .Progress = progress, .Params = params};
  job.Depth = image.PixelFormat() == TPixelFormat::Bilevel ? 1 : 24;
  job.Width = image.Width();
  job.Height = image.Height();
  job.RowSize = FileRowSize(job.Width, job.Depth);
  job.Step = ProgressStep(job.Height);
  uint8_t ih[kInfoHeader64Size];
  BuildInfoHeader(ih, job, job.Depth, job.RowSize * job.Height);
  if (!job.Write(ih, job.HeaderSize)) return;
  if (job.Depth == 1)
    WriteBilevelImage(job, image);
  else
    WriteStoredRows(job, image);
}

}  // namespace pix
