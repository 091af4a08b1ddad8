// WriteJpegStream: libjpeg encodes the working image with the record's
// colour space, quality, DCT method, Huffman, smoothing, progression, density
// and markers.
#include <algorithm>
#include <vector>

#include "codecs/palette/bilevel.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/jpeg/detail/jpeg_managers.h"

namespace pix {

namespace {

J_COLOR_SPACE FileColorSpace(TJpegColorSpace code) {
  switch (code) {
    case jcGrayscale: return JCS_GRAYSCALE;
    case jcYCbCr: return JCS_YCbCr;
    case jcCMYK: return JCS_CMYK;
    case jcYCCK: return JCS_YCCK;
    default: return JCS_RGB;
  }
}

bool TakesCmykInput(TJpegColorSpace code) { return code == jcCMYK || code == jcYCCK; }

class TJpegWriter {
public:
  TJpegWriter(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress)
      : m_stream(stream), m_image(&image), m_params(params), m_progress(progress) {
    // libjpeg's managers report through a copy that always has a flag and a
    // reason to set, the caller's where it gave them.
    m_sink = progress;
    if (!m_sink.Aborting) m_sink.Aborting = &m_localAbort;
    if (!m_sink.Reason) m_sink.Reason = &m_localReason;
  }
  ~TJpegWriter() {
    if (m_created) jpeg_destroy_compress(&m_info);
  }
  TJpegWriter(const TJpegWriter&) = delete;
  TJpegWriter& operator=(const TJpegWriter&) = delete;

  // Throws EPixJpegException (or the stream's own exception) when libjpeg
  // stopped with an error.
  void Run();

private:
  bool Aborted() const { return m_sink.Aborted(); }
  [[noreturn]] void Fail();
  void SetParameters();
  void WriteMarkers();
  JSAMPROW PrepareRow(int32_t y);

  TPixStream& m_stream;
  TBitmap* m_image;
  TIOParams& m_params;
  TProgressRecord& m_progress;
  TProgressRecord m_sink;
  bool m_localAbort = false;
  TFailureReason m_localReason = frNone;

  std::unique_ptr<TBitmap> m_expanded;
  jpeg_compress_struct m_info{};
  TJpegErrorManager m_err{};
  std::unique_ptr<TJpegDestination> m_dest;
  bool m_created = false;
  std::vector<JSAMPLE> m_scratch;
};

void TJpegWriter::Fail() {
  m_sink.Abort(frCannotWrite);
  if (m_dest && m_dest->Pending) std::rethrow_exception(m_dest->Pending);
  throw EPixJpegException();
}

void TJpegWriter::SetParameters() {
  const TJpegColorSpace code = m_params.JpegColorSpace;
  m_info.image_width = static_cast<JDIMENSION>(std::max(m_image->Width(), 0));
  m_info.image_height = static_cast<JDIMENSION>(std::max(m_image->Height(), 0));
  if (TakesCmykInput(code)) {
    m_info.input_components = 4;
    m_info.in_color_space = JCS_CMYK;
  } else {
    // libjpeg-turbo reads the image's blue, green, red order directly, for
    // the RGB colour space as well as for the converted ones.
    m_info.input_components = 3;
    m_info.in_color_space = JCS_EXT_BGR;
  }
  jpeg_set_defaults(&m_info);
  jpeg_set_colorspace(&m_info, FileColorSpace(code));
  m_info.density_unit = 1;
  m_info.X_density = static_cast<UINT16>(m_params.DpiX);
  m_info.Y_density = static_cast<UINT16>(m_params.DpiY);
  switch (m_params.JpegDctMethod) {
    case jdIslow: m_info.dct_method = JDCT_ISLOW; break;
    case jdIfast: m_info.dct_method = JDCT_IFAST; break;
    case jdFloat: m_info.dct_method = JDCT_FLOAT; break;
    default: break;
  }
  m_info.optimize_coding = m_params.JpegOptimalHuffman ? TRUE : FALSE;
  // libjpeg documents 0..100 and does not check; other values distort the
  // downsampling weights.
  m_info.smoothing_factor = std::clamp(m_params.JpegSmoothing, 0, 100);
  jpeg_set_quality(&m_info, m_params.JpegQuality, TRUE);
  if (m_params.JpegProgressive) jpeg_simple_progression(&m_info);
}

void TJpegWriter::WriteMarkers() {
  const TPixMarkerList& list = m_params.MarkerList();
  static const JOCTET kNothing = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const TPixMarkerList::TMarker& m = list.Marker(i);
    const JOCTET* data = m.Payload.empty() ? &kNothing : m.Payload.data();
    jpeg_write_marker(&m_info, m.Code, data, static_cast<unsigned int>(m.Payload.size()));
  }
}

JSAMPROW TJpegWriter::PrepareRow(int32_t y) {
  uint8_t* row = m_image->ScanLine(y);
  if (!TakesCmykInput(m_params.JpegColorSpace)) return row;
  // Inverted ink as Adobe applications store it: the strongest channel sets
  // the black component, the others are scaled up against it.
  JSAMPLE* out = m_scratch.data();
  const int32_t width = m_image->Width();
  for (int32_t x = 0; x < width; ++x, row += 3, out += 4) {
    const unsigned blue = row[0], green = row[1], red = row[2];
    unsigned k = std::max({red, green, blue});
    if (k == 0) k = 1;
    out[0] = static_cast<JSAMPLE>(red * 255 / k);
    out[1] = static_cast<JSAMPLE>(green * 255 / k);
    out[2] = static_cast<JSAMPLE>(blue * 255 / k);
    out[3] = static_cast<JSAMPLE>(k);
  }
  return m_scratch.data();
}

void TJpegWriter::Run() {
  if (m_image->PixelFormat() == TPixelFormat::Bilevel) {
    m_expanded = std::make_unique<TBitmap>();
    ExpandBilevel(*m_image, *m_expanded);
    m_image = m_expanded.get();
  }
  InitJpegErrorManager(m_err, &m_sink);
  m_info.err = &m_err.Pub;
  if (!JpegGuarded(m_err, [this] { jpeg_create_compress(&m_info); })) Fail();
  m_created = true;
  m_dest = InstallJpegDestination(&m_info, m_stream, &m_sink);
  if (Aborted()) return;

  if (TakesCmykInput(m_params.JpegColorSpace))
    m_scratch.assign(static_cast<std::size_t>(std::max(m_image->Width(), 0)) * 4, 0);
  if (!JpegGuarded(m_err, [this] {
        SetParameters();
        jpeg_start_compress(&m_info, TRUE);
        WriteMarkers();
      }))
    Fail();

  const int32_t height = m_image->Height();
  m_progress.PerUnit = height > 0 ? 100.0 / height : 0.0;
  m_progress.Counter = 0;
  for (int32_t y = 0; y < height; ++y) {
    JSAMPROW row = PrepareRow(y);
    if (!JpegGuarded(m_err, [this, &row] { jpeg_write_scanlines(&m_info, &row, 1); })) Fail();
    m_progress.Advance(1);
    if (Aborted()) break;
  }
  if (!Aborted() && !JpegGuarded(m_err, [this] { jpeg_finish_compress(&m_info); })) Fail();
}

}  // namespace

void WriteJpegStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress) {
  TJpegWriter writer(stream, image, params, progress);
  writer.Run();
}

}  // namespace pix
