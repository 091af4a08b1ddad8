// ReadTiffStream: the page's tags, the way its samples reach the working
// image, then the strips or tiles decoded by libtiff and converted row by row
// (or, for the colour spaces only libtiff's RGBA interface converts, its
// rasters band by band).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "codecs/common/alpha_plane.h"
#include "codecs/common/resolution.h"
#include "codecs/common/sample_scale.h"
#include "codecs/tiff/detail/tiff_client.h"
#include "codecs/tiff/tiff_codec.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using tiff::TTiffClient;

// A page with more samples per pixel than this is refused before anything is
// sized for it (colour, alpha and a few extras need far fewer).
constexpr int kMaxSamples = 16;
// Decoded bytes one byte of coded data gives at most, well above what LZW,
// Deflate, PackBits and JPEG reach; CCITT codes are bounded per row instead
// (each row takes at least one bit).
constexpr int64_t kMaxExpansion = 4096;
// No single allocation of libtiff's may exceed this (raw strips, tables).
constexpr int64_t kMaxLibraryAlloc = int64_t{1} << 30;

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};

enum class TPath {
  Bilevel,  // 1-bit rows copied into a Bilevel image
  Samples,  // unsigned samples of 1..16 bits converted here
  Rgba,     // libtiff's RGBA interface converts (YCbCr, CIELab, LogLuv, ...)
};

enum class TColorKind { Gray, Palette, Rgb, Cmyk };

struct TPage {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint16_t Bits = 1;
  uint16_t Samples = 1;
  uint16_t Photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t Compression = COMPRESSION_NONE;
  uint16_t Planar = PLANARCONFIG_CONTIG;
  uint16_t FillOrder = FILLORDER_MSB2LSB;
  uint16_t SampleFormat = SAMPLEFORMAT_UINT;
  uint16_t InkSet = INKSET_CMYK;
  bool Tiled = false;
  uint32_t RowsPerStrip = 0;
  uint32_t TileWidth = 0;
  uint32_t TileLength = 0;
  int AlphaSample = -1;  // the sample holding alpha, or -1
  bool Associated = false;
  uint16_t* Red = nullptr;  // colormap, owned by libtiff
  uint16_t* Green = nullptr;
  uint16_t* Blue = nullptr;
};

uint8_t TiffCompressionCode(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return tcNone;
    case COMPRESSION_CCITTRLE: return tcCcittRle;
    case COMPRESSION_CCITTFAX3: return tcCcittG3;
    case COMPRESSION_CCITTFAX4: return tcCcittG4;
    case COMPRESSION_LZW: return tcLzw;
    case COMPRESSION_OJPEG: return tcOldJpeg;
    case COMPRESSION_JPEG: return tcJpeg;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return tcDeflate;
    case COMPRESSION_PACKBITS: return tcPackBits;
    default: return tcOther;
  }
}

bool IsCcitt(uint16_t compression) {
  return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
         compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
}

std::string TagText(TIFF* tif, uint32_t tag) {
  char* text = nullptr;
  if (TIFFGetField(tif, tag, &text) == 1 && text) return std::string(text);
  return std::string();
}

// Dots per inch of a resolution tag, or 0 when it gives none.
int32_t DpiOf(float value, uint16_t unit) {
  if (!std::isfinite(value) || value <= 0.0f) return 0;
  const long double v = value;
  if (unit == RESUNIT_INCH) return RoundedDpi(v);
  if (unit == RESUNIT_CENTIMETER) return RoundedDpi(v * 2.54L);
  return 0;
}

inline void Put(uint8_t* out, uint8_t b, uint8_t g, uint8_t r) {
  out[0] = b;
  out[1] = g;
  out[2] = r;
}

// Colour of premultiplied samples: c x 255 / a to nearest, at most 255.
inline uint8_t Unpremultiply(uint8_t c, uint8_t a) {
  if (a == 0) return 0;
  return static_cast<uint8_t>(std::min<uint32_t>(255u, (c * 255u + a / 2u) / a));
}

class TTiffReader {
public:
  TTiffReader(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
              TProgressRecord& progress)
      : m_stream(stream),
        m_image(image),
        m_alpha(alpha),
        m_paramsOnly(paramsOnly),
        m_params(params),
        m_progress(progress),
        m_start(stream.Position()),
        m_client(stream, progress) {}

  void Run();

private:
  bool CheckMagic();
  bool OpenPage();
  void ReadTags();
  void StoreParams();
  TFailureReason SizeFault() const;
  TFailureReason Plan();
  void PrepareTables();
  bool Plausible() const;
  void Allocate();
  void DecodeBlocks();
  void DecodeRgba();
  void NoteBlock(bool ok);
  void Band(int32_t rows);
  void ConvertRow(const uint8_t* const* planes, int32_t y, uint32_t x0, uint32_t count);
  void ConvertBilevelRow(const uint8_t* in, int32_t y, uint32_t x0, uint32_t count);
  void ConvertSamples(const uint16_t* s, uint8_t* out, uint8_t* a, uint32_t count) const;
  void Finish();
  void Fail(TFailureReason why) { m_progress.Abort(why); }

  TPixStream& m_stream;
  TBitmap& m_image;
  TPixMask* m_alpha;
  bool m_paramsOnly;
  TIOParams& m_params;
  TProgressRecord& m_progress;
  int64_t m_start;
  TTiffClient m_client;
  TIFF* m_tif = nullptr;

  TPage m_page;
  TPath m_path = TPath::Samples;
  TColorKind m_kind = TColorKind::Gray;
  bool m_invert = false;        // min-is-white grey, or a white, black palette
  bool m_alphaOut = false;      // rows write the alpha plane
  std::vector<uint8_t> m_scale;  // a sample of m_page.Bits as 8 bits
  std::vector<TRGB> m_palette;   // 1 << Bits entries
  std::vector<uint16_t> m_samples;

  int64_t m_blocksOk = 0;
  int64_t m_blocksFailed = 0;
  TFailureReason m_blockFailure = frNone;
  int32_t m_rowsDone = 0;
  bool m_allocated = false;  // the image has the page's size; every pixel must be written
};

bool TTiffReader::CheckMagic() {
  uint8_t magic[4] = {};
  const int64_t got = m_stream.Read(magic, 4);
  m_stream.Seek(m_start, TSeekOrigin::soBeginning);
  const bool little = magic[0] == 'I' && magic[1] == 'I';
  const bool big = magic[0] == 'M' && magic[1] == 'M';
  // Classic TIFF (42) and BigTIFF (43), in either byte order.
  const int version = little ? magic[2] | (magic[3] << 8) : (magic[2] << 8) | magic[3];
  const bool known = (little || big) && (version == 42 || version == 43);
  if (got == 4 && known) return true;
  // A short file whose bytes so far could still be a header is cut off.
  const bool prefix = got < 4 && (got == 0 || magic[0] == 'I' || magic[0] == 'M') &&
                      (got < 2 || magic[1] == magic[0]);
  Fail(prefix ? frTruncated : frNotThisFormat);
  return false;
}

bool TTiffReader::OpenPage() {
  if (!m_client.Open("rh", kMaxLibraryAlloc)) {
    Fail(m_client.Failure() == frNone ? frCorruptData : m_client.Failure());
    return false;
  }
  m_tif = m_client.Handle();
  m_client.Mark();
  const tdir_t pages = TIFFNumberOfDirectories(m_tif);
  m_params.TiffPageCount = static_cast<int32_t>(pages);
  const int32_t index = m_params.TiffImageIndex;
  if (index < 0 || static_cast<uint64_t>(index) >= pages) {
    Fail(pages == 0 && m_client.Failure() != frNone ? m_client.Failure() : frNoImage);
    return false;
  }
  m_client.Mark();
  if (!TIFFSetDirectory(m_tif, static_cast<tdir_t>(index))) {
    Fail(m_client.Failure() != frNone ? m_client.Failure() : frCorruptData);
    return false;
  }
  return true;
}

void TTiffReader::ReadTags() {
  TIFF* tif = m_tif;
  TPage& p = m_page;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &p.Width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &p.Height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &p.Bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &p.Samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &p.Compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &p.Planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &p.FillOrder);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &p.SampleFormat);
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &p.InkSet);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &p.Photometric)) {
    // Missing from some writers; libtiff's RGBA reader guesses the same way.
    p.Photometric = p.Samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  }
  p.Tiled = TIFFIsTiled(tif) != 0;
  if (p.Tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &p.TileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &p.TileLength);
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &p.RowsPerStrip);
  }
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  const int colorSamples = p.Samples - extraCount;
  for (int i = 0; i < extraCount && extraTypes; ++i) {
    // An extra sample of unknown meaning is not alpha (TIFF 6.0, ExtraSamples).
    if (extraTypes[i] == EXTRASAMPLE_ASSOCALPHA || extraTypes[i] == EXTRASAMPLE_UNASSALPHA) {
      p.AlphaSample = colorSamples + i;
      p.Associated = extraTypes[i] == EXTRASAMPLE_ASSOCALPHA;
      break;
    }
  }
  if (p.Photometric == PHOTOMETRIC_PALETTE) TIFFGetField(tif, TIFFTAG_COLORMAP, &p.Red, &p.Green, &p.Blue);
}

void TTiffReader::StoreParams() {
  const TPage& p = m_page;
  TIFF* tif = m_tif;
  m_params.Width = static_cast<int32_t>(std::min<uint32_t>(p.Width, std::numeric_limits<int32_t>::max()));
  m_params.Height = static_cast<int32_t>(std::min<uint32_t>(p.Height, std::numeric_limits<int32_t>::max()));
  m_params.BitsPerSample = p.Bits;
  const bool oneSample = p.Photometric == PHOTOMETRIC_MINISWHITE || p.Photometric == PHOTOMETRIC_MINISBLACK ||
                         p.Photometric == PHOTOMETRIC_PALETTE || p.Photometric == PHOTOMETRIC_MASK ||
                         p.Photometric == PHOTOMETRIC_LOGL;
  m_params.SamplesPerPixel = oneSample ? 1 : 3;
  m_params.TiffCompression = TiffCompressionCode(p.Compression);
  m_params.TiffPhotometInterpret = static_cast<uint8_t>(std::min<uint16_t>(p.Photometric, 255));
  m_params.TiffPlanarConf = p.Planar;
  m_params.TiffFillOrder = static_cast<uint8_t>(std::min<uint16_t>(p.FillOrder, 255));
  m_params.TiffRowsPerStrip = p.Tiled ? 0 : static_cast<int32_t>(std::min(p.RowsPerStrip, p.Height));
  m_params.TiffDocumentName = TagText(tif, TIFFTAG_DOCUMENTNAME);
  m_params.TiffImageDescription = TagText(tif, TIFFTAG_IMAGEDESCRIPTION);
  m_params.TiffPageName = TagText(tif, TIFFTAG_PAGENAME);
  uint16_t pageNumber = 0, pageTotal = 0;
  m_params.TiffPageNumber = TIFFGetField(tif, TIFFTAG_PAGENUMBER, &pageNumber, &pageTotal) == 1
                                ? pageNumber
                                : m_params.TiffImageIndex;

  const TResolution fallback = DefaultResolution();
  float resX = 0.0f, resY = 0.0f;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  const int32_t dpiX = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resX) == 1 ? DpiOf(resX, unit) : 0;
  const int32_t dpiY = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &resY) == 1 ? DpiOf(resY, unit) : 0;
  m_params.DpiX = dpiX > 0 ? dpiX : fallback.DpiX;
  m_params.DpiY = dpiY > 0 ? dpiY : fallback.DpiY;
  // Positions are stored in resolution units; the record counts pixels.
  float posX = 0.0f, posY = 0.0f;
  m_params.TiffXPos = TIFFGetField(tif, TIFFTAG_XPOSITION, &posX) == 1 && std::isfinite(posX)
                          ? std::max(0, RoundedDpi(static_cast<long double>(posX) * resX))
                          : 0;
  m_params.TiffYPos = TIFFGetField(tif, TIFFTAG_YPOSITION, &posY) == 1 && std::isfinite(posY)
                          ? std::max(0, RoundedDpi(static_cast<long double>(posY) * resY))
                          : 0;
  m_params.FreeColorMap();
}

TFailureReason TTiffReader::SizeFault() const {
  const TPage& p = m_page;
  if (p.Width == 0 || p.Height == 0) return frCorruptData;
  if (p.Width > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) ||
      p.Height > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
    return frSizeTooLarge;
  const TPixelFormat format = m_path == TPath::Bilevel ? TPixelFormat::Bilevel : TPixelFormat::TrueColor;
  const int64_t stride = RowStrideFor(static_cast<int32_t>(p.Width), format);
  if (stride > MaxBitmapBytes() / static_cast<int64_t>(p.Height)) return frSizeTooLarge;
  return frNone;
}

// Chooses the path; frNone, or why the page cannot be read.
TFailureReason TTiffReader::Plan() {
  TPage& p = m_page;
  if (p.Samples == 0 || p.Bits == 0) return frCorruptData;
  if (p.Samples > kMaxSamples) return frUnsupportedFeature;
  if (!tiff::CodecAvailable(p.Compression)) return frUnsupportedCompression;
  // libjpeg turns YCbCr into RGB itself, exactly as libtiff's RGBA reader has it do.
  if (p.Photometric == PHOTOMETRIC_YCBCR && p.Compression == COMPRESSION_JPEG && p.Planar == PLANARCONFIG_CONTIG) {
    TIFFSetField(m_tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    p.Photometric = PHOTOMETRIC_RGB;
  }
  int colorSamples = 0;
  switch (p.Photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK: m_kind = TColorKind::Gray; colorSamples = 1; break;
    case PHOTOMETRIC_PALETTE: m_kind = TColorKind::Palette; colorSamples = 1; break;
    case PHOTOMETRIC_RGB: m_kind = TColorKind::Rgb; colorSamples = 3; break;
    case PHOTOMETRIC_SEPARATED:
      if (p.InkSet != INKSET_CMYK) return frUnsupportedFeature;
      m_kind = TColorKind::Cmyk;
      colorSamples = 4;
      break;
    default: colorSamples = 0; break;
  }
  const bool unsignedInts = p.SampleFormat == SAMPLEFORMAT_UINT || p.SampleFormat == SAMPLEFORMAT_VOID;
  if (colorSamples > 0 && p.Samples >= colorSamples && unsignedInts && p.Bits <= 16) {
    if (p.Photometric == PHOTOMETRIC_PALETTE && (!p.Red || !p.Green || !p.Blue)) return frCorruptData;
    m_path = TPath::Samples;
    PrepareTables();
    const bool blackWhite = m_kind == TColorKind::Palette && p.Bits == 1 &&
                            ((m_palette[0] == kBlack && m_palette[1] == kWhite) ||
                             (m_palette[0] == kWhite && m_palette[1] == kBlack));
    if (p.Bits == 1 && p.Samples == 1 && (m_kind == TColorKind::Gray || blackWhite)) {
      m_path = TPath::Bilevel;
      m_invert = m_kind == TColorKind::Gray ? p.Photometric == PHOTOMETRIC_MINISWHITE : m_palette[0] == kWhite;
    }
    return frNone;
  }
  // LogL and LogLuv samples are signed by nature; libtiff's RGBA reader
  // converts them itself.
  const bool logLuv = p.Photometric == PHOTOMETRIC_LOGL || p.Photometric == PHOTOMETRIC_LOGLUV;
  char message[1024] = {};
  if ((unsignedInts || logLuv) && p.Bits <= 16 && TIFFRGBAImageOK(m_tif, message)) {
    m_path = TPath::Rgba;
    return frNone;
  }
  if (!unsignedInts || p.Bits > 16) return frUnsupportedDepth;
  return frUnsupportedFeature;
}

void TTiffReader::PrepareTables() {
  const TPage& p = m_page;
  const uint32_t maxValue = (1u << p.Bits) - 1;
  m_scale.resize(static_cast<std::size_t>(maxValue) + 1);
  for (uint32_t v = 0; v <= maxValue; ++v) m_scale[v] = ScaleSample(v, maxValue);
  m_invert = m_kind == TColorKind::Gray && p.Photometric == PHOTOMETRIC_MINISWHITE;
  if (m_kind != TColorKind::Palette) return;
  const std::size_t count = std::size_t{1} << p.Bits;
  // Old writers stored 8-bit colormaps; libtiff's readers take a map whose
  // entries all stay below 256 as one, and so do we. Otherwise the high byte.
  bool eightBit = true;
  for (std::size_t i = 0; i < count && eightBit; ++i)
    eightBit = p.Red[i] < 256 && p.Green[i] < 256 && p.Blue[i] < 256;
  m_palette.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    auto level = [eightBit](uint16_t v) { return static_cast<uint8_t>(eightBit ? v : v >> 8); };
    m_palette[i] = TRGB{level(p.Blue[i]), level(p.Green[i]), level(p.Red[i])};
  }
  m_params.SetColorMap(m_palette.data(), static_cast<int32_t>(std::min<std::size_t>(count, 256)));
}

// Rows the data could not possibly fill are refused before anything is
// allocated for them.
bool TTiffReader::Plausible() const {
  const TPage& p = m_page;
  const int64_t fileBytes = std::max<int64_t>(m_stream.Size() - m_start, 1);
  if (IsCcitt(p.Compression)) return static_cast<int64_t>(p.Height) / 8 <= fileBytes;
  const int64_t rowBytes = (static_cast<int64_t>(p.Width) * p.Bits * p.Samples + 7) / 8;
  return rowBytes / kMaxExpansion <= fileBytes / static_cast<int64_t>(p.Height) + 1;
}

void TTiffReader::Allocate() {
  const TPage& p = m_page;
  const int32_t width = static_cast<int32_t>(p.Width), height = static_cast<int32_t>(p.Height);
  const TPixelFormat format = m_path == TPath::Bilevel ? TPixelFormat::Bilevel : TPixelFormat::TrueColor;
  // The old picture goes before the new block is taken; every pixel is
  // written below, or cleared when the decode stops early.
  m_image.Allocate(1, 1, format);
  m_image.ReshapeForOverwrite(width, height, format);
  const bool fileHasAlpha = p.AlphaSample >= 0 || m_path == TPath::Rgba;
  m_alphaOut = m_alpha && fileHasAlpha;
  if (m_alphaOut)
    m_alpha->Allocate(width, height, 8);
  else
    MakeOpaqueAlpha(m_alpha, width, height);
  m_allocated = true;
  m_progress.Counter = 0;
  m_progress.PerUnit = 100.0 / height;
}

// After each band of rows (a strip, or a row of tiles).
void TTiffReader::Band(int32_t rows) {
  m_rowsDone += rows;
  m_progress.Advance(rows);
}

// After a strip or tile (or a band of the RGBA interface) since the last Mark.
void TTiffReader::NoteBlock(bool ok) {
  if (ok) {
    ++m_blocksOk;
    return;
  }
  ++m_blocksFailed;
  if (m_blockFailure == frNone)
    m_blockFailure = m_client.Failure() != frNone ? m_client.Failure() : frCorruptData;
}

void TTiffReader::ConvertBilevelRow(const uint8_t* in, int32_t y, uint32_t x0, uint32_t count) {
  uint8_t* out = m_image.ScanLine(y) + x0 / 8;
  const uint32_t bytes = (count + 7) / 8;
  if (m_invert) {
    for (uint32_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(~in[i]);
  } else {
    std::memcpy(out, in, bytes);
  }
  if ((count & 7) != 0) out[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - (count & 7)));
}

// count pixels of interleaved samples (m_page.Samples per pixel, full range
// of m_page.Bits) into blue, green, red and alpha.
void TTiffReader::ConvertSamples(const uint16_t* s, uint8_t* out, uint8_t* a, uint32_t count) const {
  const TPage& p = m_page;
  const int step = p.Samples;
  for (uint32_t x = 0; x < count; ++x, s += step, out += 3) {
    switch (m_kind) {
      case TColorKind::Gray: {
        const uint8_t g = m_invert ? static_cast<uint8_t>(255 - m_scale[s[0]]) : m_scale[s[0]];
        Put(out, g, g, g);
        break;
      }
      case TColorKind::Palette: {
        const TRGB& c = m_palette[s[0]];
        Put(out, c.b, c.g, c.r);
        break;
      }
      case TColorKind::Rgb: Put(out, m_scale[s[2]], m_scale[s[1]], m_scale[s[0]]); break;
      case TColorKind::Cmyk: {
        // libtiff's RGBA reader: each ink takes its share of what black leaves.
        const uint32_t k = 255u - m_scale[s[3]];
        Put(out, static_cast<uint8_t>(k * (255u - m_scale[s[2]]) / 255u),
            static_cast<uint8_t>(k * (255u - m_scale[s[1]]) / 255u),
            static_cast<uint8_t>(k * (255u - m_scale[s[0]]) / 255u));
        break;
      }
    }
    if (a) {
      const uint8_t alpha = m_scale[s[p.AlphaSample]];
      a[x] = alpha;
      if (p.Associated) Put(out, Unpremultiply(out[0], alpha), Unpremultiply(out[1], alpha), Unpremultiply(out[2], alpha));
    }
  }
}

void UnpackSamples(const uint8_t* in, int bits, uint32_t count, uint16_t* out, int stride) {
  if (bits == 8) {
    for (uint32_t i = 0; i < count; ++i) out[static_cast<std::size_t>(i) * stride] = in[i];
  } else if (bits == 16) {
    // libtiff hands 16-bit samples over in the machine's byte order.
    for (uint32_t i = 0; i < count; ++i) std::memcpy(&out[static_cast<std::size_t>(i) * stride], in + 2 * i, 2);
  } else {
    // Other depths are packed most significant bit first, whatever the byte order.
    uint64_t acc = 0;
    int have = 0;
    const uint32_t mask = (1u << bits) - 1;
    for (uint32_t i = 0; i < count; ++i) {
      while (have < bits) {
        acc = (acc << 8) | *in++;
        have += 8;
      }
      have -= bits;
      out[static_cast<std::size_t>(i) * stride] = static_cast<uint16_t>((acc >> have) & mask);
    }
  }
}

void TTiffReader::ConvertRow(const uint8_t* const* planes, int32_t y, uint32_t x0, uint32_t count) {
  if (m_path == TPath::Bilevel) return ConvertBilevelRow(planes[0], y, x0, count);
  const TPage& p = m_page;
  uint8_t* out = m_image.ScanLine(y) + 3 * static_cast<int64_t>(x0);
  uint8_t* a = m_alphaOut ? m_alpha->ScanLine(y) + x0 : nullptr;
  const uint8_t* in = planes[0];
  const bool contig8 = p.Bits == 8 && p.Planar == PLANARCONFIG_CONTIG;
  // The common 8-bit layouts without a table or a conversion step.
  if (contig8 && m_kind == TColorKind::Rgb && !p.Associated && (p.Samples == 3 || (p.Samples == 4 && a))) {
    const int step = p.Samples;
    for (uint32_t x = 0; x < count; ++x, in += step, out += 3) Put(out, in[2], in[1], in[0]);
    if (a)
      for (uint32_t x = 0; x < count; ++x) a[x] = planes[0][4 * x + 3];
    return;
  }
  if (contig8 && p.Samples == 1 && m_kind == TColorKind::Gray) {
    const uint8_t flip = m_invert ? 0xFF : 0x00;
    for (uint32_t x = 0; x < count; ++x, out += 3) {
      const uint8_t g = static_cast<uint8_t>(in[x] ^ flip);
      Put(out, g, g, g);
    }
    return;
  }
  if (contig8 && p.Samples == 1 && m_kind == TColorKind::Palette) {
    for (uint32_t x = 0; x < count; ++x, out += 3) {
      const TRGB& c = m_palette[in[x]];
      Put(out, c.b, c.g, c.r);
    }
    return;
  }
  uint16_t* s = m_samples.data();
  if (p.Planar == PLANARCONFIG_CONTIG) {
    UnpackSamples(in, p.Bits, count * p.Samples, s, 1);
  } else {
    for (int plane = 0; plane < p.Samples; ++plane) UnpackSamples(planes[plane], p.Bits, count, s + plane, p.Samples);
  }
  ConvertSamples(s, out, a, count);
}

void TTiffReader::DecodeBlocks() {
  const TPage& p = m_page;
  TIFF* tif = m_tif;
  const bool separate = p.Planar == PLANARCONFIG_SEPARATE && p.Samples > 1;
  const int planes = separate ? p.Samples : 1;
  const uint32_t blockWidth = p.Tiled ? p.TileWidth : p.Width;
  const uint32_t blockHeight = p.Tiled ? p.TileLength : std::clamp<uint32_t>(p.RowsPerStrip, 1, p.Height);
  const uint64_t blockBytes = p.Tiled ? TIFFTileSize64(tif) : TIFFStripSize64(tif);
  const uint64_t rowBytes = p.Tiled ? TIFFTileRowSize64(tif) : TIFFScanlineSize64(tif);
  if (blockWidth == 0 || blockHeight == 0 || blockBytes == 0 || rowBytes == 0 ||
      rowBytes * blockHeight > blockBytes || blockBytes > static_cast<uint64_t>(MaxBitmapBytes() / planes)) {
    Fail(blockBytes > static_cast<uint64_t>(MaxBitmapBytes() / planes) ? frSizeTooLarge : frCorruptData);
    return;
  }
  // Every row of a block must reach the bits its pixels need.
  const uint64_t needed = (static_cast<uint64_t>(std::min(blockWidth, p.Width)) * p.Bits *
                               (separate ? 1 : p.Samples) + 7) / 8;
  if (rowBytes < needed) {
    Fail(frCorruptData);
    return;
  }
  std::vector<std::vector<uint8_t>> buffers(static_cast<std::size_t>(planes));
  std::vector<const uint8_t*> rows(static_cast<std::size_t>(planes));
  try {
    for (auto& b : buffers) b.resize(static_cast<std::size_t>(blockBytes));
    m_samples.resize(static_cast<std::size_t>(blockWidth) * p.Samples);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
  Allocate();
  m_client.CountDataWarnings = true;
  for (uint32_t y0 = 0; y0 < p.Height; y0 += blockHeight) {
    const uint32_t bandRows = std::min(blockHeight, p.Height - y0);
    for (uint32_t x0 = 0; x0 < p.Width; x0 += blockWidth) {
      const uint32_t count = std::min(blockWidth, p.Width - x0);
      m_client.Mark();
      bool ok = true;
      for (int plane = 0; plane < planes; ++plane) {
        uint8_t* buffer = buffers[static_cast<std::size_t>(plane)].data();
        // What a failed decode does not reach reads as zero, not as the
        // previous block.
        std::memset(buffer, 0, static_cast<std::size_t>(blockBytes));
        const uint16_t sample = static_cast<uint16_t>(plane);
        const tmsize_t got =
            p.Tiled ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x0, y0, 0, sample), buffer,
                                          static_cast<tmsize_t>(blockBytes))
                    : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y0, sample), buffer,
                                           static_cast<tmsize_t>(blockBytes));
        ok = ok && got >= 0;
      }
      NoteBlock(ok);
      for (uint32_t r = 0; r < bandRows; ++r) {
        for (int plane = 0; plane < planes; ++plane)
          rows[static_cast<std::size_t>(plane)] = buffers[static_cast<std::size_t>(plane)].data() + r * rowBytes;
        ConvertRow(rows.data(), static_cast<int32_t>(y0 + r), x0, count);
      }
    }
    Band(static_cast<int32_t>(bandRows));
    if (m_progress.Aborted()) return;
  }
}

void TTiffReader::DecodeRgba() {
  const TPage& p = m_page;
  TIFFRGBAImage img{};
  char message[1024] = {};
  m_client.Mark();
  if (!TIFFRGBAImageBegin(&img, m_tif, 0, message)) {
    Fail(m_client.Failure() != frNone ? m_client.Failure() : frUnsupportedFeature);
    return;
  }
  struct TEnd {
    TIFFRGBAImage& Img;
    ~TEnd() { TIFFRGBAImageEnd(&Img); }
  } end{img};
  // The file's own orientation asked for: rows come in stored order, as on
  // the other paths.
  img.req_orientation = img.orientation;
  const bool hasAlpha = img.alpha != 0;
  const uint32_t band = std::clamp<uint32_t>(p.Tiled ? p.TileLength : p.RowsPerStrip, 1, p.Height);
  std::vector<uint32_t> raster;
  const bool ready = static_cast<uint64_t>(band) * p.Width * 4 <= static_cast<uint64_t>(MaxBitmapBytes());
  if (!ready) return Fail(frSizeTooLarge);
  try {
    raster.resize(static_cast<std::size_t>(band) * p.Width);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
  Allocate();
  {
    m_client.CountDataWarnings = true;
    for (uint32_t y0 = 0; y0 < p.Height; y0 += band) {
      const uint32_t rows = std::min(band, p.Height - y0);
      std::fill(raster.begin(), raster.end(), 0u);
      img.row_offset = static_cast<int>(y0);
      img.col_offset = 0;
      m_client.Mark();
      const int ok = TIFFRGBAImageGet(&img, raster.data(), p.Width, rows);
      NoteBlock(ok != 0 && m_client.Failure() == frNone);
      for (uint32_t r = 0; r < rows; ++r) {
        const int32_t y = static_cast<int32_t>(y0 + r);
        uint8_t* out = m_image.ScanLine(y);
        uint8_t* a = m_alphaOut ? m_alpha->ScanLine(y) : nullptr;
        const uint32_t* in = raster.data() + static_cast<std::size_t>(r) * p.Width;
        for (uint32_t x = 0; x < p.Width; ++x, out += 3) {
          const uint32_t v = in[x];
          const uint8_t alpha = hasAlpha ? static_cast<uint8_t>(TIFFGetA(v)) : 255;
          // The RGBA interface premultiplies every kind of alpha.
          Put(out, Unpremultiply(static_cast<uint8_t>(TIFFGetB(v)), alpha),
              Unpremultiply(static_cast<uint8_t>(TIFFGetG(v)), alpha),
              Unpremultiply(static_cast<uint8_t>(TIFFGetR(v)), alpha));
          if (a) a[x] = alpha;
        }
      }
      Band(static_cast<int32_t>(rows));
      if (m_progress.Aborted()) break;
    }
  }
}

void TTiffReader::Finish() {
  m_client.CountDataWarnings = false;
  const int32_t height = m_image.Height();
  if (m_rowsDone < height) {
    // Stopped by the progress handler: the rows not reached are black.
    for (int32_t y = m_rowsDone; y < height; ++y) {
      std::memset(m_image.ScanLine(y), 0, static_cast<std::size_t>(m_image.RowStride()));
      if (m_alphaOut) std::memset(m_alpha->ScanLine(y), 0, static_cast<std::size_t>(m_alpha->Width()));
    }
  }
  if (m_alphaOut) SettleAlphaPlane(*m_alpha);
  if (m_progress.Aborted()) return;
  if (m_blocksOk == 0 && m_blocksFailed > 0) {
    Fail(m_blockFailure);
    return;
  }
  if (m_blocksFailed > 0) m_progress.NoteDamage(m_blockFailure == frTruncated ? frTruncated : frCorruptData);
  if (m_client.DataWarnings() > 0) m_progress.NoteDamage(frCorruptData);
}

void TTiffReader::Run() {
  if (!CheckMagic()) return;
  if (!OpenPage()) {
    m_client.RaisePending();
    return;
  }
  ReadTags();
  StoreParams();
  const TFailureReason planFault = Plan();
  if (const TFailureReason fault = SizeFault(); fault != frNone) return Fail(fault);
  if (m_paramsOnly) return;
  if (planFault != frNone) return Fail(planFault);
  if (!Plausible()) return Fail(frTruncated);
  if (m_path == TPath::Rgba)
    DecodeRgba();
  else
    DecodeBlocks();
  if (m_allocated) Finish();
  m_client.RaisePending();
}

}  // namespace

void ReadTiffStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                    TProgressRecord& progress) {
  TTiffReader reader(stream, image, alpha, paramsOnly, params, progress);
  reader.Run();
}

}  // namespace pix
