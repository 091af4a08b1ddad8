// WritePngStream: the layout the image calls for, its rows built one at a
// time (or passed straight through) and compressed by libpng.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "codecs/common/output_layout.h"
#include "codecs/common/resolution.h"
#include "codecs/palette/palette_builder.h"
#include "codecs/png/detail/png_session.h"
#include "codecs/png/png_codec.h"

namespace pix {

namespace {

using png::TPngSession;

constexpr png_uint_32 kMaxSide = 0x7FFFFFFFu;  // the format's own limit

int FiltersOf(uint8_t code) {
  switch (code) {
    case pfNone: return PNG_FILTER_NONE;
    case pfSub: return PNG_FILTER_SUB;
    case pfUp: return PNG_FILTER_UP;
    case pfAverage: return PNG_FILTER_AVG;
    case pfPaeth: return PNG_FILTER_PAETH;
    case pfAdaptive: return PNG_ALL_FILTERS;
    default: return -1;  // libpng's default
  }
}

// The smallest palette depth that holds count entries.
int PaletteDepth(std::size_t count) {
  if (count <= 2) return 1;
  if (count <= 4) return 2;
  if (count <= 16) return 4;
  return 8;
}

class TPngWriter {
public:
  TPngWriter(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params, TProgressRecord& progress)
      : m_image(image), m_alpha(alpha), m_params(params), m_progress(progress), m_session(stream, true, progress) {}

  void Run();

private:
  void Prepare();
  bool WriteHeader();
  const uint8_t* BuildRow(int32_t y);
  bool WriteRows();
  void Fail();

  TBitmap& m_image;
  const TPixMask* m_alpha;
  TIOParams& m_params;
  TProgressRecord& m_progress;
  TPngSession m_session;

  TOutputChoice m_choice;
  int m_colorType = PNG_COLOR_TYPE_RGB;
  int m_depth = 8;
  int m_passes = 1;
  std::unique_ptr<TPaletteBuilder> m_palette;
  std::vector<uint8_t> m_row;
};

void TPngWriter::Prepare() {
  m_choice = ChooseOutputLayout(m_image, m_alpha, m_params);
  const int32_t width = m_image.Width();
  std::size_t rowBytes = 0;
  switch (m_choice.Layout) {
    case TOutputLayout::Bilevel:
      m_colorType = PNG_COLOR_TYPE_GRAY;
      m_depth = 1;
      break;
    case TOutputLayout::Gray:
      m_colorType = m_choice.Alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY;
      rowBytes = static_cast<std::size_t>(width) * (m_choice.Alpha ? 2 : 1);
      break;
    case TOutputLayout::Palette:
      m_colorType = PNG_COLOR_TYPE_PALETTE;
      m_palette = std::make_unique<TPaletteBuilder>(m_image, m_choice.Alpha ? m_alpha : nullptr, 256);
      m_depth = PaletteDepth(m_palette->Entries().size());
      rowBytes = static_cast<std::size_t>(width);
      break;
    case TOutputLayout::TrueColor:
      m_colorType = m_choice.Alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
      if (m_choice.Alpha) rowBytes = static_cast<std::size_t>(width) * 4;
      break;
  }
  try {
    m_row.assign(rowBytes, 0);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

bool TPngWriter::WriteHeader() {
  return m_session.Guarded([this] {
    png_structp png = m_session.Png;
    png_infop info = m_session.Info;
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_IHDR(png, info, static_cast<png_uint_32>(m_image.Width()), static_cast<png_uint_32>(m_image.Height()),
                 m_depth, m_colorType, m_params.PngInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (m_palette) {
      const auto& entries = m_palette->Entries();
      png_color colors[256];
      png_byte alphas[256];
      for (std::size_t i = 0; i < entries.size(); ++i) {
        colors[i] = png_color{entries[i].Color.r, entries[i].Color.g, entries[i].Color.b};
        alphas[i] = entries[i].Alpha;
      }
      png_set_PLTE(png, info, colors, static_cast<int>(entries.size()));
      if (m_palette->TranslucentCount() > 0) png_set_tRNS(png, info, alphas, m_palette->TranslucentCount(), nullptr);
    }
    if (m_params.DpiX > 0 && m_params.DpiY > 0)
      png_set_pHYs(png, info, static_cast<png_uint_32>(PixelsPerMetreFromDpi(m_params.DpiX)),
                   static_cast<png_uint_32>(PixelsPerMetreFromDpi(m_params.DpiY)), PNG_RESOLUTION_METER);
    png_set_compression_level(png, std::clamp<int32_t>(m_params.PngCompression, 0, 9));
    if (const int filters = FiltersOf(m_params.PngFilter); filters >= 0)
      png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_write_info(png, info);
    if (m_colorType == PNG_COLOR_TYPE_RGB || m_colorType == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png);
    if (m_colorType == PNG_COLOR_TYPE_PALETTE && m_depth < 8) png_set_packing(png);
    m_passes = png_set_interlace_handling(png);
  });
}

// Row y as libpng takes it: the image row itself where its bytes already are
// the file's (1-bit grey; blue, green, red once libpng swaps them), else
// converted into the row buffer.
const uint8_t* TPngWriter::BuildRow(int32_t y) {
  const uint8_t* in = m_image.ScanLine(y);
  const uint8_t* a = m_choice.Alpha ? m_alpha->ScanLine(y) : nullptr;
  const int32_t width = m_image.Width();
  uint8_t* out = m_row.data();
  switch (m_choice.Layout) {
    case TOutputLayout::Bilevel:
      return in;
    case TOutputLayout::Gray: {
      const bool bilevel = m_image.PixelFormat() == TPixelFormat::Bilevel;
      const int step = a ? 2 : 1;
      for (int32_t x = 0; x < width; ++x) {
        out[step * x] = bilevel ? ((in[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0) : in[3 * x];
        if (a) out[2 * x + 1] = a[x];
      }
      return out;
    }
    case TOutputLayout::Palette:
      m_palette->IndexRow(y, out);
      return out;
    case TOutputLayout::TrueColor:
      if (!a) return in;
      for (int32_t x = 0; x < width; ++x) {
        out[4 * x] = in[3 * x];
        out[4 * x + 1] = in[3 * x + 1];
        out[4 * x + 2] = in[3 * x + 2];
        out[4 * x + 3] = a[x];
      }
      return out;
  }
  return in;
}

bool TPngWriter::WriteRows() {
  const int32_t height = m_image.Height();
  m_progress.Counter = 0;
  m_progress.PerUnit = 100.0 / (static_cast<double>(m_passes) * height);
  for (int pass = 0; pass < m_passes; ++pass) {
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = BuildRow(y);
      if (!m_session.Guarded([this, &row] { png_write_row(m_session.Png, row); })) return false;
      m_progress.Advance(1);
      if (m_progress.Aborted()) return false;
    }
  }
  return true;
}

void TPngWriter::Fail() {
  m_session.RaisePending();
  const TFailureReason why = m_session.Failure;
  m_progress.Abort(why == frOutOfMemory || why == frSizeTooLarge ? why : frCannotWrite);
}

void TPngWriter::Run() {
  ConvertToTrueColor(m_image);
  if (m_image.Empty()) {
    m_progress.Abort(frNoImage);
    return;
  }
  Prepare();
  if (!m_session.Create() || !WriteHeader()) return Fail();
  if (!WriteRows()) {
    if (!m_progress.Aborted() || m_session.Failure != frNone) Fail();
    return;
  }
  if (!m_session.Guarded([this] { png_write_end(m_session.Png, m_session.Info); }) || !m_session.FlushOutput())
    return Fail();
  if (m_palette) {
    std::vector<TRGB> colors;
    for (const TPaletteEntry& e : m_palette->Entries()) colors.push_back(e.Color);
    m_params.SetColorMap(colors.data(), static_cast<int32_t>(colors.size()));
  }
}

}  // namespace

void WritePngStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress) {
  TPngWriter writer(stream, image, alpha, params, progress);
  writer.Run();
}

}  // namespace pix
