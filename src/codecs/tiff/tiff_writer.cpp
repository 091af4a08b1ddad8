// WriteTiffStream: the layout the image calls for, its tags, and the strips
// filled row by row and compressed by libtiff.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "codecs/common/output_layout.h"
#include "codecs/palette/palette_builder.h"
#include "codecs/tiff/detail/tiff_client.h"
#include "codecs/tiff/tiff_codec.h"

namespace pix {

namespace {

using tiff::TTiffClient;

// No single allocation of libtiff's may exceed this (its strip buffers).
constexpr int64_t kMaxLibraryAlloc = int64_t{1} << 30;

// The compression written: the record's choice where it fits the layout,
// else group 4 for bilevel images and LZW for the rest.
uint16_t CompressionFor(uint8_t code, TOutputLayout layout) {
  const bool bilevel = layout == TOutputLayout::Bilevel;
  switch (code) {
    case tcNone: return COMPRESSION_NONE;
    case tcLzw: return COMPRESSION_LZW;
    case tcDeflate: return COMPRESSION_ADOBE_DEFLATE;
    case tcPackBits: return COMPRESSION_PACKBITS;
    case tcCcittG3: return bilevel ? COMPRESSION_CCITTFAX3 : COMPRESSION_LZW;
    default: return bilevel ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW;
  }
}

class TTiffWriter {
public:
  TTiffWriter(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params, TProgressRecord& progress)
      : m_image(image), m_alpha(alpha), m_params(params), m_progress(progress), m_client(stream, progress) {}

  void Run();

private:
  void Prepare();
  bool WriteTags();
  void FillRow(int32_t y, uint8_t* out);
  bool WriteStrips();
  void Fail(TFailureReason fallback);

  TBitmap& m_image;
  const TPixMask* m_alpha;
  TIOParams& m_params;
  TProgressRecord& m_progress;
  TTiffClient m_client;
  TIFF* m_tif = nullptr;

  TOutputChoice m_choice;
  uint16_t m_bits = 8;
  uint16_t m_samples = 3;
  uint16_t m_photometric = PHOTOMETRIC_RGB;
  uint16_t m_compression = COMPRESSION_LZW;
  uint32_t m_rowsPerStrip = 1;
  int64_t m_rowBytes = 0;
  std::unique_ptr<TPaletteBuilder> m_palette;
  std::vector<uint8_t> m_indices;
};

void TTiffWriter::Prepare() {
  m_choice = ChooseOutputLayout(m_image, m_alpha, m_params);
  // A TIFF palette has no transparency: such an image keeps its alpha as RGBA.
  if (m_choice.Layout == TOutputLayout::Palette && m_choice.Alpha) m_choice.Layout = TOutputLayout::TrueColor;
  const int64_t width = m_image.Width();
  switch (m_choice.Layout) {
    case TOutputLayout::Bilevel:
      m_bits = 1;
      m_samples = 1;
      m_photometric = m_params.TiffPhotometInterpret == PHOTOMETRIC_MINISBLACK ? PHOTOMETRIC_MINISBLACK
                                                                                : PHOTOMETRIC_MINISWHITE;
      m_rowBytes = (width + 7) / 8;
      break;
    case TOutputLayout::Gray:
      m_samples = m_choice.Alpha ? 2 : 1;
      m_photometric = PHOTOMETRIC_MINISBLACK;
      m_rowBytes = width * m_samples;
      break;
    case TOutputLayout::Palette:
      m_palette = std::make_unique<TPaletteBuilder>(m_image, nullptr, 256);
      m_bits = m_palette->Entries().size() <= 16 ? 4 : 8;
      m_samples = 1;
      m_photometric = PHOTOMETRIC_PALETTE;
      m_rowBytes = (width * m_bits + 7) / 8;
      try {
        m_indices.resize(static_cast<std::size_t>(width));
      } catch (const std::bad_alloc&) {
        throw EPixOutOfMemory();
      }
      break;
    case TOutputLayout::TrueColor:
      m_samples = m_choice.Alpha ? 4 : 3;
      m_photometric = PHOTOMETRIC_RGB;
      m_rowBytes = width * m_samples;
      break;
  }
  m_compression = CompressionFor(m_params.TiffCompression, m_choice.Layout);
}

bool TTiffWriter::WriteTags() {
  TIFF* tif = m_tif;
  const uint32_t height = static_cast<uint32_t>(m_image.Height());
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(m_image.Width())) &&
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, m_bits) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, m_samples) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, m_photometric) &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, m_compression) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (!ok) return false;
  if (m_choice.Alpha) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  // Differences between neighbours compress photographs far better; palette
  // indices and single bits have no such neighbourhood.
  const bool predictable = m_bits == 8 && m_photometric != PHOTOMETRIC_PALETTE &&
                           (m_compression == COMPRESSION_LZW || m_compression == COMPRESSION_ADOBE_DEFLATE);
  if (ok && predictable) ok = TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (ok && m_palette) {
    const std::size_t count = std::size_t{1} << m_bits;
    std::vector<uint16_t> red(count, 0), green(count, 0), blue(count, 0);
    const auto& entries = m_palette->Entries();
    for (std::size_t i = 0; i < entries.size() && i < count; ++i) {
      red[i] = static_cast<uint16_t>(entries[i].Color.r * 257);
      green[i] = static_cast<uint16_t>(entries[i].Color.g * 257);
      blue[i] = static_cast<uint16_t>(entries[i].Color.b * 257);
    }
    ok = TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  const bool ccitt = m_compression == COMPRESSION_CCITTFAX3 || m_compression == COMPRESSION_CCITTFAX4;
  if (m_params.TiffRowsPerStrip > 0)
    m_rowsPerStrip = std::min(static_cast<uint32_t>(m_params.TiffRowsPerStrip), height);
  else
    m_rowsPerStrip = ccitt ? height : std::min(TIFFDefaultStripSize(tif, 0), height);
  m_rowsPerStrip = std::max<uint32_t>(m_rowsPerStrip, 1);
  if (ok) ok = TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, m_rowsPerStrip);
  if (ok && m_params.DpiX > 0 && m_params.DpiY > 0)
    ok = TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(m_params.DpiX)) &&
         TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(m_params.DpiY)) &&
         TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (ok && !m_params.TiffDocumentName.empty())
    ok = TIFFSetField(tif, TIFFTAG_DOCUMENTNAME, m_params.TiffDocumentName.c_str());
  if (ok && !m_params.TiffImageDescription.empty())
    ok = TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, m_params.TiffImageDescription.c_str());
  if (ok && !m_params.TiffPageName.empty()) ok = TIFFSetField(tif, TIFFTAG_PAGENAME, m_params.TiffPageName.c_str());
  return ok;
}

// Row y in the file's layout into out (m_rowBytes bytes).
void TTiffWriter::FillRow(int32_t y, uint8_t* out) {
  const uint8_t* in = m_image.ScanLine(y);
  const uint8_t* a = m_choice.Alpha ? m_alpha->ScanLine(y) : nullptr;
  const int32_t width = m_image.Width();
  switch (m_choice.Layout) {
    case TOutputLayout::Bilevel: {
      // Our set bits are white; min-is-white stores black as 1.
      const uint8_t flip = m_photometric == PHOTOMETRIC_MINISWHITE ? 0xFF : 0x00;
      for (int64_t i = 0; i < m_rowBytes; ++i) out[i] = static_cast<uint8_t>(in[i] ^ flip);
      if (width & 7) out[m_rowBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - (width & 7)));
      break;
    }
    case TOutputLayout::Gray: {
      const bool bilevel = m_image.PixelFormat() == TPixelFormat::Bilevel;
      for (int32_t x = 0; x < width; ++x) {
        out[m_samples * x] = bilevel ? ((in[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0) : in[3 * x];
        if (a) out[2 * x + 1] = a[x];
      }
      break;
    }
    case TOutputLayout::Palette:
      m_palette->IndexRow(y, m_indices.data());
      if (m_bits == 8) {
        std::copy(m_indices.begin(), m_indices.end(), out);
      } else {
        for (int32_t x = 0; x < width; x += 2) {
          const uint8_t low = x + 1 < width ? m_indices[static_cast<std::size_t>(x) + 1] : 0;
          out[x / 2] = static_cast<uint8_t>((m_indices[static_cast<std::size_t>(x)] << 4) | (low & 0x0F));
        }
      }
      break;
    case TOutputLayout::TrueColor:
      if (a) {
        for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
          out[3] = a[x];
        }
      } else {
        for (int32_t x = 0; x < width; ++x, in += 3, out += 3) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
      }
      break;
  }
}

bool TTiffWriter::WriteStrips() {
  const int32_t height = m_image.Height();
  std::vector<uint8_t> strip;
  try {
    strip.resize(static_cast<std::size_t>(m_rowBytes) * m_rowsPerStrip);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
  m_progress.Counter = 0;
  m_progress.PerUnit = 100.0 / height;
  uint32_t index = 0;
  for (int32_t y0 = 0; y0 < height; y0 += static_cast<int32_t>(m_rowsPerStrip), ++index) {
    const int32_t rows = std::min<int32_t>(static_cast<int32_t>(m_rowsPerStrip), height - y0);
    for (int32_t r = 0; r < rows; ++r) FillRow(y0 + r, strip.data() + static_cast<int64_t>(r) * m_rowBytes);
    if (TIFFWriteEncodedStrip(m_tif, index, strip.data(), static_cast<tmsize_t>(m_rowBytes * rows)) < 0) return false;
    m_progress.Advance(rows);
    if (m_progress.Aborted()) return false;
  }
  return TIFFWriteDirectory(m_tif) != 0;
}

void TTiffWriter::Fail(TFailureReason fallback) {
  m_client.RaisePending();
  // A short write set its own reason first.
  m_progress.Abort(fallback);
}

void TTiffWriter::Run() {
  ConvertToTrueColor(m_image);
  if (m_image.Empty()) return m_progress.Abort(frNoImage);
  Prepare();
  if (!m_client.Open("w", kMaxLibraryAlloc)) return Fail(frCannotWrite);
  m_tif = m_client.Handle();
  if (!WriteTags()) return Fail(frCannotWrite);
  if (!WriteStrips()) {
    if (m_progress.Aborted() && m_client.ErrorCount() == 0) return;  // stopped by the progress handler
    return Fail(frCannotWrite);
  }
  if (!m_client.Close()) return Fail(frCannotWrite);
  m_client.RaisePending();
  if (m_palette) {
    std::vector<TRGB> colors;
    for (const TPaletteEntry& e : m_palette->Entries()) colors.push_back(e.Color);
    m_params.SetColorMap(colors.data(), static_cast<int32_t>(colors.size()));
  }
}

}  // namespace

void WriteTiffStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress) {
  TTiffWriter writer(stream, image, alpha, params, progress);
  writer.Run();
}

}  // namespace pix
