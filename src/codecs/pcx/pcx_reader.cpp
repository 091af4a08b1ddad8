// ReadPcxStream: header, palette, then each scan line decoded (RLE runs may
// run on into the next line) and turned into an image row.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "codecs/common/image_limits.h"
#include "codecs/common/stream_io.h"
#include "codecs/pcx/detail/pcx_format.h"
#include "codecs/pcx/pcx_codec.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using namespace pcx;

// Version 3 files ("no palette information") show in the standard EGA colours.
constexpr std::array<TRGB, 16> kEgaPalette = {{
    {0x00, 0x00, 0x00}, {0xAA, 0x00, 0x00}, {0x00, 0xAA, 0x00}, {0xAA, 0xAA, 0x00},
    {0x00, 0x00, 0xAA}, {0xAA, 0x00, 0xAA}, {0x00, 0x55, 0xAA}, {0xAA, 0xAA, 0xAA},
    {0x55, 0x55, 0x55}, {0xFF, 0x55, 0x55}, {0x55, 0xFF, 0x55}, {0xFF, 0xFF, 0x55},
    {0x55, 0x55, 0xFF}, {0xFF, 0x55, 0xFF}, {0x55, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
}};
constexpr uint8_t kVersionWithoutPalette = 3;

enum class TMode { Mono, Planar, Packed, Indexed, Rgb, Rgba };

// frNone and the mode for a depth and plane count this reader decodes.
TFailureReason ModeOf(const TPcxHeader& h, TMode& mode) {
  const int bits = h.BitsPerPixel, planes = h.Planes;
  if (bits == 1 && planes == 1)
    mode = TMode::Mono;
  else if (bits == 1 && planes >= 2 && planes <= 4)
    mode = TMode::Planar;
  else if ((bits == 2 || bits == 4) && planes == 1)
    mode = TMode::Packed;
  else if (bits == 8 && planes == 1)
    mode = TMode::Indexed;
  else if (bits == 8 && planes == 3)
    mode = TMode::Rgb;
  else if (bits == 8 && planes == 4)
    mode = TMode::Rgba;
  else
    return frUnsupportedDepth;
  return frNone;
}

TFailureReason HeaderFault(const TPcxHeader& h, TMode& mode) {
  if (h.Manufacturer != kManufacturer || h.Version > 5) return frNotThisFormat;
  if (h.Encoding > 1) return frUnsupportedCompression;
  if (h.XMax < h.XMin || h.YMax < h.YMin) return frCorruptData;
  if (const TFailureReason f = ModeOf(h, mode); f != frNone) return f;
  // Every plane's line must hold the whole width.
  if (int64_t{h.BytesPerLine} * 8 < h.Width() * h.BitsPerPixel) return frCorruptData;
  return frNone;
}

// The 256 colours after the marker that ends the file, or a gray ramp
// when the file has none.
std::vector<TRGB> TrailerPalette(TPixStream& stream, int64_t start, int64_t total) {
  std::vector<TRGB> palette(256);
  uint8_t raw[kPaletteTrailerSize];
  if (total >= kHeaderSize + kPaletteTrailerSize) {
    stream.Seek(start + total - kPaletteTrailerSize, TSeekOrigin::soBeginning);
    if (stream.ReadExact(raw, kPaletteTrailerSize) && raw[0] == kPaletteMarker) {
      for (int i = 0; i < 256; ++i) palette[i] = TRGB{raw[1 + 3 * i + 2], raw[1 + 3 * i + 1], raw[1 + 3 * i]};
      return palette;
    }
  }
  for (int i = 0; i < 256; ++i) palette[i] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
  return palette;
}

class TLineDecoder {
public:
  TLineDecoder(TBufferedReader& reader, bool rle) : m_reader(reader), m_rle(rle) {}

  // Fills count bytes; false when the data ends first (the rest is cleared).
  bool Fill(uint8_t* out, int64_t count) {
    if (!m_rle) {
      const int64_t got = m_reader.Read(out, count);
      std::memset(out + got, 0, static_cast<size_t>(count - got));
      return got == count;
    }
    int64_t i = 0;
    while (i < count) {
      if (m_runLeft > 0) {
        const int64_t n = std::min<int64_t>(m_runLeft, count - i);
        std::memset(out + i, m_runValue, static_cast<size_t>(n));
        m_runLeft -= static_cast<int>(n);
        i += n;
        continue;
      }
      // Codes are taken straight from the reader's buffer; only a run whose
      // value lies beyond it goes byte by byte.
      const std::span<const uint8_t> window = m_reader.Window();
      if (window.empty()) break;
      size_t k = 0;
      while (i < count && k < window.size()) {
        const uint8_t b = window[k];
        if ((b & kRunFlag) != kRunFlag) {
          out[i++] = b;
          ++k;
          continue;
        }
        if (k + 1 == window.size()) break;
        const int64_t run = b & ~kRunFlag;
        const int64_t n = std::min(run, count - i);
        std::memset(out + i, window[k + 1], static_cast<size_t>(n));
        i += n;
        k += 2;
        if (n < run) {
          m_runLeft = static_cast<int>(run - n);
          m_runValue = window[k - 1];
          break;
        }
      }
      m_reader.Skip(k);
      if (k == 0 || (i < count && m_runLeft == 0 && k < window.size())) {
        // A run code at the window's end: its value comes with the next refill.
        uint8_t code = 0;
        if (!m_reader.Next(code) || !m_reader.Next(m_runValue)) break;
        m_runLeft = code & ~kRunFlag;
      }
    }
    if (i == count) return true;
    m_runLeft = 0;
    std::memset(out + i, 0, static_cast<size_t>(count - i));
    return false;
  }

private:
  TBufferedReader& m_reader;
  bool m_rle;
  int m_runLeft = 0;  // bytes of the current run not yet given out
  uint8_t m_runValue = 0;
};

void PutColor(uint8_t* out, const TRGB& c) { std::memcpy(out, &c, 3); }

void ConvertLine(const TPcxHeader& h, TMode mode, const uint8_t* line, const std::vector<TRGB>& palette, uint8_t* out,
                 uint8_t* alpha) {
  const int64_t width = h.Width();
  const int64_t bpl = h.BytesPerLine;
  switch (mode) {
    case TMode::Mono: {
      const int64_t bytes = (width + 7) / 8;
      std::memcpy(out, line, static_cast<size_t>(bytes));
      // Bits past the width are padding: cleared, so equal pictures hold equal bytes.
      if (width % 8) out[bytes - 1] &= static_cast<uint8_t>(0xFF00 >> (width % 8));
      break;
    }
    case TMode::Planar:
      for (int64_t x = 0; x < width; ++x) {
        int index = 0;
        for (int p = 0; p < h.Planes; ++p) index |= ((line[p * bpl + x / 8] >> (7 - x % 8)) & 1) << p;
        PutColor(out + 3 * x, palette[index]);
      }
      break;
    case TMode::Packed:
      for (int64_t x = 0; x < width; ++x) {
        const int index = h.BitsPerPixel == 2 ? (line[x / 4] >> (6 - 2 * (x % 4))) & 3
                                              : (line[x / 2] >> ((x % 2) ? 0 : 4)) & 15;
        PutColor(out + 3 * x, palette[index]);
      }
      break;
    case TMode::Indexed:
      for (int64_t x = 0; x < width; ++x) PutColor(out + 3 * x, palette[line[x]]);
      break;
    case TMode::Rgb:
    case TMode::Rgba:
      for (int64_t x = 0; x < width; ++x) {
        out[3 * x] = line[2 * bpl + x];
        out[3 * x + 1] = line[bpl + x];
        out[3 * x + 2] = line[x];
      }
      if (alpha) std::memcpy(alpha, line + 3 * bpl, static_cast<size_t>(width));
      break;
  }
}

void FillParams(const TPcxHeader& h, TMode mode, const std::vector<TRGB>& palette, TIOParams& params) {
  params.Width = static_cast<int32_t>(h.Width());
  params.Height = static_cast<int32_t>(h.Height());
  const bool color = mode == TMode::Rgb || mode == TMode::Rgba;
  params.BitsPerSample = color ? 8 : h.BitsPerPixel * h.Planes;
  params.SamplesPerPixel = color ? 3 : 1;
  const TResolution res = DefaultResolution();
  params.DpiX = h.HDpi > 0 ? h.HDpi : res.DpiX;
  params.DpiY = h.VDpi > 0 ? h.VDpi : res.DpiY;
  params.PcxVersion = h.Version;
  params.PcxCompression = h.Encoding;
  if (color)
    params.FreeColorMap();
  else
    params.SetColorMap(palette.data(), std::min<int32_t>(1 << params.BitsPerSample, 256));
}

}  // namespace

void ReadPcxStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress) {
  const int64_t start = stream.Position();
  const int64_t total = BytesLeft(stream);
  uint8_t raw[kHeaderSize];
  const int64_t got = stream.Read(raw, kHeaderSize);
  if (got >= 1 && raw[0] != kManufacturer) {
    progress.Abort(frNotThisFormat);
    return;
  }
  if (got < kHeaderSize) {
    progress.Abort(frTruncated);
    return;
  }
  TPcxHeader h;
  ParseHeader(raw, h);
  TMode mode = TMode::Mono;
  if (const TFailureReason fault = HeaderFault(h, mode); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  std::vector<TRGB> palette;
  if (mode == TMode::Mono) {
    palette = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
  } else if (mode == TMode::Indexed) {
    palette = TrailerPalette(stream, start, total);
    stream.Seek(start + kHeaderSize, TSeekOrigin::soBeginning);
  } else {
    const auto& source = h.Version == kVersionWithoutPalette ? kEgaPalette : h.Palette;
    palette.assign(source.begin(), source.end());
  }
  FillParams(h, mode, palette, params);
  const TPixelFormat format = mode == TMode::Mono ? TPixelFormat::Bilevel : TPixelFormat::TrueColor;
  if (const TFailureReason fault = ImageSizeFault(h.Width(), h.Height(), format); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  if (paramsOnly) return;

  // Nothing is allocated for lines the file cannot hold: raw data takes its
  // full size, RLE at least two bytes per 63.
  const int64_t lineBytes = int64_t{h.BytesPerLine} * h.Planes;
  const int64_t decoded = lineBytes * h.Height();
  const int64_t least = h.Encoding == 1 ? (decoded + kMaxRun - 1) / kMaxRun * 2 - 1 : decoded;
  const int64_t left = total - kHeaderSize;
  if (left < least) {
    progress.Abort(frTruncated);
    return;
  }
  const auto width = static_cast<int32_t>(h.Width());
  const auto height = static_cast<int32_t>(h.Height());
  image.Allocate(width, height, format);
  const bool withAlpha = mode == TMode::Rgba && alpha;
  if (withAlpha)
    alpha->Allocate(width, height, 8);
  else
    MakeOpaqueAlpha(alpha, width, height);

  TBufferedReader reader(stream, left);
  TLineDecoder lines(reader, h.Encoding == 1);
  std::vector<uint8_t> line(static_cast<size_t>(lineBytes));
  for (int32_t y = 0; y < height; ++y) {
    progress.ReportStep(y, height);
    if (progress.Aborted()) return;
    const bool whole = lines.Fill(line.data(), lineBytes);
    ConvertLine(h, mode, line.data(), palette, image.ScanLine(y), withAlpha ? alpha->ScanLine(y) : nullptr);
    if (!whole) {
      progress.NoteDamage(frTruncated);
      return;
    }
  }
}

}  // namespace pix
