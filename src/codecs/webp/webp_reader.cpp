// ReadWebpStream: the RIFF file into memory, libwebp's features checked
// against our size limits, the metadata chunks through the demuxer, then the
// picture: an opaque still one decoded straight into the working image, one
// with alpha through a BGRA buffer, an animation's first frame through the
// animation decoder.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "codecs/common/alpha_plane.h"
#include "codecs/common/image_limits.h"
#include "codecs/common/memory_input.h"
#include "codecs/common/stream_io.h"
#include "codecs/exif/container_metadata.h"
#include "codecs/webp/webp_codec.h"
#include "platform/default_resolution.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

constexpr std::size_t kRiffHeader = 12;
constexpr uint8_t kRiff[] = {'R', 'I', 'F', 'F'};
constexpr uint8_t kWebp[] = {'W', 'E', 'B', 'P'};
// A WebP file larger than this is refused before it is read into memory.
constexpr uint64_t kMaxFileBytes = uint64_t{1} << 30;
constexpr int kLosslessFormat = 2;  // WebPBitstreamFeatures::format

struct TDemuxDelete {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct TIDecoderDelete {
  void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};
struct TAnimDecoderDelete {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

struct TWebpFile {
  std::vector<uint8_t> Data;
  bool Short = false;  // the stream ended before the size the RIFF header states
  WebPData View() const { return WebPData{Data.data(), Data.size()}; }
};

// What a libwebp status means: frNone for VP8_STATUS_OK.
TFailureReason ReasonOf(VP8StatusCode status, bool shortFile) {
  switch (status) {
    case VP8_STATUS_OK:
      return frNone;
    case VP8_STATUS_OUT_OF_MEMORY:
      throw EPixOutOfMemory();
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return frUnsupportedFeature;
    case VP8_STATUS_SUSPENDED:
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return frTruncated;
    default:
      return shortFile ? frTruncated : frCorruptData;
  }
}

// Reads the RIFF file at the stream's position. frNone when its header is
// a WebP one.
TFailureReason ReadFile(TPixStream& stream, TWebpFile& file) {
  const int64_t start = stream.Position();
  uint8_t header[kRiffHeader] = {};
  const auto got = static_cast<std::size_t>(std::max<int64_t>(0, stream.Read(header, kRiffHeader)));
  const bool riff = std::memcmp(header, kRiff, std::min<std::size_t>(got, 4)) == 0;
  const bool webp = got <= 8 || std::memcmp(header + 8, kWebp, std::min<std::size_t>(got - 8, 4)) == 0;
  if (!riff || !webp) return frNotThisFormat;
  if (got < kRiffHeader) return frTruncated;
  const uint64_t total = uint64_t{8} + GetLE32(header + 4);
  if (total > kMaxFileBytes) return frSizeTooLarge;
  stream.Seek(start, TSeekOrigin::soBeginning);
  ReadIntoMemory(stream, static_cast<int64_t>(total), file.Data);
  file.Short = file.Data.size() < total;
  return frNone;
}

std::vector<uint8_t> ChunkOf(WebPDemuxer* demux, const char* fourcc) {
  WebPChunkIterator it;
  if (!WebPDemuxGetChunk(demux, fourcc, 1, &it)) return {};
  std::vector<uint8_t> chunk(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
  WebPDemuxReleaseChunkIterator(&it);
  return chunk;
}

// The metadata chunks of an extended file (none in a simple one). A file
// that ends early gives the chunks before its end.
TContainerMetadata ReadMetadata(const TWebpFile& file) {
  TContainerMetadata metadata;
  const WebPData data = file.View();
  WebPDemuxState state;
  std::unique_ptr<WebPDemuxer, TDemuxDelete> demux(WebPDemuxPartial(&data, &state));
  if (!demux) return metadata;
  const std::vector<uint8_t> exif = ChunkOf(demux.get(), "EXIF");
  const std::span<const uint8_t> tiff = ExifTiffStructure(exif);
  metadata.Exif.assign(tiff.begin(), tiff.end());
  metadata.Xmp = ChunkOf(demux.get(), "XMP ");
  metadata.Icc = ChunkOf(demux.get(), "ICCP");
  return metadata;
}

void SetResolution(TIOParams& params) {
  const TResolution fallback = DefaultResolution();
  params.DpiX = fallback.DpiX;
  params.DpiY = fallback.DpiY;
  ExifResolutionDpi(params, params.DpiX, params.DpiY);
}

// frNone when our image and libwebp's working buffers (bytesPerPixel per
// canvas pixel) fit the caps.
TFailureReason DecodeSizeFault(int64_t width, int64_t height, int64_t bytesPerPixel) {
  if (const TFailureReason fault = ImageSizeFault(width, height, TPixelFormat::TrueColor); fault != frNone)
    return fault;
  const int64_t limit = std::min(kMaxDecodedImageBytes, MaxBitmapBytes());
  return width * bytesPerPixel <= limit / height ? frNone : frSizeTooLarge;
}

// Rows [0, rows) of a BGRA buffer into the image and the alpha row.
void SplitBgra(const uint8_t* bgra, int64_t stride, int32_t rows, TBitmap& out, TPixMask* alpha) {
  const int32_t width = out.Width();
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* in = bgra + y * stride;
    uint8_t* bgr = out.ScanLine(y);
    uint8_t* a = alpha ? alpha->ScanLine(y) : nullptr;
    for (int32_t x = 0; x < width; ++x, in += 4, bgr += 3) {
      bgr[0] = in[0];
      bgr[1] = in[1];
      bgr[2] = in[2];
      if (a) a[x] = in[3];
    }
  }
}

// A still picture: rows decoded into out (and alpha), the rest cleared when
// the data ends inside the picture.
TFailureReason DecodeStill(const TWebpFile& file, bool withAlpha, TBitmap& out, TPixMask* alpha,
                           TProgressRecord& progress) {
  const int32_t width = out.Width(), height = out.Height();
  std::vector<uint8_t> bgra;
  std::unique_ptr<WebPIDecoder, TIDecoderDelete> decoder;
  if (withAlpha) {
    bgra.resize(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height));
    decoder.reset(WebPINewRGB(MODE_BGRA, bgra.data(), bgra.size(), width * 4));
  } else {
    // Our rows run bottom-up: the top row is the last in memory.
    decoder.reset(WebPINewRGB(MODE_BGR, out.ScanLine(0), static_cast<std::size_t>(out.ByteSize()),
                              -static_cast<int>(out.RowStride())));
  }
  if (!decoder) throw EPixOutOfMemory();
  const VP8StatusCode status = WebPIUpdate(decoder.get(), file.Data.data(), file.Data.size());
  int32_t rows = height;
  if (status == VP8_STATUS_SUSPENDED) {
    int lastY = 0;
    rows = WebPIDecGetRGB(decoder.get(), &lastY, nullptr, nullptr, nullptr) ? std::clamp(lastY, 0, height) : 0;
    if (rows == 0) return frTruncated;
    progress.NoteDamage(frTruncated);
  } else if (const TFailureReason fault = ReasonOf(status, file.Short); fault != frNone) {
    return fault;
  }
  if (withAlpha) SplitBgra(bgra.data(), int64_t{width} * 4, rows, out, alpha);
  for (int32_t y = rows; y < height; ++y) {
    std::memset(out.ScanLine(y), 0, static_cast<std::size_t>(width) * 3);
    if (alpha && withAlpha) std::memset(alpha->ScanLine(y), 0, static_cast<std::size_t>(width));
  }
  return frNone;
}

TFailureReason DecodeFirstFrame(const TWebpFile& file, TBitmap& out, TPixMask* alpha) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return frUnsupportedFeature;
  options.color_mode = MODE_BGRA;
  options.use_threads = 0;
  const WebPData data = file.View();
  std::unique_ptr<WebPAnimDecoder, TAnimDecoderDelete> decoder(WebPAnimDecoderNew(&data, &options));
  const TFailureReason damaged = file.Short ? frTruncated : frCorruptData;
  if (!decoder) return damaged;
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || static_cast<int64_t>(info.canvas_width) != out.Width() ||
      static_cast<int64_t>(info.canvas_height) != out.Height())
    return frCorruptData;
  uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas) return damaged;
  SplitBgra(canvas, int64_t{out.Width()} * 4, out.Height(), out, alpha);
  return frNone;
}

void ReadWebp(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
              TProgressRecord& progress) {
  TWebpFile file;
  TFailureReason fault = ReadFile(stream, file);
  WebPBitstreamFeatures features;
  if (fault == frNone) fault = ReasonOf(WebPGetFeatures(file.Data.data(), file.Data.size(), &features), file.Short);
  if (fault != frNone) {
    progress.Abort(fault);
    return;
  }
  const bool animated = features.has_animation != 0;
  // The first frame of an animation may leave canvas pixels clear.
  const bool withAlpha = features.has_alpha != 0 || animated;
  params.Width = features.width;
  params.Height = features.height;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  params.WebpLossless = features.format == kLosslessFormat;
  StoreContainerMetadata(ReadMetadata(file), params);
  SetResolution(params);
  if (paramsOnly) return;

  // The animation decoder keeps two BGRA canvases; a still picture with
  // alpha one BGRA buffer.
  fault = DecodeSizeFault(features.width, features.height, animated ? 8 : (withAlpha ? 4 : 3));
  if (fault != frNone) {
    progress.Abort(fault);
    return;
  }
  // Decoded aside: a failure leaves the image and alpha plane as they were.
  TBitmap out;
  out.ReshapeForOverwrite(features.width, features.height, TPixelFormat::TrueColor);
  TPixMask plane;
  TPixMask* outAlpha = alpha ? &plane : nullptr;
  if (outAlpha) outAlpha->Allocate(features.width, features.height, 8);
  fault = animated ? DecodeFirstFrame(file, out, outAlpha) : DecodeStill(file, withAlpha, out, outAlpha, progress);
  if (fault != frNone) {
    progress.Abort(fault);
    return;
  }
  if (alpha) {
    if (withAlpha)
      SettleAlphaPlane(plane);
    else
      plane.Fill(255);
    *alpha = std::move(plane);
  }
  image.SwapContent(out);
}

}  // namespace

void ReadWebpStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                    TProgressRecord& progress) {
  try {
    ReadWebp(stream, image, alpha, paramsOnly, params, progress);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

}  // namespace pix
