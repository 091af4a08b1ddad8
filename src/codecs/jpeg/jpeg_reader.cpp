// ReadJpegStream and FindJpegStart: libjpeg decodes, the binding picks the
// output colour space and scale, stores rows into the working image and keeps
// the file's markers.
#include <cstring>
#include <vector>

#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/jpeg/detail/jpeg_managers.h"

namespace pix {

namespace {

// How far FindJpegStart looks: a start marker may begin at most this many
// bytes after the current position.
constexpr int kStartWindow = 99;

// Frames beyond this many pixels are refused before libjpeg allocates its
// buffers or we allocate the image: a few hostile header bytes must not claim
// gigabytes (the largest camera photos are a few hundred megapixels short).
constexpr uint64_t kMaxJpegPixels = uint64_t{1} << 28;

// libjpeg's working memory, above all the coefficients of a whole multi-scan
// (progressive) image, two bytes per sample: enough for about 130 megapixels
// at full colour resolution. Beyond it libjpeg would need a backing store and
// fails cleanly instead.
constexpr long kMaxJpegWorkMemory = 768L << 20;

enum class TRowLayout {
  Direct,  // libjpeg writes blue, green, red straight into the image row
  Cmyk,    // four components, inverted ink, combined into blue, green, red
  Foreign  // a colour space libjpeg cannot convert: components as stored
};

class TJpegReader {
public:
  TJpegReader(TPixStream& stream, TBitmap& image, TIOParams& params, bool paramsOnly, TProgressRecord& progress,
              TRowSink* rows)
      : m_stream(stream), m_image(image), m_params(params), m_paramsOnly(paramsOnly), m_progress(progress),
        m_rows(rows) {
    // libjpeg's managers report through a copy that always has a flag and a
    // reason to set, the caller's where it gave them.
    m_sink = progress;
    if (!m_sink.Aborting) m_sink.Aborting = &m_localAbort;
    if (!m_sink.Reason) m_sink.Reason = &m_localReason;
  }
  ~TJpegReader() {
    if (m_created) jpeg_destroy_decompress(&m_info);
  }
  TJpegReader(const TJpegReader&) = delete;
  TJpegReader& operator=(const TJpegReader&) = delete;

  void Run();

private:
  bool Aborted() const { return m_sink.Aborted(); }
  void Abort(TFailureReason why) { m_sink.Abort(why); }
  bool Create();
  bool ReadHeader();
  void ChooseColorSpace();
  void ChooseDctMethod();
  void StoreResolution();
  void ChooseScale();
  bool StartDecompress();
  void DecodeRows();
  bool DecodeIntoSink();
  void StoreRow(int32_t y);
  void Finish();
  void KeepMarkers();

  TPixStream& m_stream;
  TBitmap& m_image;
  TIOParams& m_params;
  bool m_paramsOnly;
  TProgressRecord& m_progress;
  TRowSink* m_rows;
  TProgressRecord m_sink;
  bool m_localAbort = false;
  TFailureReason m_localReason = frNone;

  jpeg_decompress_struct m_info{};
  TJpegErrorManager m_err{};
  std::unique_ptr<TJpegSource> m_source;
  bool m_created = false;
  TRowLayout m_layout = TRowLayout::Direct;
  std::vector<JSAMPLE> m_scratch;
};

bool TJpegReader::Create() {
  InitJpegErrorManager(m_err, &m_sink);
  m_info.err = &m_err.Pub;
  // jpeg_create_decompress fills the whole record, so it counts as created
  // only once the call returned.
  if (!JpegGuarded(m_err, [this] { jpeg_create_decompress(&m_info); })) return false;
  m_created = true;
  m_info.mem->max_memory_to_use = kMaxJpegWorkMemory;
  m_source = InstallJpegSource(&m_info, m_stream, &m_sink);
  return true;
}

bool TJpegReader::ReadHeader() {
  return JpegGuarded(m_err, [this] {
    jpeg_save_markers(&m_info, JPEG_COM, 0xFFFF);
    for (int i = 0; i < 16; ++i) jpeg_save_markers(&m_info, JPEG_APP0 + i, 0xFFFF);
    jpeg_read_header(&m_info, TRUE);
  });
}

void TJpegReader::ChooseColorSpace() {
  switch (m_info.jpeg_color_space) {
    case JCS_GRAYSCALE: m_params.JpegColorSpace = jcGrayscale; break;
    case JCS_RGB: m_params.JpegColorSpace = jcRGB; break;
    case JCS_YCbCr: m_params.JpegColorSpace = jcYCbCr; break;
    case JCS_CMYK: m_params.JpegColorSpace = jcCMYK; break;
    case JCS_YCCK: m_params.JpegColorSpace = jcYCCK; break;
    default: break;
  }
  switch (m_info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_RGB:
    case JCS_YCbCr:
      // libjpeg-turbo's extended colour space gives the image's byte order
      // for every one of these, including RGB-coded files.
      m_info.out_color_space = JCS_EXT_BGR;
      m_layout = TRowLayout::Direct;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      m_info.out_color_space = JCS_CMYK;
      m_layout = TRowLayout::Cmyk;
      break;
    default:
      // Leave libjpeg's own choice: the components exactly as stored.
      m_layout = TRowLayout::Foreign;
      break;
  }
}

void TJpegReader::ChooseDctMethod() {
  switch (m_params.JpegDctMethod) {
    case jdIslow: m_info.dct_method = JDCT_ISLOW; break;
    case jdIfast: m_info.dct_method = JDCT_IFAST; break;
    case jdFloat: m_info.dct_method = JDCT_FLOAT; break;
    default: break;
  }
}

void TJpegReader::StoreResolution() {
  switch (m_info.density_unit) {
    case 0:
    case 1:
      m_params.DpiX = m_info.X_density;
      m_params.DpiY = m_info.Y_density;
      break;
    case 2:
      m_params.DpiX = static_cast<int32_t>(static_cast<long double>(m_info.X_density) * 2.54L);
      m_params.DpiY = static_cast<int32_t>(static_cast<long double>(m_info.Y_density) * 2.54L);
      break;
    default: break;
  }
}

void TJpegReader::ChooseScale() {
  unsigned int denominator = 1;
  switch (m_params.JpegScale) {
    case jsAutomatic:
      if (m_params.Width > 0 && m_params.Height > 0) {
        // The smallest scale whose output still covers the requested size.
        for (int n = 3; n >= 1; --n) {
          if ((m_info.image_width >> n) >= static_cast<JDIMENSION>(m_params.Width) &&
              (m_info.image_height >> n) >= static_cast<JDIMENSION>(m_params.Height)) {
            denominator = 1u << n;
            break;
          }
        }
      }
      break;
    case jsHalf: denominator = 2; break;
    case jsQuarter: denominator = 4; break;
    case jsEighth: denominator = 8; break;
    default: break;
  }
  m_info.scale_num = 1;
  m_info.scale_denom = denominator;
  m_params.JpegScaleDenominator = static_cast<int32_t>(denominator);
}

bool TJpegReader::StartDecompress() {
  uint64_t pixels = static_cast<uint64_t>(m_info.image_width) * m_info.image_height;
  if (pixels > kMaxJpegPixels) {
    Abort(frSizeTooLarge);
    return false;
  }
  if (!m_paramsOnly) {
    // An image the bitmap would refuse is refused before libjpeg allocates
    // its buffers for it, in the bitmap's own way.
    if (!JpegGuarded(m_err, [this] { jpeg_calc_output_dimensions(&m_info); })) return false;
    const int64_t stride = RowStrideFor(static_cast<int32_t>(m_info.output_width), TPixelFormat::TrueColor);
    if (m_info.output_height > 0 && stride > MaxBitmapBytes() / m_info.output_height)
      throw EPixOutOfMemory("Image too large to allocate");
  }
  if (!JpegGuarded(m_err, [this] { jpeg_start_decompress(&m_info); })) return false;
  if (Aborted()) return false;
  m_params.Width = static_cast<int32_t>(m_info.output_width);
  m_params.Height = static_cast<int32_t>(m_info.output_height);
  return true;
}

void TJpegReader::StoreRow(int32_t y) {
  uint8_t* row = m_image.ScanLine(y);
  const JSAMPLE* in = m_scratch.data();
  const int32_t width = static_cast<int32_t>(m_info.output_width);
  if (m_layout == TRowLayout::Cmyk) {
    for (int32_t x = 0; x < width; ++x, in += 4, row += 3) {
      const unsigned k = in[3];
      row[2] = static_cast<uint8_t>(in[0] * k / 255);
      row[1] = static_cast<uint8_t>(in[1] * k / 255);
      row[0] = static_cast<uint8_t>(in[2] * k / 255);
    }
    return;
  }
  // Foreign layout: the first three components as stored, or the first one
  // as grey when there are fewer than three.
  const int comps = m_info.out_color_components;
  for (int32_t x = 0; x < width; ++x, in += comps, row += 3) {
    if (comps >= 3) {
      row[0] = in[0];
      row[1] = in[1];
      row[2] = in[2];
    } else {
      row[0] = row[1] = row[2] = in[0];
    }
  }
}

// Rows straight from libjpeg into the sink, as DecodeRows stores them into
// the image; false when the sink does not take this picture.
bool TJpegReader::DecodeIntoSink() {
  const auto width = static_cast<int32_t>(m_info.output_width);
  const auto height = static_cast<int32_t>(m_info.output_height);
  if (!m_rows || m_layout != TRowLayout::Direct || m_info.scale_denom != 1) return false;
  // The sink may judge the picture by its markers too.
  KeepMarkers();
  if (!m_rows->Start(width, height)) return false;
  // The previous picture's block is not needed while the sink works.
  m_image.Allocate(1, 1, TPixelFormat::TrueColor);
  m_progress.PerUnit = height > 0 ? 100.0 / height : 0.0;
  m_progress.Counter = 0;
  int32_t stored = 0;
  while (m_info.output_scanline < m_info.output_height) {
    JSAMPROW target = m_rows->RowTarget(stored);
    JDIMENSION got = 0;
    if (!JpegGuarded(m_err, [this, &target, &got] { got = jpeg_read_scanlines(&m_info, &target, 1); })) break;
    if (Aborted() || got == 0) break;
    m_rows->RowDone(stored);
    ++stored;
    m_progress.Advance(got);
    if (Aborted()) break;
  }
  if (stored < height) Abort(frCorruptData);
  return true;
}

void TJpegReader::DecodeRows() {
  if (DecodeIntoSink()) return;
  const int32_t height = static_cast<int32_t>(m_info.output_height);
  // Drop the old block before the new one is taken. Every row is written
  // below, or cleared when the decode stops early.
  m_image.Allocate(1, 1, TPixelFormat::TrueColor);
  m_image.ReshapeForOverwrite(static_cast<int32_t>(m_info.output_width), height, TPixelFormat::TrueColor);
  if (m_layout != TRowLayout::Direct)
    m_scratch.assign(static_cast<std::size_t>(m_info.output_width) * m_info.out_color_components, 0);

  m_progress.PerUnit = height > 0 ? 100.0 / height : 0.0;
  m_progress.Counter = 0;
  int32_t stored = 0;
  while (m_info.output_scanline < m_info.output_height) {
    JSAMPROW target = m_layout == TRowLayout::Direct ? m_image.ScanLine(stored) : m_scratch.data();
    JDIMENSION got = 0;
    if (!JpegGuarded(m_err, [this, &target, &got] { got = jpeg_read_scanlines(&m_info, &target, 1); })) break;
    if (Aborted() || got == 0) break;
    if (m_layout != TRowLayout::Direct) StoreRow(stored);
    ++stored;
    m_progress.Advance(got);
    if (Aborted()) break;
  }
  if (stored < height) {
    for (int32_t y = stored; y < height; ++y) std::memset(m_image.ScanLine(y), 0, static_cast<std::size_t>(m_image.RowStride()));
    // libjpeg's own error or a stop request set the reason already.
    Abort(frCorruptData);
  }
}

void TJpegReader::KeepMarkers() {
  TPixMarkerList& list = m_params.MarkerList();
  list.Clear();
  bool first = true;
  for (jpeg_saved_marker_ptr m = m_info.marker_list; m; m = m->next) {
    // The file's own JFIF header: the writer lets libjpeg write a fresh one.
    bool skip = first && m->marker == JPEG_APP0;
    first = false;
    if (skip) continue;
    list.AddMarker(static_cast<uint8_t>(m->marker), m->data, static_cast<int>(m->data_length));
  }
}

void TJpegReader::Finish() {
  KeepMarkers();
  if (!Aborted() && !m_paramsOnly) {
    // A failure while finishing (trailing garbage, say) must not undo a
    // complete image.
    m_err.Sink = nullptr;
    JpegGuarded(m_err, [this] { jpeg_finish_decompress(&m_info); });
    m_err.Sink = &m_sink;
  }
  jpeg_destroy_decompress(&m_info);
  m_created = false;
  if (m_err.Pub.num_warnings != 0) {
    m_params.JpegWarningCount = static_cast<int32_t>(m_err.Pub.num_warnings);
    m_params.JpegWarningCode = m_err.Pub.msg_code;
  }
  m_source.reset();
}

void TJpegReader::Run() {
  m_params.JpegWarningCount = 0;
  m_params.JpegWarningCode = 0;
  int64_t start = FindJpegStart(m_stream);
  if (start < 0) {
    Abort(frNotThisFormat);
    return;
  }
  m_stream.Seek(start, TSeekOrigin::soBeginning);
  if (!Create()) return;
  if (ReadHeader() && !Aborted()) {
    ChooseColorSpace();
    ChooseDctMethod();
    StoreResolution();
    m_params.BitsPerSample = 8;
    m_params.SamplesPerPixel = 3;
    m_params.FreeColorMap();
    m_params.JpegProgressive = m_info.progressive_mode != FALSE;
    ChooseScale();
    if (StartDecompress() && !m_paramsOnly) DecodeRows();
  }
  Finish();
}

}  // namespace

int64_t FindJpegStart(TPixStream& stream) {
  const int64_t origin = stream.Position();
  uint8_t window[kStartWindow + 3];
  int64_t got = stream.Read(window, sizeof(window));
  stream.Seek(origin, TSeekOrigin::soBeginning);
  for (int64_t i = 0; i + 2 < got; ++i)
    if (window[i] == 0xFF && window[i + 1] == 0xD8 && window[i + 2] == 0xFF) return origin + i;
  return -1;
}

void ReadJpegStream(TPixStream& stream, TBitmap& image, TIOParams& params, bool paramsOnly,
                    TProgressRecord& progress, TRowSink* rows) {
  TJpegReader reader(stream, image, params, paramsOnly, progress, rows);
  reader.Run();
}

}  // namespace pix
