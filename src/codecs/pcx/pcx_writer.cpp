// WritePcxStream: header, scan lines (each plane's line RLE-coded on its
// own), and the 256-colour palette for 8-bit images.
#include <algorithm>
#include <memory>
#include <vector>

#include "codecs/common/stream_io.h"
#include "codecs/palette/palette_mapper.h"
#include "codecs/pcx/detail/pcx_format.h"
#include "codecs/pcx/pcx_codec.h"

namespace pix {

namespace {

using namespace pcx;

constexpr int64_t kMaxField = 65535;

void EncodeLine(const uint8_t* line, int64_t count, bool rle, TBufferedWriter& out) {
  if (!rle) {
    out.Write(line, count);
    return;
  }
  for (int64_t i = 0; i < count;) {
    int64_t run = 1;
    while (i + run < count && run < kMaxRun && line[i + run] == line[i]) ++run;
    // A single byte goes as it is unless it looks like a run count.
    if (run > 1 || (line[i] & kRunFlag) == kRunFlag) out.Put(static_cast<uint8_t>(kRunFlag | run));
    out.Put(line[i]);
    i += run;
  }
}

enum class TDepth { Mono, Indexed, Rgb };

TDepth ChooseDepth(const TBitmap& image, const TIOParams& params) {
  if (image.PixelFormat() == TPixelFormat::Bilevel) return TDepth::Mono;
  if (params.SamplesPerPixel == 1 && params.BitsPerSample <= 8 && params.ColorMapCount > 0) return TDepth::Indexed;
  return TDepth::Rgb;
}

}  // namespace

void WritePcxStream(TPixStream& stream, TBitmap& image, const TPixMask*, TIOParams& params,
                    TProgressRecord& progress) {
  ConvertToTrueColor(image);
  const TDepth depth = ChooseDepth(image, params);
  const int32_t width = image.Width(), height = image.Height();
  TPcxHeader h;
  h.Encoding = params.PcxCompression != 0 ? 1 : 0;
  h.BitsPerPixel = depth == TDepth::Mono ? 1 : 8;
  h.Planes = depth == TDepth::Rgb ? 3 : 1;
  // Lines are padded to an even length, as the format asks.
  const int64_t lineBytes = depth == TDepth::Mono ? (int64_t{width} + 7) / 8 : width;
  const int64_t bpl = (lineBytes + 1) / 2 * 2;
  if (width < 1 || height < 1 || bpl > kMaxField || height > kMaxField + 1) {
    progress.Abort(width < 1 || height < 1 ? frNoImage : frSizeTooLarge);
    return;
  }
  h.XMax = static_cast<uint16_t>(width - 1);
  h.YMax = static_cast<uint16_t>(height - 1);
  h.HDpi = static_cast<uint16_t>(std::clamp<int64_t>(params.DpiX, 0, kMaxField));
  h.VDpi = static_cast<uint16_t>(std::clamp<int64_t>(params.DpiY, 0, kMaxField));
  h.BytesPerLine = static_cast<uint16_t>(bpl);

  std::unique_ptr<TPaletteMapper> mapper;
  if (depth == TDepth::Indexed) {
    mapper = std::make_unique<TPaletteMapper>(image, 256);
    std::copy_n(mapper->Palette().begin(), 16, h.Palette.begin());
    params.SetColorMap(mapper->Palette().data(), 256);
  } else if (depth == TDepth::Mono) {
    h.Palette[1] = TRGB{255, 255, 255};
    params.SetColorMap(h.Palette.data(), 2);
  }
  uint8_t raw[kHeaderSize];
  BuildHeader(h, raw);
  TBufferedWriter out(stream, progress);
  out.Write(raw, kHeaderSize);

  std::vector<uint8_t> line(static_cast<size_t>(bpl * h.Planes), 0);
  const bool rle = h.Encoding == 1;
  for (int32_t y = 0; y < height; ++y) {
    progress.ReportStep(y, height);
    if (progress.Aborted()) return;
    const uint8_t* in = image.ScanLine(y);
    switch (depth) {
      case TDepth::Mono:
        std::copy_n(in, lineBytes, line.begin());
        break;
      case TDepth::Indexed:
        for (int32_t x = 0; x < width; ++x) line[x] = mapper->IndexOf(in + 3 * x);
        break;
      case TDepth::Rgb:
        for (int32_t x = 0; x < width; ++x) {
          line[x] = in[3 * x + 2];
          line[bpl + x] = in[3 * x + 1];
          line[2 * bpl + x] = in[3 * x];
        }
        break;
    }
    for (int p = 0; p < h.Planes; ++p) EncodeLine(line.data() + p * bpl, bpl, rle, out);
  }
  if (mapper) {
    out.Put(kPaletteMarker);
    for (const TRGB& c : mapper->Palette()) {
      out.Put(c.r);
      out.Put(c.g);
      out.Put(c.b);
    }
  }
  out.Flush();
}

}  // namespace pix
