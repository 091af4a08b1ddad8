#pragma once
// Fixtures for the HEIF and WebP tests: pictures and alpha planes made in the
// test, runs of the codecs on memory streams, libheif files built through its
// own API (rotation, several images, deep samples), and the reference tools.
#include <libheif/heif.h>

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "codecs/heif/heif_codec.h"
#include "codecs/jpeg_test_builder.h"
#include "codecs/webp/webp_codec.h"
#include "support/test_support.h"

namespace heiftest {

using Bytes = std::vector<uint8_t>;
using jpegtest::Photo;

// A codec run's outcome: the abort flag with its reason and the damage note.
struct TRun {
  bool Aborted = false;
  pix::TFailureReason Reason = pix::frNone;
  pix::TFailureReason Damage = pix::frNone;
  pix::TProgressRecord Progress{.Aborting = &Aborted, .Reason = &Reason, .Damage = &Damage};
};

// A plane whose values run across the picture: 0 at the left, 255 at the right.
inline pix::TPixMask Ramp(int32_t w, int32_t h) {
  pix::TPixMask alpha(w, h, 8);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) alpha.ScanLine(y)[x] = static_cast<uint8_t>(x * 255 / std::max(w - 1, 1));
  return alpha;
}

using TWrite = void (*)(pix::TPixStream&, pix::TBitmap&, const pix::TPixMask*, pix::TIOParams&,
                        pix::TProgressRecord&);
using TRead = void (*)(pix::TPixStream&, pix::TBitmap&, pix::TPixMask*, bool, pix::TIOParams&,
                       pix::TProgressRecord&);

inline Bytes Write(TWrite write, pix::TBitmap& image, const pix::TPixMask* alpha, pix::TIOParams& params) {
  pix::TPixMemoryStream stream;
  TRun run;
  write(stream, image, alpha, params, run.Progress);
  return run.Aborted ? Bytes{} : stream.Bytes();
}

inline TRun Read(TRead read, const Bytes& file, pix::TBitmap& image, pix::TPixMask* alpha, pix::TIOParams& params,
                 bool paramsOnly = false) {
  pix::TPixMemoryStream stream(file);
  TRun run;
  read(stream, image, alpha, paramsOnly, params, run.Progress);
  return run;
}

// Largest difference of the visible samples; 256 when the sizes differ.
inline int MaxDifference(const pix::TBitmap& a, const pix::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  int worst = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width() * 3; ++x) worst = std::max(worst, std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]));
  return worst;
}

// Mean absolute difference of the visible samples (a lossy coder's error).
inline double MeanDifference(const pix::TBitmap& a, const pix::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  double sum = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width() * 3; ++x) sum += std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]);
  return sum / (3.0 * a.Width() * a.Height());
}

inline int MaxDifference(const pix::TPixMask& a, const pix::TPixMask& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  int worst = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) worst = std::max(worst, std::abs(a.GetPixel(x, y) - b.GetPixel(x, y)));
  return worst;
}

// ---- libheif's own API, for files our writer does not make ----

struct TContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};

// One 8-bit or deep (RRGGBB little-endian, bits 9..16) picture to encode.
struct TSourceImage {
  int Width = 0, Height = 0, Bits = 8;
  std::vector<uint16_t> Samples;  // R, G, B per pixel, row by row
};

inline TSourceImage SourceOf(const pix::TBitmap& image, int bits = 8) {
  TSourceImage s{image.Width(), image.Height(), bits, {}};
  const int shift = bits - 8;
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x)
      for (int c : {2, 1, 0}) {
        const uint16_t v = image.ScanLine(y)[x * 3 + c];
        // Spreads 8-bit levels over the deeper range, low bits varied too.
        s.Samples.push_back(shift > 0 ? static_cast<uint16_t>((v << shift) | ((x + y) & ((1 << shift) - 1))) : v);
      }
  return s;
}

inline heif_image* HeifImageOf(const TSourceImage& s) {
  heif_image* img = nullptr;
  const bool deep = s.Bits > 8;
  heif_image_create(s.Width, s.Height, heif_colorspace_RGB,
                    deep ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, &img);
  heif_image_add_plane(img, heif_channel_interleaved, s.Width, s.Height, s.Bits);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(img, heif_channel_interleaved, &stride);
  for (int y = 0; y < s.Height; ++y)
    for (int i = 0; i < s.Width * 3; ++i) {
      const uint16_t v = s.Samples[static_cast<size_t>(y) * s.Width * 3 + i];
      if (deep) {
        plane[y * stride + 2 * i] = static_cast<uint8_t>(v);
        plane[y * stride + 2 * i + 1] = static_cast<uint8_t>(v >> 8);
      } else {
        plane[y * stride + i] = static_cast<uint8_t>(v);
      }
    }
  return img;
}

inline heif_error CollectBytes(heif_context*, const void* data, size_t size, void* out) {
  auto* bytes = static_cast<Bytes*>(out);
  bytes->insert(bytes->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// What a camera writes: the pictures (the last one primary when
// lastIsPrimary), each stored unturned with the container's orientation and
// the EXIF block (TIFF structure with Apple's "Exif\0\0" gap) on the first.
// Empty when libheif has no encoder for the format.
inline Bytes CameraFile(const std::vector<TSourceImage>& images, heif_compression_format format,
                        heif_orientation orientation = heif_orientation_normal, const Bytes& exifApp1 = {},
                        bool lastIsPrimary = false) {
  if (!heif_have_encoder_for_format(format)) return {};
  std::unique_ptr<heif_context, TContextFree> ctx(heif_context_alloc());
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(ctx.get(), format, &encoder);
  heif_encoder_set_logging_level(encoder, 0);
  heif_encoder_set_lossy_quality(encoder, 90);
  heif_encoding_options* options = heif_encoding_options_alloc();
  options->image_orientation = orientation;
  heif_image_handle* last = nullptr;
  for (size_t i = 0; i < images.size(); ++i) {
    heif_image* img = HeifImageOf(images[i]);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(ctx.get(), img, encoder, options, &handle);
    if (i == 0 && !exifApp1.empty()) heif_context_add_exif_metadata(ctx.get(), handle, exifApp1.data(), exifApp1.size());
    heif_image_release(img);
    if (last) heif_image_handle_release(last);
    last = handle;
  }
  if (lastIsPrimary && last) heif_context_set_primary_image(ctx.get(), last);
  if (last) heif_image_handle_release(last);
  heif_encoding_options_free(options);
  heif_encoder_release(encoder);
  Bytes out;
  heif_writer writer{1, CollectBytes};
  heif_context_write(ctx.get(), &writer, &out);
  return out;
}

// libheif's own decode of the primary image as 16-bit RGB samples.
inline std::vector<uint16_t> LibheifDeepDecode(const Bytes& file) {
  std::unique_ptr<heif_context, TContextFree> ctx(heif_context_alloc());
  heif_context_read_from_memory_without_copy(ctx.get(), file.data(), file.size(), nullptr);
  heif_image_handle* handle = nullptr;
  heif_context_get_primary_image_handle(ctx.get(), &handle);
  heif_image* img = nullptr;
  heif_decode_image(handle, &img, heif_colorspace_RGB, heif_chroma_interleaved_RRGGBB_LE, nullptr);
  std::vector<uint16_t> out;
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(img, heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(img, heif_channel_interleaved), h = heif_image_get_height(img, heif_channel_interleaved);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * 3; ++i) out.push_back(static_cast<uint16_t>(plane[y * stride + 2 * i] | plane[y * stride + 2 * i + 1] << 8));
  heif_image_release(img);
  heif_image_handle_release(handle);
  return out;
}

// ---- the reference tools ----

inline int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool HaveTools(const std::string& names) {
  return Shell("for t in " + names + "; do command -v $t >/dev/null || exit 1; done") == 0;
}

inline std::string Quote(const std::string& path) { return "'" + path + "'"; }

// A PAM or binary PPM file's size, channels and samples (8-bit only).
struct TRaster {
  int Width = 0, Height = 0, Channels = 0;
  Bytes Samples;
};

inline bool ParseNetpbm(const std::string& file, TRaster& out) {
  std::size_t at = 0;
  auto token = [&]() {
    while (at < file.size() && (std::isspace(static_cast<unsigned char>(file[at])) || file[at] == '#')) {
      if (file[at] == '#')
        while (at < file.size() && file[at] != '\n') ++at;
      else
        ++at;
    }
    const std::size_t start = at;
    while (at < file.size() && !std::isspace(static_cast<unsigned char>(file[at]))) ++at;
    return file.substr(start, at - start);
  };
  const std::string magic = token();
  int maxValue = 0;
  if (magic == "P6") {
    out.Width = std::atoi(token().c_str());
    out.Height = std::atoi(token().c_str());
    maxValue = std::atoi(token().c_str());
    out.Channels = 3;
  } else if (magic == "P7") {
    for (std::string t = token(); !t.empty() && t != "ENDHDR"; t = token()) {
      if (t == "WIDTH") out.Width = std::atoi(token().c_str());
      if (t == "HEIGHT") out.Height = std::atoi(token().c_str());
      if (t == "DEPTH") out.Channels = std::atoi(token().c_str());
      if (t == "MAXVAL") maxValue = std::atoi(token().c_str());
      if (t == "TUPLTYPE") token();
    }
  } else {
    return false;
  }
  ++at;  // the one white-space byte before the samples
  const std::size_t size = static_cast<std::size_t>(out.Width) * out.Height * out.Channels;
  if (maxValue != 255 || out.Width <= 0 || out.Height <= 0 || at + size > file.size()) return false;
  out.Samples.assign(file.begin() + at, file.begin() + at + size);
  return true;
}

// Debian's Python, whose Pillow python3-pil installs, before any other python3
// on the path.
inline std::string Python() {
  return std::system("test -x /usr/bin/python3") == 0 ? "/usr/bin/python3" : "python3";
}

inline bool HavePillow() { return Shell(Python() + " -c 'import PIL' 2>/dev/null") == 0; }

// A PNG converted to a PAM file by Pillow (the HEIF tool writes PNG only).
inline bool PngToRaster(const std::string& png, const std::string& pam, TRaster& out) {
  const std::string script =
      "import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
      "im = im.convert('RGBA' if 'A' in im.mode else 'RGB'); c = len(im.mode); "
      "open(sys.argv[2], 'wb').write(b'P7\\nWIDTH %d\\nHEIGHT %d\\nDEPTH %d\\nMAXVAL 255\\nENDHDR\\n' % "
      "(im.width, im.height, c) + im.tobytes())";
  if (Shell(Python() + " -c \"" + script + "\" " + Quote(png) + " " + Quote(pam)) != 0) return false;
  return ParseNetpbm(pixtest::ReadFile(pam), out);
}

// Our picture (and alpha plane, when the raster has four channels) in the
// raster's sample layout.
inline Bytes SamplesOf(const pix::TBitmap& image, const pix::TPixMask* alpha, int channels) {
  Bytes out;
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x) {
      const uint8_t* p = image.ScanLine(y) + x * 3;
      out.insert(out.end(), {p[2], p[1], p[0]});
      if (channels == 4) out.push_back(alpha ? alpha->GetPixel(x, y) : 255);
    }
  return out;
}

}  // namespace heiftest
