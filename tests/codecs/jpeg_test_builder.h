#pragma once
// Fixtures for the JPEG and EXIF tests: images made in the test, encoding and
// decoding through the codec or through libjpeg directly, and segment surgery
// on the encoded bytes.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codecs/jpeg_codec.h"

namespace jpegtest {

using Bytes = std::vector<uint8_t>;

inline void SetPixel(pix::TBitmap& image, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* p = image.ScanLine(y) + x * 3;
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

inline std::unique_ptr<pix::TBitmap> Constant(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  auto image = std::make_unique<pix::TBitmap>(w, h, pix::TPixelFormat::TrueColor);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(*image, x, y, r, g, b);
  return image;
}

// Smooth gradients with a deterministic texture, so every DCT path matters.
inline std::unique_ptr<pix::TBitmap> Photo(int w, int h) {
  auto image = std::make_unique<pix::TBitmap>(w, h, pix::TPixelFormat::TrueColor);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      int noise = static_cast<int>((seed >> 16) % 24);
      auto level = [noise](int v) { return static_cast<uint8_t>(std::min(v + noise, 255)); };
      SetPixel(*image, x, y, level(x * 230 / (w > 1 ? w - 1 : 1)), level(y * 200 / (h > 1 ? h - 1 : 1)),
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
};

// The marker segments from SOI up to the first SOS (the frame and tables too).
inline std::vector<TSegment> Segments(const Bytes& file) {
  std::vector<TSegment> out;
  std::size_t p = 2;
  while (p + 4 <= file.size() && file[p] == 0xFF && file[p + 1] != 0xDA) {
    std::size_t len = (file[p + 2] << 8) | file[p + 3];
    if (len < 2 || p + 2 + len > file.size()) break;
    out.push_back({file[p + 1], Bytes(file.begin() + p + 4, file.begin() + p + 2 + len)});
    p += 2 + len;
  }
  return out;
}

inline std::vector<uint8_t> MarkerCodes(const Bytes& file) {
  std::vector<uint8_t> codes;
  for (const TSegment& s : Segments(file)) codes.push_back(s.Marker);
  return codes;
}

// file with its first segment of this marker removed.
inline Bytes WithoutSegment(const Bytes& file, uint8_t marker) {
  std::size_t p = 2;
  while (p + 4 <= file.size() && file[p] == 0xFF && file[p + 1] != 0xDA) {
    std::size_t len = (file[p + 2] << 8) | file[p + 3];
    if (file[p + 1] == marker) {
      Bytes out(file.begin(), file.begin() + p);
      out.insert(out.end(), file.begin() + p + 2 + len, file.end());
      return out;
    }
    p += 2 + len;
  }
  return file;
}

// file with a segment inserted right after SOI.
inline Bytes WithSegmentFirst(const Bytes& file, uint8_t marker, const Bytes& payload) {
  Bytes out(file.begin(), file.begin() + 2);
  std::size_t len = payload.size() + 2;
  out.insert(out.end(), {0xFF, marker, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)});
  out.insert(out.end(), payload.begin(), payload.end());
  out.insert(out.end(), file.begin() + 2, file.end());
  return out;
}

// Rewrites the JFIF header of a file our writer made (APP0 right after SOI).
inline void SetJfifDensity(Bytes& file, uint8_t unit, uint16_t x, uint16_t y) {
  file[13] = unit;
  file[14] = static_cast<uint8_t>(x >> 8);
  file[15] = static_cast<uint8_t>(x);
  file[16] = static_cast<uint8_t>(y >> 8);
  file[17] = static_cast<uint8_t>(y);
}

// An APP1 EXIF payload in either byte order: image directory, optional EXIF
// sub-directory and optional second directory with a JPEG thumbnail.
class TExifBuilder {
public:
  explicit TExifBuilder(bool littleEndian = true) : m_little(littleEndian) {}

  TExifBuilder& Short(uint16_t tag, std::vector<uint16_t> values, bool inExif = false) {
    Bytes v;
    for (uint16_t x : values) Put16(v, x);
    return Add(tag, 3, static_cast<uint32_t>(values.size()), v, inExif);
  }
  TExifBuilder& Long(uint16_t tag, uint32_t value) {
    Bytes v;
    Put32(v, value);
    return Add(tag, 4, 1, v, false);
  }
  TExifBuilder& Rational(uint16_t tag, uint32_t num, uint32_t den, bool inExif = false) {
    Bytes v;
    Put32(v, num);
    Put32(v, den);
    return Add(tag, 5, 1, v, inExif);
  }
  TExifBuilder& Ascii(uint16_t tag, const std::string& text) {
    Bytes v(text.begin(), text.end());
    v.push_back(0);
    return Add(tag, 2, static_cast<uint32_t>(v.size()), v, false);
  }
  TExifBuilder& Thumbnail(const Bytes& jpeg) {
    m_thumbnail = jpeg;
    return *this;
  }

  Bytes Build() const {
    Bytes tiff = m_little ? Bytes{'I', 'I', 42, 0} : Bytes{'M', 'M', 0, 42};
    Put32(tiff, 0);  // first directory, patched below
    std::vector<TEntry> image = m_image;
    if (!m_exif.empty()) {
      uint32_t at = WriteIfd(tiff, m_exif, 0);
      image.push_back({0x8769, 4, 1, Le32OrBe32(at)});
    }
    uint32_t second = 0;
    if (!m_thumbnail.empty()) {
      uint32_t data = static_cast<uint32_t>(tiff.size());
      tiff.insert(tiff.end(), m_thumbnail.begin(), m_thumbnail.end());
      second = WriteIfd(tiff, {{0x0103, 3, 1, Le16OrBe16(6)}, {0x0201, 4, 1, Le32OrBe32(data)},
                               {0x0202, 4, 1, Le32OrBe32(static_cast<uint32_t>(m_thumbnail.size()))}}, 0);
    }
    uint32_t first = WriteIfd(tiff, image, second);
    Bytes head;
    Put32(head, first);
    std::copy(head.begin(), head.end(), tiff.begin() + 4);
    Bytes payload{'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return payload;
  }

private:
  struct TEntry {
    uint16_t Tag, Type;
    uint32_t Count;
    Bytes Value;
  };

  TExifBuilder& Add(uint16_t tag, uint16_t type, uint32_t count, const Bytes& value, bool inExif) {
    (inExif ? m_exif : m_image).push_back({tag, type, count, value});
    return *this;
  }
  void Put16(Bytes& out, uint16_t v) const {
    if (m_little)
      out.insert(out.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
    else
      out.insert(out.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
  }
  void Put32(Bytes& out, uint32_t v) const {
    if (m_little) {
      Put16(out, static_cast<uint16_t>(v));
      Put16(out, static_cast<uint16_t>(v >> 16));
    } else {
      Put16(out, static_cast<uint16_t>(v >> 16));
      Put16(out, static_cast<uint16_t>(v));
    }
  }
  Bytes Le16OrBe16(uint16_t v) const {
    Bytes b;
    Put16(b, v);
    return b;
  }
  Bytes Le32OrBe32(uint32_t v) const {
    Bytes b;
    Put32(b, v);
    return b;
  }
  // Appends a directory and, after it, the values longer than four bytes.
  uint32_t WriteIfd(Bytes& tiff, const std::vector<TEntry>& entries, uint32_t next) const {
    const uint32_t at = static_cast<uint32_t>(tiff.size());
    uint32_t data = at + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    Bytes extra;
    Put16(tiff, static_cast<uint16_t>(entries.size()));
    for (const TEntry& e : entries) {
      Put16(tiff, e.Tag);
      Put16(tiff, e.Type);
      Put32(tiff, e.Count);
      if (e.Value.size() <= 4) {
        Bytes v = e.Value;
        v.resize(4, 0);
        tiff.insert(tiff.end(), v.begin(), v.end());
      } else {
        Put32(tiff, data + static_cast<uint32_t>(extra.size()));
        extra.insert(extra.end(), e.Value.begin(), e.Value.end());
      }
    }
    Put32(tiff, next);
    tiff.insert(tiff.end(), extra.begin(), extra.end());
    return at;
  }

  bool m_little;
  std::vector<TEntry> m_image, m_exif;
  Bytes m_thumbnail;
};

// --- libjpeg directly, for files our writer does not make and for checking
// what our writer handed libjpeg.

struct TRawError {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
};

inline void RawErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TRawError*>(cinfo->err)->Jump, 1); }

// Encodes width x height pixels of comps components in memory order.
inline Bytes RawEncode(const Bytes& pixels, int width, int height, int comps, J_COLOR_SPACE in,
                       J_COLOR_SPACE file, int quality = 100) {
  jpeg_compress_struct info{};
  TRawError err{};
  info.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = RawErrorExit;
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  Bytes out;
  if (setjmp(err.Jump) == 0) {
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &mem, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = comps;
    info.in_color_space = in;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, file);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = const_cast<JSAMPLE*>(pixels.data()) + info.next_scanline * width * comps;
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    out.assign(mem, mem + size);
  }
  jpeg_destroy_compress(&info);
  free(mem);
  return out;
}

// Decodes into out_color_space `out`; empty when libjpeg failed.
inline Bytes RawDecode(const Bytes& file, J_COLOR_SPACE out, int* comps = nullptr) {
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
    std::size_t stride = info.output_width * info.output_components;
    if (comps) *comps = info.output_components;
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = pixels.data() + info.output_scanline * stride;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
  }
  jpeg_destroy_decompress(&info);
  return pixels;
}

}  // namespace jpegtest
