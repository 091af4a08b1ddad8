// ReadPngStream: libpng parses the chunks and inflates the rows; the reader
// chooses how rows reach the working image, converts them and fills the record.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "codecs/common/alpha_plane.h"
#include "codecs/common/resolution.h"
#include "codecs/common/sample_scale.h"
#include "codecs/png/detail/png_session.h"
#include "codecs/png/png_codec.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using png::TPngSession;

constexpr std::size_t kSignatureSize = 8;
// Sides beyond this are refused by libpng itself; the pixel block is bounded
// separately by MaxBitmapBytes().
constexpr png_uint_32 kMaxSide = png_uint_32{1} << 24;
// At most this many text, sPLT and unknown chunks are kept, and no ancillary
// chunk may claim more memory than this.
constexpr png_uint_32 kChunkCacheMax = 128;
constexpr png_alloc_size_t kChunkMallocMax = png_alloc_size_t{8} << 20;
// Deflate never turns one byte into more than this many.
constexpr int64_t kMaxInflateRatio = 1032;
// libpng asks for image data in pieces of this size. It takes no partial
// piece, so a file cut short loses at most this much before the cut.
constexpr std::size_t kImageDataPiece = 1024;

// Ancillary chunks the reader has no use for. libpng skips them (still
// checking their CRC) instead of parsing them, so compressed text and colour
// profiles are never inflated. Five bytes each: the name and a NUL.
constexpr png_byte kIgnoredChunks[] =
    "cHRM\0gAMA\0iCCP\0sBIT\0sRGB\0hIST\0sPLT\0tEXt\0zTXt\0iTXt\0tIME\0oFFs\0pCAL\0sCAL\0eXIf\0sTER";
constexpr int kIgnoredChunkCount = static_cast<int>(sizeof(kIgnoredChunks) / 5);

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};

// The Adam7 pass (0..6) of a pixel, by row and column modulo 8.
constexpr uint8_t kAdam7Pass[8][8] = {
    {0, 5, 3, 5, 1, 5, 3, 5}, {6, 6, 6, 6, 6, 6, 6, 6}, {4, 5, 4, 5, 4, 5, 4, 5}, {6, 6, 6, 6, 6, 6, 6, 6},
    {2, 5, 3, 5, 2, 5, 3, 5}, {6, 6, 6, 6, 6, 6, 6, 6}, {4, 5, 4, 5, 4, 5, 4, 5}, {6, 6, 6, 6, 6, 6, 6, 6},
};

// How the rows of a file reach the working image.
enum class TRowKind {
  Bilevel,    // 1 bit, packed as the image stores it
  Gray,       // 1..8 bits (one sample per byte) or 16 bits
  GrayAlpha,  // 8 or 16 bits
  Palette,    // 1..8 bits, one index per byte
  Rgb,        // 8 bits straight into the image as blue, green, red; or 16 bits
  Rgba,       // 8 bits as blue, green, red, alpha; or 16 bits
};

struct TLayout {
  TRowKind Kind = TRowKind::Rgb;
  int Depth = 8;
  bool Transparent = false;  // an alpha channel or a usable tRNS
  bool Direct = false;       // libpng writes the image rows itself
  bool InvertBits = false;   // Bilevel from a white, black palette
  std::array<TRGB, 256> Colors{};  // palette; black past the file's entries, as libpng shows them
  std::array<uint8_t, 256> Alphas{};
  int PaletteCount = 0;
  bool HasKey = false;  // tRNS of a grey or colour image, at the file's depth
  png_color_16 Key{};
  std::array<uint8_t, 256> GrayOf{};  // a grey sample below 16 bits as 8 bits

  int64_t BytesPerRow(int64_t width) const {
    switch (Kind) {
      case TRowKind::Bilevel: return (width + 7) / 8;
      case TRowKind::Gray: return Depth == 16 ? 2 * width : width;
      case TRowKind::GrayAlpha: return Depth == 16 ? 4 * width : 2 * width;
      case TRowKind::Palette: return width;
      case TRowKind::Rgb: return Depth == 16 ? 6 * width : 3 * width;
      case TRowKind::Rgba: return Depth == 16 ? 8 * width : 4 * width;
    }
    return 0;
  }
};

inline uint32_t BigEndian16(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 8) | p[1]; }

inline void Put(uint8_t* out, uint8_t b, uint8_t g, uint8_t r) {
  out[0] = b;
  out[1] = g;
  out[2] = r;
}

class TPngReader {
public:
  TPngReader(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
             TProgressRecord& progress)
      : m_stream(stream),
        m_image(image),
        m_alpha(alpha),
        m_paramsOnly(paramsOnly),
        m_params(params),
        m_progress(progress),
        m_start(stream.Position()),
        m_session(stream, false, progress) {}

  void Run();

private:
  bool CheckSignature();
  bool ReadInfo();
  void ReadHeader();
  void StoreParams();
  TFailureReason SizeFault() const;
  bool SetTransforms();
  void Decode();
  uint8_t* RowTarget(int32_t y);
  void ConvertRow(int32_t y, const uint8_t* raw);
  void FinishDirectRow(int32_t y);
  bool Decoded(int32_t x, int32_t y) const;
  bool NothingDecoded() const { return m_stopPass == 0 && m_stopRow == 0; }
  void ClearUndecoded();
  void Finish();

  TPixStream& m_stream;
  TBitmap& m_image;
  TPixMask* m_alpha;
  bool m_paramsOnly;
  TIOParams& m_params;
  TProgressRecord& m_progress;
  int64_t m_start;
  TPngSession m_session;

  png_uint_32 m_width = 0;
  png_uint_32 m_height = 0;
  int m_colorType = 0;
  bool m_interlaced = false;
  int m_passes = 1;
  TLayout m_layout;
  bool m_alphaOut = false;  // rows write the alpha plane
  std::vector<uint8_t> m_raw;  // one row, or the whole image while passes fill it
  int64_t m_rowBytes = 0;
  bool m_badIndex = false;  // a palette index beyond the file's entries
  // Where libpng stopped: every pixel of an earlier pass, and of this pass
  // above this row, was decoded.
  uint32_t m_stopPass = 7;
  uint32_t m_stopRow = 0;
};

bool TPngReader::CheckSignature() {
  uint8_t signature[kSignatureSize] = {};
  const int64_t got = m_session.ReadBuffered(signature, kSignatureSize);
  if (got < 0) {
    m_session.RaisePending();
    return false;
  }
  if (got > 0 && png_sig_cmp(signature, 0, static_cast<std::size_t>(got)) != 0) {
    m_progress.Abort(frNotThisFormat);
    return false;
  }
  if (got < static_cast<int64_t>(kSignatureSize)) {
    m_progress.Abort(frTruncated);
    return false;
  }
  return true;
}

// libpng's limits and the chunks it may skip, then every chunk before the image data.
bool TPngReader::ReadInfo() {
  return m_session.Guarded([this] {
    png_structp png = m_session.Png;
    png_set_sig_bytes(png, static_cast<int>(kSignatureSize));
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_cache_max(png, kChunkCacheMax);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    png_set_benign_errors(png, 1);
    png_set_compression_buffer_size(png, kImageDataPiece);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, kIgnoredChunkCount);
    png_read_info(png, m_session.Info);
  });
}

void TPngReader::ReadHeader() {
  png_structp png = m_session.Png;
  png_infop info = m_session.Info;
  int depth = 0, interlace = 0;
  png_get_IHDR(png, info, &m_width, &m_height, &depth, &m_colorType, &interlace, nullptr, nullptr);
  m_interlaced = interlace != PNG_INTERLACE_NONE;
  TLayout& l = m_layout;
  l.Depth = depth;
  l.Alphas.fill(255);

  if (m_colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) && palette) {
      l.PaletteCount = std::clamp(count, 0, 256);
      for (int i = 0; i < l.PaletteCount; ++i) l.Colors[i] = TRGB{palette[i].blue, palette[i].green, palette[i].red};
    }
  }
  png_bytep transAlpha = nullptr;
  int transCount = 0;
  png_color_16p transColor = nullptr;
  if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColor)) {
    if (m_colorType == PNG_COLOR_TYPE_PALETTE && transAlpha && transCount > 0) {
      for (int i = 0; i < std::min(transCount, 256); ++i) l.Alphas[i] = transAlpha[i];
      l.Transparent = true;
    } else if ((m_colorType == PNG_COLOR_TYPE_GRAY || m_colorType == PNG_COLOR_TYPE_RGB) && transColor) {
      l.Key = *transColor;
      // A key beyond the depth is cut to it, as libpng's own expansion does.
      if (depth < 16) {
        const auto mask = static_cast<png_uint_16>((1u << depth) - 1);
        l.Key.gray &= mask, l.Key.red &= mask, l.Key.green &= mask, l.Key.blue &= mask;
      }
      l.HasKey = l.Transparent = true;
    }
  }
  if (m_colorType & PNG_COLOR_MASK_ALPHA) l.Transparent = true;

  switch (m_colorType) {
    case PNG_COLOR_TYPE_GRAY: l.Kind = depth == 1 ? TRowKind::Bilevel : TRowKind::Gray; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: l.Kind = TRowKind::GrayAlpha; break;
    case PNG_COLOR_TYPE_RGB: l.Kind = TRowKind::Rgb; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: l.Kind = TRowKind::Rgba; break;
    default: {
      // Two entries that are black and white make a two-colour image.
      const bool blackWhite = l.Colors[0] == kBlack && l.Colors[1] == kWhite;
      const bool whiteBlack = l.Colors[0] == kWhite && l.Colors[1] == kBlack;
      l.Kind = depth == 1 && (blackWhite || whiteBlack) ? TRowKind::Bilevel : TRowKind::Palette;
      l.InvertBits = l.Kind == TRowKind::Bilevel && whiteBlack;
      break;
    }
  }
  if (l.Kind == TRowKind::Gray && depth < 16) {
    const uint32_t maxValue = (1u << depth) - 1;
    for (uint32_t v = 0; v <= maxValue; ++v) l.GrayOf[v] = ScaleSample(v, maxValue);
  }
  l.Direct = l.Kind == TRowKind::Bilevel || (l.Kind == TRowKind::Rgb && depth == 8);
}

void TPngReader::StoreParams() {
  png_structp png = m_session.Png;
  png_infop info = m_session.Info;
  const TLayout& l = m_layout;
  m_params.Width = static_cast<int32_t>(m_width);
  m_params.Height = static_cast<int32_t>(m_height);
  m_params.BitsPerSample = l.Depth;
  m_params.SamplesPerPixel = (m_colorType & PNG_COLOR_MASK_COLOR) && m_colorType != PNG_COLOR_TYPE_PALETTE ? 3 : 1;
  if (m_colorType == PNG_COLOR_TYPE_PALETTE && l.PaletteCount > 0)
    m_params.SetColorMap(l.Colors.data(), l.PaletteCount);
  else
    m_params.FreeColorMap();
  m_params.PngInterlaced = m_interlaced;

  TRGB background = kBlack;
  png_color_16p bkgd = nullptr;
  if (png_get_bKGD(png, info, &bkgd) && bkgd) {
    if (m_colorType == PNG_COLOR_TYPE_PALETTE) {
      background = TRGB{static_cast<uint8_t>(bkgd->blue), static_cast<uint8_t>(bkgd->green),
                        static_cast<uint8_t>(bkgd->red)};
    } else {
      const uint32_t maxValue = (1u << l.Depth) - 1;
      auto level = [maxValue](uint32_t v) { return ScaleSample(std::min(v, maxValue), maxValue); };
      if (m_colorType & PNG_COLOR_MASK_COLOR)
        background = TRGB{level(bkgd->blue), level(bkgd->green), level(bkgd->red)};
      else
        background = TRGB{level(bkgd->gray), level(bkgd->gray), level(bkgd->gray)};
    }
  }
  m_params.PngBackground = background;

  const TResolution fallback = DefaultResolution();
  m_params.DpiX = fallback.DpiX;
  m_params.DpiY = fallback.DpiY;
  png_uint_32 resX = 0, resY = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  if (png_get_pHYs(png, info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
    constexpr png_uint_32 kMax = static_cast<png_uint_32>(std::numeric_limits<int32_t>::max());
    const int32_t dpiX = DpiFromPixelsPerMetre(static_cast<int32_t>(std::min(resX, kMax)));
    const int32_t dpiY = DpiFromPixelsPerMetre(static_cast<int32_t>(std::min(resY, kMax)));
    if (dpiX > 0) m_params.DpiX = dpiX;
    if (dpiY > 0) m_params.DpiY = dpiY;
  }
}

TFailureReason TPngReader::SizeFault() const {
  const TPixelFormat format = m_layout.Kind == TRowKind::Bilevel ? TPixelFormat::Bilevel : TPixelFormat::TrueColor;
  const int64_t stride = RowStrideFor(static_cast<int32_t>(m_width), format);
  if (stride > MaxBitmapBytes() / static_cast<int64_t>(m_height)) return frSizeTooLarge;
  // Rows held whole while the passes fill them in.
  if (m_interlaced && !m_layout.Direct &&
      m_layout.BytesPerRow(m_width) > MaxBitmapBytes() / static_cast<int64_t>(m_height))
    return frSizeTooLarge;
  return frNone;
}

bool TPngReader::SetTransforms() {
  const int64_t expected = m_layout.BytesPerRow(m_width);
  const bool ok = m_session.Guarded([this] {
    png_structp png = m_session.Png;
    if (m_layout.Depth < 8 && m_layout.Kind != TRowKind::Bilevel) png_set_packing(png);
    if ((m_layout.Kind == TRowKind::Rgb || m_layout.Kind == TRowKind::Rgba) && m_layout.Depth == 8) png_set_bgr(png);
    m_passes = png_set_interlace_handling(png);
    png_read_update_info(png, m_session.Info);
    m_rowBytes = static_cast<int64_t>(png_get_rowbytes(png, m_session.Info));
  });
  if (!ok) return false;
  // The transforms above give exactly one of the row layouts converted below.
  if (m_rowBytes != expected) {
    m_session.Failure = frUnsupportedDepth;
    return false;
  }
  return true;
}

uint8_t* TPngReader::RowTarget(int32_t y) {
  if (m_layout.Direct) return m_image.ScanLine(y);
  if (m_interlaced) return m_raw.data() + static_cast<int64_t>(y) * m_rowBytes;
  return m_raw.data();
}

void TPngReader::ConvertRow(int32_t y, const uint8_t* raw) {
  const TLayout& l = m_layout;
  uint8_t* out = m_image.ScanLine(y);
  uint8_t* a = m_alphaOut ? m_alpha->ScanLine(y) : nullptr;
  const int32_t width = static_cast<int32_t>(m_width);
  switch (l.Kind) {
    case TRowKind::Gray:
      for (int32_t x = 0; x < width; ++x, out += 3) {
        const uint32_t v = l.Depth == 16 ? BigEndian16(raw + 2 * x) : raw[x];
        const uint8_t g = l.Depth == 16 ? Reduce16(v) : l.GrayOf[v];
        Put(out, g, g, g);
        if (a) a[x] = l.HasKey && v == l.Key.gray ? 0 : 255;
      }
      break;
    case TRowKind::GrayAlpha:
      for (int32_t x = 0; x < width; ++x, out += 3) {
        const uint8_t g = l.Depth == 16 ? Reduce16(BigEndian16(raw + 4 * x)) : raw[2 * x];
        Put(out, g, g, g);
        if (a) a[x] = l.Depth == 16 ? Reduce16(BigEndian16(raw + 4 * x + 2)) : raw[2 * x + 1];
      }
      break;
    case TRowKind::Palette: {
      int highest = 0;
      for (int32_t x = 0; x < width; ++x, out += 3) {
        const uint8_t index = raw[x];
        highest = std::max<int>(highest, index);
        const TRGB& c = l.Colors[index];
        Put(out, c.b, c.g, c.r);
        if (a) a[x] = l.Alphas[index];
      }
      if (highest >= l.PaletteCount) m_badIndex = true;
      break;
    }
    case TRowKind::Rgb:  // 16 bits; 8 bits arrive directly
      for (int32_t x = 0; x < width; ++x, out += 3) {
        const uint8_t* p = raw + 6 * x;
        const uint32_t r = BigEndian16(p), g = BigEndian16(p + 2), b = BigEndian16(p + 4);
        Put(out, Reduce16(b), Reduce16(g), Reduce16(r));
        if (a) a[x] = l.HasKey && r == l.Key.red && g == l.Key.green && b == l.Key.blue ? 0 : 255;
      }
      break;
    case TRowKind::Rgba:
      if (l.Depth == 8) {
        for (int32_t x = 0; x < width; ++x, out += 3) {
          const uint8_t* p = raw + 4 * x;
          Put(out, p[0], p[1], p[2]);
          if (a) a[x] = p[3];
        }
      } else {
        for (int32_t x = 0; x < width; ++x, out += 3) {
          const uint8_t* p = raw + 8 * x;
          Put(out, Reduce16(BigEndian16(p + 4)), Reduce16(BigEndian16(p + 2)), Reduce16(BigEndian16(p)));
          if (a) a[x] = Reduce16(BigEndian16(p + 6));
        }
      }
      break;
    case TRowKind::Bilevel:
      break;
  }
}

// A row libpng wrote into the image: bits a white, black palette stores the
// other way round, padding bits cleared, and the alpha row a tRNS implies.
void TPngReader::FinishDirectRow(int32_t y) {
  const TLayout& l = m_layout;
  uint8_t* row = m_image.ScanLine(y);
  uint8_t* a = m_alphaOut ? m_alpha->ScanLine(y) : nullptr;
  const int32_t width = static_cast<int32_t>(m_width);
  if (l.Kind == TRowKind::Rgb) {
    if (!a) return;
    for (int32_t x = 0; x < width; ++x, row += 3)
      a[x] = row[0] == l.Key.blue && row[1] == l.Key.green && row[2] == l.Key.red ? 0 : 255;
    return;
  }
  const int32_t bytes = (width + 7) / 8;
  if (a) {
    for (int32_t x = 0; x < width; ++x) {
      const int bit = (row[x >> 3] >> (7 - (x & 7))) & 1;
      a[x] = m_colorType == PNG_COLOR_TYPE_PALETTE ? l.Alphas[bit] : (l.HasKey && bit == l.Key.gray ? 0 : 255);
    }
  }
  if (l.InvertBits)
    for (int32_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(~row[i]);
  if (width & 7) row[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - (width & 7)));
}

bool TPngReader::Decoded(int32_t x, int32_t y) const {
  if (!m_interlaced) return m_stopPass > 0 || static_cast<uint32_t>(y) < m_stopRow;
  const uint32_t pass = kAdam7Pass[y & 7][x & 7];
  return pass < m_stopPass || (pass == m_stopPass && static_cast<uint32_t>(y) < m_stopRow);
}

// Pixels the data never reached: black, and transparent where the file has
// alpha, whatever the rows held before.
void TPngReader::ClearUndecoded() {
  const bool bilevel = m_layout.Kind == TRowKind::Bilevel;
  for (int32_t y = 0; y < static_cast<int32_t>(m_height); ++y) {
    uint8_t* row = m_image.ScanLine(y);
    uint8_t* a = m_alphaOut ? m_alpha->ScanLine(y) : nullptr;
    for (int32_t x = 0; x < static_cast<int32_t>(m_width); ++x) {
      if (Decoded(x, y)) continue;
      if (bilevel)
        row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
      else
        Put(row + 3 * static_cast<int64_t>(x), 0, 0, 0);
      if (a) a[x] = 0;
    }
  }
}

void TPngReader::Decode() {
  const int32_t width = static_cast<int32_t>(m_width), height = static_cast<int32_t>(m_height);
  const TPixelFormat format = m_layout.Kind == TRowKind::Bilevel ? TPixelFormat::Bilevel : TPixelFormat::TrueColor;
  try {
    if (!m_layout.Direct) m_raw.assign(static_cast<std::size_t>(m_interlaced ? m_rowBytes * height : m_rowBytes), 0);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
  // The old picture goes before the new block is taken; every pixel is
  // written below, or cleared when the data stops early.
  m_image.Allocate(1, 1, format);
  m_image.ReshapeForOverwrite(width, height, format);
  m_alphaOut = m_alpha && m_layout.Transparent;
  if (m_alphaOut)
    m_alpha->Allocate(width, height, 8);
  else
    MakeOpaqueAlpha(m_alpha, width, height);

  m_progress.Counter = 0;
  m_progress.PerUnit = 100.0 / (static_cast<double>(m_passes) * height);
  bool complete = true;
  int32_t converted = 0;  // rows of a plain file taken from the one-row buffer
  for (int pass = 0; pass < m_passes && complete; ++pass) {
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* target = RowTarget(y);
      if (!m_session.Guarded([this, &target] { png_read_row(m_session.Png, target, nullptr); })) {
        complete = false;
        break;
      }
      if (!m_layout.Direct && !m_interlaced) ConvertRow(converted++, target);
      m_progress.Advance(1);
      if (m_progress.Aborted()) {
        complete = false;
        break;
      }
    }
  }
  // libpng's own counters say how far the rows got, also when it stopped
  // inside the last row's bookkeeping after the row itself was stored.
  m_stopPass = complete ? 7 : png_get_current_pass_number(m_session.Png);
  m_stopRow = complete ? 0 : png_get_current_row_number(m_session.Png);
  // A failure after libpng stored the last row but before it returned leaves
  // that row in the buffer.
  if (!complete && !m_layout.Direct && !m_interlaced && converted < height &&
      static_cast<uint32_t>(converted) < m_stopRow)
    ConvertRow(converted, m_raw.data());
  for (int32_t y = 0; y < height; ++y) {
    if (m_layout.Direct)
      FinishDirectRow(y);
    else if (m_interlaced)
      ConvertRow(y, m_raw.data() + static_cast<int64_t>(y) * m_rowBytes);
  }
  if (!complete) ClearUndecoded();
  if (m_alphaOut) SettleAlphaPlane(*m_alpha);
  if (complete) {
    Finish();
    return;
  }
  if (m_progress.Aborted()) return;  // stopped by the progress handler
  if (m_session.Failure == frTruncated && !NothingDecoded()) {
    m_progress.NoteDamage(frTruncated);
    return;
  }
  m_progress.Abort(m_session.Failure == frNone ? frCorruptData : m_session.Failure);
}

// The chunks after the image data: the picture is complete whatever they
// hold, so a fault there marks it damaged instead of failing the load.
void TPngReader::Finish() {
  if (!m_session.Guarded([this] { png_read_end(m_session.Png, nullptr); }))
    m_progress.NoteDamage(m_session.Exhausted ? frTruncated : frCorruptData);
  if (m_session.DataDamaged || m_badIndex) m_progress.NoteDamage(frCorruptData);
}

void TPngReader::Run() {
  if (!CheckSignature()) return;
  if (!m_session.Create() || !ReadInfo()) {
    m_session.RaisePending();
    m_progress.Abort(m_session.Failure == frNone ? frCorruptData : m_session.Failure);
    return;
  }
  ReadHeader();
  StoreParams();
  if (const TFailureReason fault = SizeFault(); fault != frNone) {
    m_progress.Abort(fault);
    return;
  }
  if (m_paramsOnly) return;
  // Rows that the rest of the stream could not possibly inflate to: refused
  // before the picture is allocated.
  const int64_t fileBytes = m_stream.Size() - m_start;
  const int64_t channels = png_get_channels(m_session.Png, m_session.Info);
  const int64_t fileRowBytes = (static_cast<int64_t>(m_width) * m_layout.Depth * channels + 7) / 8;
  const int64_t minimumData = (fileRowBytes + 1) * static_cast<int64_t>(m_height);
  if (fileBytes > 0 && minimumData / kMaxInflateRatio > fileBytes) {
    m_progress.Abort(frTruncated);
    return;
  }
  if (!SetTransforms()) {
    m_session.RaisePending();
    m_progress.Abort(m_session.Failure == frNone ? frCorruptData : m_session.Failure);
    return;
  }
  Decode();
  m_session.RaisePending();
}

}  // namespace

void ReadPngStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress) {
  TPngReader reader(stream, image, alpha, paramsOnly, params, progress);
  reader.Run();
}

}  // namespace pix
