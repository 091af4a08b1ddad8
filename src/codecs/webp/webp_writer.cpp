// WriteWebpStream: the picture imported into libwebp (straight from our rows
// when it is opaque true colour), encoded into memory, the metadata chunks
// added by the muxer, the file written through the checked stream writes.
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "codecs/common/interleaved_rows.h"
#include "codecs/common/stream_io.h"
#include "codecs/exif/container_metadata.h"
#include "codecs/webp/webp_codec.h"
#include "imaging/composite.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

// WebP's largest side.
constexpr int32_t kMaxSide = WEBP_MAX_DIMENSION;
// libwebp's lossless effort level 6 is what cwebp -lossless uses.
constexpr int kLosslessLevel = 6;

struct TPictureFree {
  void operator()(WebPPicture* p) const { WebPPictureFree(p); }
};
struct TMuxDelete {
  void operator()(WebPMux* m) const { WebPMuxDelete(m); }
};

// Clears the writer's memory when it goes.
struct TEncodedBytes {
  WebPMemoryWriter Writer;
  TEncodedBytes() { WebPMemoryWriterInit(&Writer); }
  ~TEncodedBytes() { WebPMemoryWriterClear(&Writer); }
  TEncodedBytes(const TEncodedBytes&) = delete;
  TEncodedBytes& operator=(const TEncodedBytes&) = delete;
};

int ReportProgress(int percent, const WebPPicture* picture) {
  const auto* progress = static_cast<const TProgressRecord*>(picture->user_data);
  progress->Report(percent);
  return progress->Aborted() ? 0 : 1;
}

// Imports the picture; false when libwebp could not take it (memory).
bool Import(const TBitmap& image, const TPixMask* alpha, bool withAlpha, WebPPicture& picture) {
  const int32_t width = image.Width(), height = image.Height();
  if (!withAlpha && image.PixelFormat() == TPixelFormat::TrueColor)
    // Our rows run bottom-up: the top row is the last in memory.
    return WebPPictureImportBGR(&picture, image.ScanLine(0), -static_cast<int>(image.RowStride())) != 0;
  const int samples = withAlpha ? 4 : 3;
  const auto stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(samples);
  std::vector<uint8_t> rows(stride * static_cast<std::size_t>(height));
  for (int32_t y = 0; y < height; ++y)
    InterleaveRow(image, alpha, y, withAlpha ? TInterleave::Bgra : TInterleave::Rgb,
                  rows.data() + static_cast<std::size_t>(y) * stride);
  return (withAlpha ? WebPPictureImportBGRA(&picture, rows.data(), static_cast<int>(stride))
                    : WebPPictureImportRGB(&picture, rows.data(), static_cast<int>(stride))) != 0;
}

TFailureReason EncodeFailureOf(WebPEncodingError error) {
  switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
      throw EPixOutOfMemory();
    case VP8_ENC_ERROR_BAD_DIMENSION:
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
    case VP8_ENC_ERROR_FILE_TOO_BIG:
      return frSizeTooLarge;
    default:
      return frCannotWrite;
  }
}

// The encoded picture with the metadata chunks added; false when the muxer
// refused.
bool AddMetadata(const WebPMemoryWriter& encoded, const TContainerMetadata& metadata, WebPData& out) {
  const WebPData picture{encoded.mem, encoded.size};
  std::unique_ptr<WebPMux, TMuxDelete> mux(WebPMuxCreate(&picture, 0));
  if (!mux) return false;
  const struct {
    const char* FourCC;
    const std::vector<uint8_t>& Block;
  } chunks[] = {{"ICCP", metadata.Icc}, {"EXIF", metadata.Exif}, {"XMP ", metadata.Xmp}};
  for (const auto& c : chunks) {
    if (c.Block.empty()) continue;
    const WebPData block{c.Block.data(), c.Block.size()};
    if (WebPMuxSetChunk(mux.get(), c.FourCC, &block, 1) != WEBP_MUX_OK) return false;
  }
  return WebPMuxAssemble(mux.get(), &out) == WEBP_MUX_OK;
}

void WriteWebp(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
               TProgressRecord& progress) {
  if (image.Empty()) {
    progress.Abort(frNoImage);
    return;
  }
  if (image.Width() > kMaxSide || image.Height() > kMaxSide) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  WebPConfig config;
  if (!WebPConfigInit(&config)) throw EPixOutOfMemory();
  if (params.WebpLossless) {
    WebPConfigLosslessPreset(&config, kLosslessLevel);
    // Colours under clear pixels are part of a lossless picture too.
    config.exact = 1;
  } else {
    config.quality = static_cast<float>(std::clamp(params.JpegQuality, 0, 100));
  }

  WebPPicture picture;
  if (!WebPPictureInit(&picture)) throw EPixOutOfMemory();
  std::unique_ptr<WebPPicture, TPictureFree> owner(&picture);
  picture.width = image.Width();
  picture.height = image.Height();
  picture.use_argb = params.WebpLossless ? 1 : 0;
  const bool withAlpha = alpha && HasTransparency(image, *alpha);
  if (!Import(image, alpha, withAlpha, picture)) throw EPixOutOfMemory();

  TEncodedBytes encoded;
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &encoded.Writer;
  picture.progress_hook = ReportProgress;
  picture.user_data = &progress;
  if (!WebPEncode(&config, &picture)) {
    // A handler's stop request has set AbortFlag already.
    if (picture.error_code != VP8_ENC_ERROR_USER_ABORT) progress.Abort(EncodeFailureOf(picture.error_code));
    return;
  }

  const TContainerMetadata metadata = ContainerMetadataOf(params.MarkerList());
  if (metadata.Exif.empty() && metadata.Xmp.empty() && metadata.Icc.empty()) {
    WriteChecked(stream, encoded.Writer.mem, static_cast<int64_t>(encoded.Writer.size), progress);
    return;
  }
  WebPData assembled{nullptr, 0};
  const bool muxed = AddMetadata(encoded.Writer, metadata, assembled);
  if (muxed) WriteChecked(stream, assembled.bytes, static_cast<int64_t>(assembled.size), progress);
  WebPDataClear(&assembled);
  if (!muxed) progress.Abort(frCannotWrite);
}

}  // namespace

void WriteWebpStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress) {
  try {
    WriteWebp(stream, image, alpha, params, progress);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

}  // namespace pix
