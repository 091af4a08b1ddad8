// ReadTgaStream: header, image ID, colour map, footer and extension area, then
// the pixels row by row in file order.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/common/image_limits.h"
#include "codecs/common/stream_io.h"
#include "codecs/tga/detail/tga_format.h"
#include "codecs/tga/tga_codec.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using namespace tga;

constexpr int kMaxIndices = 256;
constexpr int kRlePacketPixels = 128;

// How the file stores one pixel.
enum class TPixelKind { Gray8, GrayAlpha16, Index8, Rgb16, Bgr24, Bgra32 };

struct TLayout {
  TPixelKind Kind = TPixelKind::Bgr24;
  int Bytes = 3;       // per stored pixel
  bool Alpha = false;  // the picture has an alpha channel
};

// The map as the decoder uses it: every 8-bit index has an entry; Present
// tells the ones the file defines.
struct TColorMap {
  std::array<TRGB, kMaxIndices> Colors{};
  std::array<uint8_t, kMaxIndices> Alpha{};
  std::array<bool, kMaxIndices> Present{};
  int Count = 0;  // entries up to the last one defined (ColorMap of the record)
};

uint8_t Expand5(unsigned c) { return static_cast<uint8_t>(c * 255 / 31); }

// A 15- or 16-bit value (x R5 G5 B5) as a colour; the top bit is the
// attribute (alpha) bit.
TRGB Color16(unsigned v) { return TRGB{Expand5(v & 31), Expand5((v >> 5) & 31), Expand5((v >> 10) & 31)}; }

// frNone for a header this reader can decode.
TFailureReason HeaderFault(const TTgaHeader& h) {
  if (h.MapType > 1) return frNotThisFormat;
  const int type = h.BaseType();
  if (h.ImageType == 32 || h.ImageType == 33) return frUnsupportedCompression;
  if (h.ImageType == ttNoImage) return frNoImage;
  if ((h.ImageType & ~ttRleFlag) < ttMapped || (h.ImageType & ~ttRleFlag) > ttGray) return frNotThisFormat;
  switch (type) {
    case ttMapped:
      if (h.MapType != 1) return frCorruptData;
      if (h.PixelBits != 8) return frUnsupportedDepth;
      if (h.MapEntryBits != 15 && h.MapEntryBits != 16 && h.MapEntryBits != 24 && h.MapEntryBits != 32)
        return frUnsupportedDepth;
      break;
    case ttTrueColor:
      if (h.PixelBits != 15 && h.PixelBits != 16 && h.PixelBits != 24 && h.PixelBits != 32) return frUnsupportedDepth;
      break;
    default:
      if (h.PixelBits != 8 && h.PixelBits != 16) return frUnsupportedDepth;
      break;
  }
  return frNone;
}

// Which stored pixels carry alpha: 32-bit pixels and map entries and 16-bit
// gray always (writers often leave the attribute bits 0), 16-bit colour when
// the header declares an attribute bit. None when the extension area calls
// the alpha field undefined data (types 1 and 2).
TLayout LayoutOf(const TTgaHeader& h, const TTgaExtension& ext) {
  const bool undefined = ext.AttributesType == 1 || ext.AttributesType == 2;
  const bool attributes = h.AttributeBits() > 0 && !undefined;
  TLayout l;
  switch (h.BaseType()) {
    case ttMapped:
      l = {TPixelKind::Index8, 1, !undefined && (h.MapEntryBits == 32 || (h.MapEntryBits == 16 && attributes))};
      break;
    case ttGray:
      l = h.PixelBits == 16 ? TLayout{TPixelKind::GrayAlpha16, 2, !undefined} : TLayout{TPixelKind::Gray8, 1, false};
      break;
    default:
      if (h.PixelBits == 32)
        l = {TPixelKind::Bgra32, 4, !undefined};
      else if (h.PixelBits == 24)
        l = {TPixelKind::Bgr24, 3, false};
      else
        l = {TPixelKind::Rgb16, 2, attributes && h.PixelBits == 16};
      break;
  }
  return l;
}

void BuildColorMap(const TTgaHeader& h, const std::vector<uint8_t>& raw, TColorMap& map) {
  const int bytes = (h.MapEntryBits + 7) / 8;
  for (int i = 0; i < h.MapLength; ++i) {
    const int index = h.MapFirst + i;
    if (index >= kMaxIndices) break;
    const uint8_t* e = raw.data() + static_cast<size_t>(i) * static_cast<size_t>(bytes);
    if (bytes == 2) {
      const unsigned v = GetLE16(e);
      map.Colors[index] = Color16(v);
      map.Alpha[index] = (v & 0x8000) ? 255 : 0;
    } else {
      map.Colors[index] = TRGB{e[0], e[1], e[2]};
      map.Alpha[index] = bytes == 4 ? e[3] : 255;
    }
    map.Present[index] = true;
    map.Count = index + 1;
  }
}

// The footer's extension area, when the file has a TGA 2.0 footer that
// points at one inside the file. The stream position is left undefined.
void ReadExtension(TPixStream& stream, int64_t start, int64_t total, TTgaExtension& ext) {
  if (total < kHeaderSize + kFooterSize) return;
  uint8_t footer[kFooterSize];
  stream.Seek(start + total - kFooterSize, TSeekOrigin::soBeginning);
  if (!stream.ReadExact(footer, kFooterSize) || std::memcmp(footer + 8, kSignature, sizeof kSignature) != 0) return;
  const int64_t at = GetLE32(footer);
  const int64_t end = total - kFooterSize;
  if (at < kHeaderSize || at + 2 > end) return;
  uint8_t raw[kExtensionSize] = {};
  stream.Seek(start + at, TSeekOrigin::soBeginning);
  if (!stream.ReadExact(raw, 2)) return;
  const int64_t size = std::min<int64_t>({GetLE16(raw), kExtensionSize, end - at});
  if (size > 2 && !stream.ReadExact(raw + 2, size - 2)) return;
  ParseExtension(raw, size, ext);
}

void FillParams(const TTgaHeader& h, const std::string& id, const TTgaExtension& ext, const TColorMap& map,
                TIOParams& params) {
  params.Width = h.Width;
  params.Height = h.Height;
  const bool mapped = h.BaseType() == ttMapped;
  const bool sixteen = h.BaseType() == ttTrueColor && h.PixelBits <= 16;
  params.BitsPerSample = sixteen ? 5 : 8;
  params.SamplesPerPixel = h.BaseType() == ttTrueColor ? 3 : 1;
  const TResolution res = DefaultResolution();
  params.DpiX = res.DpiX;
  params.DpiY = res.DpiY;
  params.TgaXPos = h.XOrigin;
  params.TgaYPos = h.YOrigin;
  params.TgaCompressed = h.Rle();
  params.TgaGrayLevel = h.BaseType() == ttGray;
  params.TgaImageName = id.substr(0, id.find('\0'));
  params.TgaAuthor = ext.Author;
  params.TgaDescriptor = ext.Comments;
  params.TgaDate = ext.Date;
  params.TgaBackground = ext.KeyColor;
  params.TgaAspectRatio = ext.AspectRatio > 0.0 ? ext.AspectRatio : 1.0;
  params.TgaGamma = ext.Gamma > 0.0 ? ext.Gamma : 2.2;
  if (mapped)
    params.SetColorMap(map.Colors.data(), map.Count);
  else
    params.FreeColorMap();
}

class TPixelDecoder {
public:
  TPixelDecoder(TBufferedReader& reader, const TTgaHeader& h, const TLayout& layout, const TColorMap& map,
                TBitmap& image, TPixMask* alpha, TProgressRecord& progress)
      : m_reader(reader), m_h(h), m_layout(layout), m_map(map), m_image(image),
        m_alpha(layout.Alpha ? alpha : nullptr), m_progress(progress),
        m_row(static_cast<size_t>(h.Width) * static_cast<size_t>(layout.Bytes)) {}

  void Run() {
    const int32_t height = m_image.Height();
    // 24 bits stored left to right already have the image's row layout.
    const bool direct = m_layout.Kind == TPixelKind::Bgr24 && !m_h.RightToLeft();
    for (int32_t k = 0; k < height; ++k) {
      m_progress.ReportStep(k, height);
      if (m_progress.Aborted()) return;
      const int32_t y = m_h.TopDown() ? k : height - 1 - k;
      uint8_t* out = m_image.ScanLine(y);
      const bool whole = FillRow(direct ? out : m_row.data());
      if (!direct) Convert(out, m_alpha ? m_alpha->ScanLine(y) : nullptr);
      if (!whole) return;
    }
    if (m_packetLeft > 0) m_progress.NoteDamage(frCorruptData);
  }

private:
  // The row's stored pixels in file order; false (damage noted, the rest of
  // the row cleared) when the data ends first.
  bool FillRow(uint8_t* row) {
    const int bytes = m_layout.Bytes;
    const int64_t width = m_h.Width;
    if (!m_h.Rle()) return Take(row, width * bytes);
    for (int64_t x = 0; x < width;) {
      if (m_packetLeft == 0 && !StartPacket()) return Short(row + x * bytes, (width - x) * bytes);
      const int64_t n = std::min<int64_t>(m_packetLeft, width - x);
      uint8_t* at = row + x * bytes;
      if (m_run) {
        Repeat(at, n);
      } else if (!Take(at, n * bytes)) {
        std::memset(at + n * bytes, 0, static_cast<size_t>((width - x - n) * bytes));
        return false;
      }
      m_packetLeft -= n;
      x += n;
    }
    return true;
  }

  // Short packets are common: the run's pixel is copied with a fixed size.
  void Repeat(uint8_t* at, int64_t n) {
    switch (m_layout.Bytes) {
      case 1: std::memset(at, m_runPixel[0], static_cast<size_t>(n)); break;
      case 2: for (int64_t i = 0; i < n; ++i) std::memcpy(at + 2 * i, m_runPixel, 2); break;
      case 3: for (int64_t i = 0; i < n; ++i) std::memcpy(at + 3 * i, m_runPixel, 3); break;
      default: for (int64_t i = 0; i < n; ++i) std::memcpy(at + 4 * i, m_runPixel, 4); break;
    }
  }

  bool StartPacket() {
    const int bytes = m_layout.Bytes;
    const std::span<const uint8_t> window = m_reader.Window();
    if (window.size() > static_cast<size_t>(bytes)) {
      // Header and run pixel straight from the reader's buffer.
      m_run = (window[0] & 0x80) != 0;
      m_packetLeft = (window[0] & 0x7F) + 1;
      if (m_run) std::memcpy(m_runPixel, window.data() + 1, static_cast<size_t>(bytes));
      m_reader.Skip(m_run ? 1 + static_cast<size_t>(bytes) : 1);
      return true;
    }
    uint8_t head = 0;
    if (!m_reader.Next(head)) return false;
    m_run = (head & 0x80) != 0;
    m_packetLeft = (head & 0x7F) + 1;
    if (m_run && m_reader.Read(m_runPixel, bytes) < bytes) {
      m_packetLeft = 0;
      return false;
    }
    return true;
  }

  bool Take(uint8_t* out, int64_t count) {
    const int64_t got = m_reader.Read(out, count);
    if (got == count) return true;
    return Short(out + got, count - got);
  }

  bool Short(uint8_t* rest, int64_t count) {
    std::memset(rest, 0, static_cast<size_t>(count));
    m_progress.NoteDamage(frTruncated);
    return false;
  }

  void Convert(uint8_t* out, uint8_t* alpha) {
    const int64_t width = m_h.Width;
    const bool mirror = m_h.RightToLeft();
    const uint8_t* in = m_row.data();
    for (int64_t i = 0; i < width; ++i, in += m_layout.Bytes) {
      const int64_t x = mirror ? width - 1 - i : i;
      uint8_t* p = out + 3 * x;
      uint8_t a = 255;
      switch (m_layout.Kind) {
        case TPixelKind::Gray8: p[0] = p[1] = p[2] = in[0]; break;
        case TPixelKind::GrayAlpha16:
          p[0] = p[1] = p[2] = in[0];
          a = in[1];
          break;
        case TPixelKind::Index8:
          if (!m_map.Present[in[0]]) m_progress.NoteDamage(frCorruptData);
          std::memcpy(p, &m_map.Colors[in[0]], 3);
          a = m_map.Alpha[in[0]];
          break;
        case TPixelKind::Rgb16: {
          const unsigned v = GetLE16(in);
          const TRGB c = Color16(v);
          std::memcpy(p, &c, 3);
          a = (v & 0x8000) ? 255 : 0;
          break;
        }
        case TPixelKind::Bgr24: std::memcpy(p, in, 3); break;
        case TPixelKind::Bgra32:
          std::memcpy(p, in, 3);
          a = in[3];
          break;
      }
      if (alpha) alpha[x] = a;
    }
  }

  TBufferedReader& m_reader;
  const TTgaHeader& m_h;
  const TLayout& m_layout;
  const TColorMap& m_map;
  TBitmap& m_image;
  TPixMask* m_alpha;
  TProgressRecord& m_progress;
  std::vector<uint8_t> m_row;
  int64_t m_packetLeft = 0;  // pixels left in the current RLE packet
  bool m_run = false;
  uint8_t m_runPixel[4] = {};
};

}  // namespace

void ReadTgaStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress) {
  const int64_t start = stream.Position();
  const int64_t total = BytesLeft(stream);
  uint8_t raw[kHeaderSize];
  if (!stream.ReadExact(raw, kHeaderSize)) {
    progress.Abort(frTruncated);
    return;
  }
  TTgaHeader h;
  ParseHeader(raw, h);
  if (const TFailureReason fault = HeaderFault(h); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  std::string id(h.IdLength, '\0');
  const int64_t mapBytes = h.MapType == 1 ? int64_t{h.MapLength} * ((h.MapEntryBits + 7) / 8) : 0;
  std::vector<uint8_t> mapRaw(static_cast<size_t>(mapBytes));
  if (h.IdLength + mapBytes > BytesLeft(stream) || (h.IdLength > 0 && !stream.ReadExact(id.data(), h.IdLength)) ||
      (mapBytes > 0 && !stream.ReadExact(mapRaw.data(), mapBytes))) {
    progress.Abort(frTruncated);
    return;
  }
  TColorMap map;
  if (h.BaseType() == ttMapped) BuildColorMap(h, mapRaw, map);
  const int64_t pixelStart = stream.Position();
  TTgaExtension ext;
  ReadExtension(stream, start, total, ext);
  stream.Seek(pixelStart, TSeekOrigin::soBeginning);

  FillParams(h, id, ext, map, params);
  if (const TFailureReason fault = ImageSizeFault(h.Width, h.Height, TPixelFormat::TrueColor); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  if (paramsOnly) return;

  const TLayout layout = LayoutOf(h, ext);
  const int64_t pixels = int64_t{h.Width} * h.Height;
  // Nothing is allocated for pixels the file cannot hold: raw data takes its
  // full size, RLE at least a packet of 128 pixels per header and value.
  const int64_t least = h.Rle() ? (pixels + kRlePacketPixels - 1) / kRlePacketPixels * (1 + layout.Bytes)
                                : pixels * layout.Bytes;
  const int64_t left = total - (pixelStart - start);
  if (left < least) {
    progress.Abort(frTruncated);
    return;
  }
  image.Allocate(h.Width, h.Height, TPixelFormat::TrueColor);
  if (layout.Alpha && alpha)
    alpha->Allocate(h.Width, h.Height, 8);
  else
    MakeOpaqueAlpha(alpha, h.Width, h.Height);
  TBufferedReader reader(stream, left);
  TPixelDecoder(reader, h, layout, map, image, alpha, progress).Run();
  // An alpha channel that is 0 everywhere was never filled in: the picture
  // is meant to be seen.
  if (layout.Alpha && alpha && AlphaIsZero(*alpha)) alpha->Fill(255);
}

}  // namespace pix
