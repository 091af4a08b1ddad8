#pragma once
// Fixtures for the JPEG and EXIF tests: images made in the test, coding through
// the codec, segment surgery, EXIF payloads, and libjpeg's own decode.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codecs/jpeg/jpeg_codec.h"

namespace jpegtest {

using Bytes = std::vector<uint8_t>;

inline void SetPixel(pix::TBitmap& image, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* p = image.ScanLine(y) + x * 3;
  p[0] = b, p[1] = g, p[2] = r;
}

inline std::unique_ptr<pix::TBitmap> Constant(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  auto image = std::make_unique<pix::TBitmap>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(*image, x, y, r, g, b);
  return image;
}

// Gradients with a deterministic texture, so every DCT path matters.
inline std::unique_ptr<pix::TBitmap> Photo(int w, int h) {
  auto image = std::make_unique<pix::TBitmap>(w, h);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      auto level = [noise = static_cast<int>((seed >> 16) % 24)](int v) {
        return static_cast<uint8_t>(std::min(v + noise, 255));
      };
      SetPixel(*image, x, y, level(x * 230 / std::max(w - 1, 1)), level(y * 200 / std::max(h - 1, 1)),
               level((x + y) % 230));
    }
  return image;
}

struct TRun {
  bool Aborted = false;
  pix::TProgressRecord Progress;
  TRun() { Progress.Aborting = &Aborted; }
};

inline Bytes Encode(pix::TBitmap& image, pix::TIOParams& params) {
  pix::TPixMemoryStream stream;
  TRun run;
  pix::WriteJpegStream(stream, image, params, run.Progress);
  return stream.Bytes();
}

// Decodes through the codec; true when AbortFlag stayed clear.
inline bool Decode(const Bytes& file, pix::TBitmap& image, pix::TIOParams& params, bool paramsOnly = false) {
  pix::TPixMemoryStream stream(file);
  TRun run;
  pix::ReadJpegStream(stream, image, params, paramsOnly, run.Progress);
  return !run.Aborted;
}

struct TSegment {
  uint8_t Marker;
  Bytes Payload;
  std::size_t At;  // offset of the marker bytes
};

// The marker segments from SOI up to the first SOS.
inline std::vector<TSegment> Segments(const Bytes& file) {
  std::vector<TSegment> out;
  for (std::size_t p = 2; p + 4 <= file.size() && file[p] == 0xFF && file[p + 1] != 0xDA;) {
    std::size_t len = (file[p + 2] << 8) | file[p + 3];
    if (len < 2 || p + 2 + len > file.size()) break;
    out.push_back({file[p + 1], Bytes(file.begin() + p + 4, file.begin() + p + 2 + len), p});
    p += 2 + len;
  }
  return out;
}

inline Bytes WithoutSegment(const Bytes& file, uint8_t marker) {
  for (const TSegment& s : Segments(file))
    if (s.Marker == marker) {
      Bytes out(file.begin(), file.begin() + s.At);
      out.insert(out.end(), file.begin() + s.At + 4 + s.Payload.size(), file.end());
      return out;
    }
  return file;
}

// Rewrites the JFIF header of a file our writer made (APP0 right after SOI).
inline void SetJfifDensity(Bytes& file, uint8_t unit, uint16_t x, uint16_t y) {
  file[13] = unit;
  file[14] = static_cast<uint8_t>(x >> 8), file[15] = static_cast<uint8_t>(x);
  file[16] = static_cast<uint8_t>(y >> 8), file[17] = static_cast<uint8_t>(y);
}

// One directory entry: SHORT (3), LONG (4) or RATIONAL (5, values in pairs)
// numbers, ASCII (2) text, or UNDEFINED (7) bytes given as text.
struct TTag {
  uint16_t Tag, Type;
  std::vector<uint32_t> Values;
  std::string Text;
};

// An APP1 payload: "Exif", two zero bytes, a TIFF structure with the image
// directory, an EXIF sub-directory when exifTags is not empty and a second
// directory pointing at a JPEG thumbnail when there is one, and a GPS
// directory when gpsTags is not empty.
inline Bytes ExifPayload(bool little, std::vector<TTag> tags, const std::vector<TTag>& exifTags = {},
                         const Bytes& thumbnail = {}, const std::vector<TTag>& gpsTags = {}) {
  Bytes tiff;
  auto put = [&](Bytes& out, uint32_t v, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(v >> 8 * (little ? i : size - 1 - i)));
  };
  auto directory = [&](const std::vector<TTag>& entries, uint32_t next) {
    const uint32_t at = static_cast<uint32_t>(tiff.size());
    Bytes extra;
    put(tiff, static_cast<uint32_t>(entries.size()), 2);
    for (const TTag& t : entries) {
      Bytes value(t.Text.begin(), t.Text.end());
      if (t.Type == 2) value.push_back(0);
      for (uint32_t v : t.Values) put(value, v, t.Type == 3 ? 2 : 4);
      put(tiff, t.Tag, 2), put(tiff, t.Type, 2);
      const bool bytes = t.Type == 2 || t.Type == 7;
      put(tiff, static_cast<uint32_t>(bytes ? value.size() : t.Type == 5 ? t.Values.size() / 2 : t.Values.size()), 4);
      if (value.size() > 4) {
        put(tiff, at + 6 + 12 * static_cast<uint32_t>(entries.size()) + static_cast<uint32_t>(extra.size()), 4);
        extra.insert(extra.end(), value.begin(), value.end());
      } else {
        value.resize(4, 0);
        tiff.insert(tiff.end(), value.begin(), value.end());
      }
    }
    put(tiff, next, 4);
    tiff.insert(tiff.end(), extra.begin(), extra.end());
    return at;
  };
  tiff = little ? Bytes{'I', 'I', 42, 0, 0, 0, 0, 0} : Bytes{'M', 'M', 0, 42, 0, 0, 0, 0};
  if (!exifTags.empty()) tags.push_back({0x8769, 4, {directory(exifTags, 0)}, ""});
  if (!gpsTags.empty()) tags.push_back({0x8825, 4, {directory(gpsTags, 0)}, ""});
  uint32_t second = 0;
  if (!thumbnail.empty()) {
    const uint32_t data = static_cast<uint32_t>(tiff.size());
    tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());
    second = directory({{0x0201, 4, {data}, ""}, {0x0202, 4, {static_cast<uint32_t>(thumbnail.size())}, ""}}, 0);
  }
  Bytes first;
  put(first, directory(tags, second), 4);
  std::copy(first.begin(), first.end(), tiff.begin() + 4);
  Bytes payload{'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return payload;
}

// What libjpeg itself decodes from a file, in out_color_space out; empty when
// libjpeg failed.
struct TRawError {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
};

inline void RawErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TRawError*>(cinfo->err)->Jump, 1); }

inline Bytes RawDecode(const Bytes& file, J_COLOR_SPACE out) {
  jpeg_decompress_struct info{};
  TRawError err{};
  info.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = RawErrorExit;
  Bytes pixels;
  if (setjmp(err.Jump) == 0) {
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = out;
    jpeg_start_decompress(&info);
    const std::size_t stride = info.output_width * info.output_components;
    pixels.resize(stride * info.output_height);
    for (JSAMPROW row; info.output_scanline < info.output_height; jpeg_read_scanlines(&info, &row, 1))
      row = pixels.data() + info.output_scanline * stride;
    jpeg_finish_decompress(&info);
  }
  jpeg_destroy_decompress(&info);
  return pixels;
}

}  // namespace jpegtest
