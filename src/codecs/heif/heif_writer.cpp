// WriteHeicStream and WriteAvifStream: the picture as an interleaved RGB(A)
// libheif image, encoded by libheif's encoder for the coding, the metadata
// items added, the file written through the checked stream writes.
#include <algorithm>
#include <new>
#include <vector>

#include "codecs/common/interleaved_rows.h"
#include "codecs/common/stream_io.h"
#include "codecs/exif/container_metadata.h"
#include "codecs/heif/detail/heif_session.h"
#include "codecs/heif/heif_codec.h"
#include "imaging/composite.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

using namespace heif;

struct TWriteTarget {
  TPixStream* Stream;
  TProgressRecord* Progress;
};

heif_error WriteOut(heif_context*, const void* data, size_t size, void* userData) {
  auto* target = static_cast<TWriteTarget*>(userData);
  if (WriteChecked(*target->Stream, data, static_cast<int64_t>(size), *target->Progress))
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
  return heif_error{heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "short write"};
}

// What a libheif error on writing means: frNone for heif_error_Ok.
TFailureReason WriteFailureOf(const heif_error& error) {
  switch (error.code) {
    case heif_error_Ok:
      return frNone;
    case heif_error_Memory_allocation_error:
      throw EPixOutOfMemory();
    case heif_error_Unsupported_feature:
      return error.subcode == heif_suberror_Unsupported_codec ? frUnsupportedCompression : frCannotWrite;
    case heif_error_Usage_error:
      // An encoder without such a coding comes back as a usage error.
      return error.subcode == heif_suberror_Unsupported_codec ? frUnsupportedCompression : frCannotWrite;
    default:
      return frCannotWrite;
  }
}

// The picture as libheif's 8-bit interleaved image.
TImage MakeImage(const TBitmap& image, const TPixMask* alpha, bool withAlpha) {
  const int32_t width = image.Width(), height = image.Height();
  heif_image* raw = nullptr;
  if (heif_image_create(width, height, heif_colorspace_RGB,
                        withAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &raw)
          .code != heif_error_Ok)
    throw EPixOutOfMemory();
  TImage out(raw);
  if (heif_image_add_plane(out.get(), heif_channel_interleaved, width, height, 8).code != heif_error_Ok)
    throw EPixOutOfMemory();
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(out.get(), heif_channel_interleaved, &stride);
  if (!plane) throw EPixOutOfMemory();
  const TInterleave order = withAlpha ? TInterleave::Rgba : TInterleave::Rgb;
  for (int32_t y = 0; y < height; ++y)
    InterleaveRow(image, alpha, y, order, plane + static_cast<int64_t>(y) * stride);
  return out;
}

TFailureReason AddMetadata(heif_context* context, heif_image_handle* handle, const TContainerMetadata& metadata) {
  if (!metadata.Exif.empty()) {
    const TFailureReason fault = WriteFailureOf(heif_context_add_exif_metadata(
        context, handle, metadata.Exif.data(), static_cast<int>(metadata.Exif.size())));
    if (fault != frNone) return fault;
  }
  if (!metadata.Xmp.empty())
    return WriteFailureOf(
        heif_context_add_XMP_metadata(context, handle, metadata.Xmp.data(), static_cast<int>(metadata.Xmp.size())));
  return frNone;
}

void WriteHeif(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
               TProgressRecord& progress, heif_compression_format format) {
  if (image.Empty()) {
    progress.Abort(frNoImage);
    return;
  }
  TContext context = NewContext();
  heif_encoder* rawEncoder = nullptr;
  TFailureReason fault = WriteFailureOf(heif_context_get_encoder_for_format(context.get(), format, &rawEncoder));
  TEncoder encoder(rawEncoder);
  if (fault == frNone && !encoder) fault = frUnsupportedCompression;
  if (fault != frNone) {
    progress.Abort(fault);
    return;
  }
  heif_encoder_set_logging_level(encoder.get(), 0);
  heif_encoder_set_lossy_quality(encoder.get(), std::clamp(params.JpegQuality, 0, 100));

  const bool withAlpha = alpha && HasTransparency(image, *alpha);
  TImage picture = MakeImage(image, alpha, withAlpha);
  const TContainerMetadata metadata = ContainerMetadataOf(params.MarkerList());
  if (!metadata.Icc.empty())
    heif_image_set_raw_color_profile(picture.get(), "prof", metadata.Icc.data(), metadata.Icc.size());
  progress.Report(0);

  TEncodingOptions options(heif_encoding_options_alloc());
  if (!options) throw EPixOutOfMemory();
  options->save_alpha_channel = withAlpha ? 1 : 0;
  heif_image_handle* rawHandle = nullptr;
  fault = WriteFailureOf(
      heif_context_encode_image(context.get(), picture.get(), encoder.get(), options.get(), &rawHandle));
  THandle handle(rawHandle);
  if (fault == frNone) fault = AddMetadata(context.get(), handle.get(), metadata);
  if (fault != frNone) {
    progress.Abort(fault);
    return;
  }
  TWriteTarget target{&stream, &progress};
  heif_writer writer{1, WriteOut};
  fault = WriteFailureOf(heif_context_write(context.get(), &writer, &target));
  // A short write has set its own reason already.
  if (fault != frNone) progress.Abort(fault);
  progress.Report(100);
}

void WriteGuarded(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                  TProgressRecord& progress, heif_compression_format format) {
  try {
    WriteHeif(stream, image, alpha, params, progress, format);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

}  // namespace

void WriteHeicStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress) {
  WriteGuarded(stream, image, alpha, params, progress, heif_compression_HEVC);
}

void WriteAvifStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress) {
  WriteGuarded(stream, image, alpha, params, progress, heif_compression_AV1);
}

bool CanWriteHeic() {
  InitialiseLibheif();
  return heif_have_encoder_for_format(heif_compression_HEVC) != 0;
}

bool CanWriteAvif() {
  InitialiseLibheif();
  return heif_have_encoder_for_format(heif_compression_AV1) != 0;
}

}  // namespace pix
