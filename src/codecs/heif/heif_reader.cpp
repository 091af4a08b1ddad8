// ReadHeifStream: the file into memory, libheif's parse with our size limits,
// the image the record names, its metadata, then the decode to interleaved
// RGB(A) copied into the working image.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/common/alpha_plane.h"
#include "codecs/common/image_limits.h"
#include "codecs/common/memory_input.h"
#include "codecs/common/sample_scale.h"
#include "codecs/exif/container_metadata.h"
#include "codecs/heif/detail/heif_session.h"
#include "codecs/heif/heif_codec.h"
#include "platform/default_resolution.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

using namespace heif;

// A HEIF file larger than this is refused before it is read into memory.
constexpr int64_t kMaxFileBytes = int64_t{1} << 30;
// libheif refuses images (and tiles, grid canvases and auxiliary images)
// with a side of this many pixels or more while it parses, before anything is
// decoded. It allocates and clears a grid's canvas by the size the grid
// states, whatever size the image claims, so this side bounds what a few
// hostile bytes can cost (a 26000 x 26000 canvas took 4 GB and 12 s); long
// panoramas still fit.
constexpr int kMaxSide = 20000;
constexpr std::size_t kBoxHeader = 8;

// frNone when the data begins with a file-type box; frTruncated when it ends
// before one could be seen.
TFailureReason FileTypeFault(const std::vector<uint8_t>& data) {
  static constexpr uint8_t kFtyp[] = {'f', 't', 'y', 'p'};
  if (data.size() <= 4) return frTruncated;
  const std::size_t seen = std::min(data.size(), kBoxHeader) - 4;
  if (std::memcmp(data.data() + 4, kFtyp, seen) != 0) return frNotThisFormat;
  return data.size() < kBoxHeader + 4 ? frTruncated : frNone;
}

// True when a top-level box claims more bytes than the data holds: libheif
// then reports whatever it missed, but the file was cut short.
bool BoxesRunPastTheEnd(const std::vector<uint8_t>& data) {
  uint64_t at = 0;
  while (at + kBoxHeader <= data.size()) {
    const uint8_t* p = data.data() + at;
    uint64_t size = (uint64_t{p[0]} << 24) | (uint64_t{p[1]} << 16) | (uint64_t{p[2]} << 8) | p[3];
    if (size == 0) return false;  // the last box, up to the end
    if (size == 1) {
      if (at + 16 > data.size()) return true;
      size = 0;
      for (int i = 8; i < 16; ++i) size = (size << 8) | p[i];
    }
    if (size < kBoxHeader) return false;
    if (size > data.size() - at) return true;
    at += size;
  }
  return at < data.size();
}

// The item the record's index names: 0 the primary image, n the n-th other
// top-level image in file order. frNone when found.
TFailureReason ChooseImage(heif_context* context, int32_t index, heif_item_id& chosen) {
  heif_item_id primary = 0;
  if (heif_context_get_primary_image_ID(context, &primary).code != heif_error_Ok) return frNoImage;
  if (index == 0) {
    chosen = primary;
    return frNone;
  }
  const int count = heif_context_get_number_of_top_level_images(context);
  if (index < 0 || count <= 0) return frNoImage;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  const int listed = heif_context_get_list_of_top_level_image_IDs(context, ids.data(), count);
  ids.resize(static_cast<std::size_t>(std::clamp(listed, 0, count)));
  std::erase(ids, primary);
  if (static_cast<std::size_t>(index) > ids.size()) return frNoImage;
  chosen = ids[static_cast<std::size_t>(index) - 1];
  return frNone;
}

std::vector<uint8_t> MetadataBlock(const heif_image_handle* handle, heif_item_id id) {
  std::vector<uint8_t> block(heif_image_handle_get_metadata_size(handle, id));
  if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) block.clear();
  return block;
}

// The EXIF item: a 4-byte big-endian offset from its end to the TIFF header
// (Apple puts "Exif\0\0" in that gap), then the TIFF structure.
std::vector<uint8_t> ExifOfItem(const std::vector<uint8_t>& item) {
  if (item.size() < 4) return {};
  const uint64_t skip = uint64_t{4} + ((uint64_t{item[0]} << 24) | (uint64_t{item[1]} << 16) |
                                       (uint64_t{item[2]} << 8) | uint64_t{item[3]});
  if (skip >= item.size()) return {};
  return std::vector<uint8_t>(item.begin() + static_cast<std::ptrdiff_t>(skip), item.end());
}

TContainerMetadata ReadMetadata(const heif_image_handle* handle) {
  TContainerMetadata metadata;
  const int count = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
  std::vector<heif_item_id> ids(static_cast<std::size_t>(std::max(count, 0)));
  const int listed = heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(), count);
  ids.resize(static_cast<std::size_t>(std::clamp(listed, 0, count)));
  for (heif_item_id id : ids) {
    const char* type = heif_image_handle_get_metadata_type(handle, id);
    const char* content = heif_image_handle_get_metadata_content_type(handle, id);
    if (metadata.Exif.empty() && type && std::strcmp(type, "Exif") == 0) {
      metadata.Exif = ExifOfItem(MetadataBlock(handle, id));
    } else if (metadata.Xmp.empty() && type && std::strcmp(type, "mime") == 0 && content &&
               std::strcmp(content, "application/rdf+xml") == 0) {
      metadata.Xmp = MetadataBlock(handle, id);
    }
  }
  const heif_color_profile_type profile = heif_image_handle_get_color_profile_type(handle);
  if (profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) {
    metadata.Icc.resize(heif_image_handle_get_raw_color_profile_size(handle));
    if (heif_image_handle_get_raw_color_profile(handle, metadata.Icc.data()).code != heif_error_Ok)
      metadata.Icc.clear();
  }
  return metadata;
}

void SetResolution(TIOParams& params) {
  const TResolution fallback = DefaultResolution();
  params.DpiX = fallback.DpiX;
  params.DpiY = fallback.DpiY;
  ExifResolutionDpi(params, params.DpiX, params.DpiY);
}

// Bytes per pixel of libheif's interleaved output for the depth and alpha.
int64_t DecodedPixelBytes(bool deep, bool withAlpha) { return (deep ? 2 : 1) * (withAlpha ? 4 : 3); }

// frNone when both our image and libheif's interleaved copy of it fit the caps.
TFailureReason DecodeSizeFault(int64_t width, int64_t height, bool deep, bool withAlpha) {
  if (const TFailureReason fault = ImageSizeFault(width, height, TPixelFormat::TrueColor); fault != frNone)
    return fault;
  const int64_t limit = std::min(kMaxDecodedImageBytes, MaxBitmapBytes());
  return width * DecodedPixelBytes(deep, withAlpha) <= limit / height ? frNone : frSizeTooLarge;
}

// Interleaved R, G, B (and A) samples of one row into a BGR row and an alpha
// row (may be null). Sample is uint8_t or uint16_t; scale maps a sample to 8 bits.
template <typename Sample, typename Scale>
void CopyRow(const Sample* in, int32_t width, bool withAlpha, uint8_t* bgr, uint8_t* alpha, const Scale& scale) {
  const int step = withAlpha ? 4 : 3;
  for (int32_t x = 0; x < width; ++x, in += step, bgr += 3) {
    bgr[0] = scale(in[2]);
    bgr[1] = scale(in[1]);
    bgr[2] = scale(in[0]);
    if (alpha) alpha[x] = scale(in[3]);
  }
}

struct TDecodeProgress {
  TProgressRecord* Progress = nullptr;
  int Total = 0;
};

void StartProgress(heif_progress_step, int total, void* data) { static_cast<TDecodeProgress*>(data)->Total = total; }
void OnProgress(heif_progress_step, int done, void* data) {
  const auto* p = static_cast<TDecodeProgress*>(data);
  p->Progress->ReportStep(done, p->Total);
}

// Decodes the handle into image (replaced only on success) and alpha.
TFailureReason Decode(const heif_image_handle* handle, int32_t width, int32_t height, bool withAlpha, bool deep,
                      TBitmap& image, TPixMask* alpha, TProgressRecord& progress) {
  TDecodingOptions options(heif_decoding_options_alloc());
  if (!options) throw EPixOutOfMemory();
  TDecodeProgress report{&progress};
  options->start_progress = StartProgress;
  options->on_progress = OnProgress;
  options->progress_user_data = &report;
  const heif_chroma chroma = deep ? (withAlpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                  : (withAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  heif_image* raw = nullptr;
  const heif_error error = heif_decode_image(handle, &raw, heif_colorspace_RGB, chroma, options.get());
  TImage decoded(raw);
  if (const TFailureReason fault = ReadFailureOf(error); fault != frNone) return fault;
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
  const int bits = heif_image_get_bits_per_pixel_range(decoded.get(), heif_channel_interleaved);
  if (!plane || heif_image_get_width(decoded.get(), heif_channel_interleaved) != width ||
      heif_image_get_height(decoded.get(), heif_channel_interleaved) != height || bits < 1 || bits > 16 ||
      (bits > 8) != deep || stride < width * DecodedPixelBytes(deep, withAlpha))
    return frCorruptData;
  // A buffer size of 0 asks for the count alone: with any other size libheif
  // fills the buffer, and fills it past the size given.
  if (heif_image_get_decoding_warnings(decoded.get(), 0, nullptr, 0) > 0) progress.NoteDamage(frCorruptData);

  TBitmap out;
  out.ReshapeForOverwrite(width, height, TPixelFormat::TrueColor);
  if (alpha) alpha->Allocate(width, height, 8);
  const uint32_t maxValue = (1u << bits) - 1;
  std::vector<uint8_t> table;
  if (deep) {
    table.resize(std::size_t{maxValue} + 1);
    for (uint32_t v = 0; v <= maxValue; ++v) table[v] = ScaleSample(v, maxValue);
  }
  std::vector<uint16_t> samples(deep ? static_cast<std::size_t>(width) * (withAlpha ? 4 : 3) : 0);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = plane + static_cast<int64_t>(y) * stride;
    uint8_t* alphaRow = alpha && withAlpha ? alpha->ScanLine(y) : nullptr;
    if (deep) {
      std::memcpy(samples.data(), in, samples.size() * 2);  // little-endian, as this machine
      CopyRow(samples.data(), width, withAlpha, out.ScanLine(y), alphaRow,
              [&table, maxValue](uint16_t v) { return table[std::min<uint32_t>(v, maxValue)]; });
    } else {
      CopyRow(in, width, withAlpha, out.ScanLine(y), alphaRow, [](uint8_t v) { return v; });
    }
  }
  if (alpha) {
    if (withAlpha)
      SettleAlphaPlane(*alpha);
    else
      alpha->Fill(255);
  }
  image.SwapContent(out);
  return frNone;
}

void ReadHeif(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
              TProgressRecord& progress) {
  const int64_t available = RemainingBytes(stream);
  if (available > kMaxFileBytes) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  std::vector<uint8_t> data;
  ReadIntoMemory(stream, available, data);
  if (const TFailureReason fault = FileTypeFault(data); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  TContext context = NewContext();
  heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
  TFailureReason fault =
      ReadFailureOf(heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr));
  if (fault == frCorruptData && BoxesRunPastTheEnd(data)) fault = frTruncated;
  heif_item_id id = 0;
  if (fault == frNone) fault = ChooseImage(context.get(), params.TiffImageIndex, id);
  heif_image_handle* rawHandle = nullptr;
  if (fault == frNone) fault = ReadFailureOf(heif_context_get_image_handle(context.get(), id, &rawHandle));
  THandle handle(rawHandle);
  if (fault != frNone) {
    progress.Abort(fault);
    return;
  }

  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  const int lumaBits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
  const bool withAlpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  params.Width = width;
  params.Height = height;
  params.BitsPerSample = lumaBits > 0 ? lumaBits : 8;
  params.SamplesPerPixel = 3;
  StoreContainerMetadata(ReadMetadata(handle.get()), params);
  SetResolution(params);
  // libheif turns and mirrors the picture as the container says; the EXIF
  // tag describes the stored, unturned picture and must not turn it again.
  params.ExifOrientation = 1;
  if (paramsOnly) return;

  const bool deep = lumaBits > 8;
  fault = DecodeSizeFault(width, height, deep, withAlpha);
  if (fault == frNone) fault = Decode(handle.get(), width, height, withAlpha, deep, image, alpha, progress);
  if (fault == frCorruptData && BoxesRunPastTheEnd(data)) fault = frTruncated;
  if (fault != frNone) progress.Abort(fault);
}

}  // namespace

void ReadHeifStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                    TProgressRecord& progress) {
  try {
    ReadHeif(stream, image, alpha, paramsOnly, params, progress);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

}  // namespace pix
