#pragma once
// Plain libpng for the PNG tests: an independent decoder to RGBA, a writer of
// files our writer never makes (16-bit samples), and chunk surgery.
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pngtest {

using Bytes = std::vector<uint8_t>;

struct Chunk {
  std::string Type;
  size_t At = 0;  // offset of the length field
  uint32_t Length = 0;
};

inline uint32_t Be32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// The chunks of a well-formed file in order.
inline std::vector<Chunk> Chunks(const Bytes& png) {
  std::vector<Chunk> out;
  for (size_t at = 8; at + 12 <= png.size();) {
    Chunk c{std::string(png.begin() + at + 4, png.begin() + at + 8), at, Be32(png, at)};
    out.push_back(c);
    at += 12 + c.Length;
  }
  return out;
}

inline Chunk Find(const Bytes& png, const std::string& type) {
  for (const Chunk& c : Chunks(png))
    if (c.Type == type) return c;
  return {};
}

// Recomputes the CRC of a chunk after its data was changed.
inline void FixCrc(Bytes& png, const Chunk& c) {
  const uLong crc = crc32(0, png.data() + c.At + 4, c.Length + 4);
  for (int i = 0; i < 4; ++i) png[c.At + 8 + c.Length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

// libpng's own decode to 8-bit RGBA (tRNS and palettes expanded, 16 bits
// scaled, grey spread to three channels, opaque alpha added), top row first.
// False when libpng fails, or for pictures beyond 16 megapixels.
inline bool LibpngRgba(const Bytes& png, uint32_t& width, uint32_t& height, Bytes& rgba) {
  struct Source {
    const Bytes* Data;
    size_t At;
  } source{&png, 0};
  png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                         [](png_structp s, png_const_charp) { png_longjmp(s, 1); },
                                         [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(p);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(p))) {
    png_destroy_read_struct(&p, &info, nullptr);
    return false;
  }
  png_set_read_fn(p, &source, [](png_structp s, png_bytep out, size_t n) {
    auto* src = static_cast<Source*>(png_get_io_ptr(s));
    if (src->At + n > src->Data->size()) png_error(s, "end of data");
    std::memcpy(out, src->Data->data() + src->At, n);
    src->At += n;
  });
  // Text chunks say nothing about pixels, and libpng would reserve whatever
  // length one claims before finding the file shorter.
  static const png_byte kText[] = "tEXt\0zTXt\0iTXt\0pCAL\0sCAL\0sPLT";
  png_set_keep_unknown_chunks(p, PNG_HANDLE_CHUNK_NEVER, kText, 6);
  png_read_info(p, info);
  png_set_expand(p);
  png_set_scale_16(p);
  png_set_gray_to_rgb(p);
  png_set_add_alpha(p, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(p);
  png_read_update_info(p, info);
  width = png_get_image_width(p, info);
  height = png_get_image_height(p, info);
  if (uint64_t{width} * height > (uint64_t{1} << 24)) png_error(p, "too large for the comparison");
  rgba.assign(size_t{width} * height * 4, 0);
  rows.resize(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = rgba.data() + size_t{y} * width * 4;
  png_read_image(p, rows.data());
  png_read_end(p, nullptr);
  png_destroy_read_struct(&p, &info, nullptr);
  return true;
}

// A file written by plain libpng from rows in the file's own layout.
inline Bytes PlainPng(uint32_t width, uint32_t height, int colorType, int depth, const std::vector<Bytes>& rows,
                      bool interlaced = false) {
  Bytes out;
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  if (setjmp(png_jmpbuf(p))) {
    png_destroy_write_struct(&p, &info);
    return {};
  }
  png_set_write_fn(
      p, &out,
      [](png_structp s, png_bytep data, size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(s));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(p, info, width, height, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(p, info);
  const int passes = png_set_interlace_handling(p);
  for (int pass = 0; pass < passes; ++pass)
    for (uint32_t y = 0; y < height; ++y) png_write_row(p, rows[y].data());
  png_write_end(p, info);
  png_destroy_write_struct(&p, &info);
  return out;
}

}  // namespace pngtest
