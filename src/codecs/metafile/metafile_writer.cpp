// WriteWmfStream and WriteEmfStream: the image as one DIB record.
#include <cmath>
#include <limits>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/common/stream_io.h"
#include "codecs/metafile/detail/metafile_format.h"
#include "codecs/metafile/metafile_codec.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using namespace metafile;

constexpr int32_t kMaxWmfSide = 32767;
constexpr int kStretchDibFixed = 28;        // record bytes before the DIB
constexpr int kWindowRecordSize = 10;
constexpr int kWmfEofSize = 6;
constexpr int kEmfHeaderSize = 108;         // with the micrometre sizes
constexpr int kStretchDibitsFixed = 80;
constexpr int kEmfEofSize = 20;

struct TRecordBuffer {
  std::vector<uint8_t> Bytes;
  explicit TRecordBuffer(size_t n) : Bytes(n, 0) {}
  void U16(size_t o, uint16_t v) { PutLE16(Bytes.data() + o, v); }
  void U32(size_t o, uint32_t v) { PutLE32(Bytes.data() + o, v); }
  void I32(size_t o, int32_t v) { PutLE32(Bytes.data() + o, static_cast<uint32_t>(v)); }
};

bool WriteBuffer(TPixStream& stream, const TRecordBuffer& b, TProgressRecord& progress) {
  return WriteChecked(stream, b.Bytes.data(), static_cast<int64_t>(b.Bytes.size()), progress);
}

int32_t InchOrDefault(int dpi) { return dpi > 0 ? dpi : 96; }

// The bitmap as the DIB records hold it: TrueColor or Bilevel, nothing else.
const TBitmap& DibSource(TBitmap& image) {
  if (image.PixelFormat() == TPixelFormat::Bgrx32) ConvertToTrueColor(image);
  return image;
}

}  // namespace

void WriteWmfStream(TPixStream& stream, TBitmap& image, const TPixMask*, TIOParams& params,
                    TProgressRecord& progress) {
  const TBitmap& source = DibSource(image);
  const int32_t w = source.Width(), h = source.Height();
  if (w <= 0 || h <= 0) {
    progress.Abort(frNoImage);
    return;
  }
  if (w > kMaxWmfSide || h > kMaxWmfSide) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  const int64_t dibSize = DibByteSize(source);
  const int64_t recordBytes = kStretchDibFixed + dibSize;
  const int64_t totalBytes = kWmfHeaderSize + 2 * kWindowRecordSize + recordBytes + kWmfEofSize;
  if (totalBytes / 2 > std::numeric_limits<uint32_t>::max()) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  const int32_t inch = InchOrDefault(DefaultResolution().DpiX);

  TRecordBuffer placeable(kPlaceableSize);
  placeable.U32(0, kPlaceableKey);
  placeable.U16(10, static_cast<uint16_t>(w));
  placeable.U16(12, static_cast<uint16_t>(h));
  placeable.U16(14, static_cast<uint16_t>(std::min(inch, 65535)));
  uint16_t checksum = 0;
  for (size_t i = 0; i < 10; ++i) checksum ^= GetLE16(placeable.Bytes.data() + 2 * i);
  placeable.U16(20, checksum);

  TRecordBuffer header(kWmfHeaderSize);
  header.U16(0, 1);
  header.U16(2, kWmfHeaderSize / 2);
  header.U16(4, 0x0300);
  header.U32(6, static_cast<uint32_t>(totalBytes / 2));
  header.U32(12, static_cast<uint32_t>(recordBytes / 2));

  TRecordBuffer window(2 * kWindowRecordSize);
  window.U32(0, kWindowRecordSize / 2);
  window.U16(4, kMetaSetWindowOrg);
  window.U32(10, kWindowRecordSize / 2);
  window.U16(14, kMetaSetWindowExt);
  window.U16(16, static_cast<uint16_t>(h));
  window.U16(18, static_cast<uint16_t>(w));

  TRecordBuffer stretch(kStretchDibFixed);
  stretch.U32(0, static_cast<uint32_t>(recordBytes / 2));
  stretch.U16(4, kMetaStretchDib);
  stretch.U32(6, kSrcCopy);
  stretch.U16(12, static_cast<uint16_t>(h));  // source height, width; source y, x stay 0
  stretch.U16(14, static_cast<uint16_t>(w));
  stretch.U16(20, static_cast<uint16_t>(h));  // destination height, width; y, x stay 0
  stretch.U16(22, static_cast<uint16_t>(w));

  TRecordBuffer eof(kWmfEofSize);
  eof.U32(0, kWmfEofSize / 2);

  if (!WriteBuffer(stream, placeable, progress) || !WriteBuffer(stream, header, progress) ||
      !WriteBuffer(stream, window, progress) || !WriteBuffer(stream, stretch, progress))
    return;
  WriteDibStream(stream, source, params.DpiX, params.DpiY, progress);
  if (!progress.Aborted()) WriteBuffer(stream, eof, progress);
}

void WriteEmfStream(TPixStream& stream, TBitmap& image, const TPixMask*, TIOParams& params,
                    TProgressRecord& progress) {
  const TBitmap& source = DibSource(image);
  const int32_t w = source.Width(), h = source.Height();
  if (w <= 0 || h <= 0) {
    progress.Abort(frNoImage);
    return;
  }
  const int64_t dibSize = DibByteSize(source);
  const int64_t infoSize = source.PixelFormat() == TPixelFormat::Bilevel ? 48 : 40;
  const int64_t recordBytes = kStretchDibitsFixed + dibSize;
  const int64_t totalBytes = kEmfHeaderSize + recordBytes + kEmfEofSize;
  if (totalBytes > std::numeric_limits<uint32_t>::max()) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  const TResolution dpi = DefaultResolution();
  const double dpiX = InchOrDefault(dpi.DpiX), dpiY = InchOrDefault(dpi.DpiY);
  auto scaled = [](int32_t pixels, double dpiValue, double unitsPerInch) {
    return static_cast<int32_t>(std::min(std::round(pixels * unitsPerInch / dpiValue), 2147483647.0));
  };

  TRecordBuffer header(kEmfHeaderSize);
  header.U32(0, kEmrHeader);
  header.U32(4, kEmfHeaderSize);
  header.I32(16, w - 1);  // bounds, inclusive device pixels
  header.I32(20, h - 1);
  header.I32(32, scaled(w, dpiX, 2540.0));  // frame in 0.01 mm
  header.I32(36, scaled(h, dpiY, 2540.0));
  header.U32(40, kEmfSignature);
  header.U32(44, 0x00010000);
  header.U32(48, static_cast<uint32_t>(totalBytes));
  header.U32(52, 3);
  header.U16(56, 1);
  header.I32(72, w);  // the reference device is the picture itself
  header.I32(76, h);
  header.I32(80, std::max(1, scaled(w, dpiX, 25.4)));
  header.I32(84, std::max(1, scaled(h, dpiY, 25.4)));
  header.I32(100, std::max(1, scaled(w, dpiX, 25400.0)));
  header.I32(104, std::max(1, scaled(h, dpiY, 25400.0)));

  TRecordBuffer stretch(kStretchDibitsFixed);
  stretch.U32(0, kEmrStretchDibits);
  stretch.U32(4, static_cast<uint32_t>(recordBytes));
  stretch.I32(16, w - 1);
  stretch.I32(20, h - 1);
  stretch.I32(40, w);  // source width, height
  stretch.I32(44, h);
  stretch.U32(48, kStretchDibitsFixed);
  stretch.U32(52, static_cast<uint32_t>(infoSize));
  stretch.U32(56, static_cast<uint32_t>(kStretchDibitsFixed + infoSize));
  stretch.U32(60, static_cast<uint32_t>(dibSize - infoSize));
  stretch.U32(68, kSrcCopy);
  stretch.I32(72, w);  // destination width, height
  stretch.I32(76, h);

  TRecordBuffer eof(kEmfEofSize);
  eof.U32(0, kEmrEof);
  eof.U32(4, kEmfEofSize);
  eof.U32(12, 16);  // palette offset, where none follows
  eof.U32(16, kEmfEofSize);

  if (!WriteBuffer(stream, header, progress) || !WriteBuffer(stream, stretch, progress)) return;
  WriteDibStream(stream, source, params.DpiX, params.DpiY, progress);
  if (!progress.Aborted()) WriteBuffer(stream, eof, progress);
}

}  // namespace pix
