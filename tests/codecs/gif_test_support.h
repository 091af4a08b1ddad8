#pragma once
// Shared by the GIF tests: a record with this platform's coders, pixel access,
// and a builder of GIF files byte by byte (pixel data through our encoder).
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "platform/gif_lzw_decoder.h"
#include "platform/gif_lzw_encoder.h"
#include "platform/stream.h"

namespace giftest {

// A record with this platform's coders, whatever the process defaults are.
struct Params : pix::TIOParams {
  Params() {
    GifLzwDecode = &pix::GifLzwDecode;
    GifLzwEncode = &pix::GifLzwEncode;
  }
};

inline pix::TRGB PixelAt(const pix::TBitmap& image, int x, int y) {
  const uint8_t* p = image.ScanLine(y) + 3 * x;
  return pix::TRGB{p[0], p[1], p[2]};
}
inline void PutPixel(pix::TBitmap& image, int x, int y, pix::TRGB c) {
  uint8_t* p = image.ScanLine(y) + 3 * x;
  p[0] = c.b, p[1] = c.g, p[2] = c.r;
}
inline int BitAt(const pix::TBitmap& image, int x, int y) { return (image.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1; }

struct Rgb {
  uint8_t r, g, b;
};
inline const std::vector<Rgb> kBlackWhite{{0, 0, 0}, {255, 255, 255}};
inline const std::vector<Rgb> kFour{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 100, 50}};

class GifBuilder {
public:
  GifBuilder& Raw(const std::vector<uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  GifBuilder& Le16(uint16_t v) { return Raw({static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); }
  // Signature, logical screen, global table (none when empty).
  GifBuilder& Header(uint16_t w, uint16_t h, const std::vector<Rgb>& global, const std::string& version = "GIF89a",
                     uint8_t background = 0, uint8_t ratio = 0) {
    bytes_.insert(bytes_.end(), version.begin(), version.begin() + 6);
    Le16(w).Le16(h).Raw({static_cast<uint8_t>(global.empty() ? 0 : 0x80 | (Code(global) << 4) | Code(global))});
    return Raw({background, ratio}).Table(global);
  }
  GifBuilder& Control(uint8_t flags, uint16_t delay, uint8_t transparent) {
    return Raw({0x21, 0xF9, 0x04, flags}).Le16(delay).Raw({transparent, 0});
  }
  GifBuilder& Extension(uint8_t label, const std::string& data) {
    Raw({0x21, label, static_cast<uint8_t>(data.size())});
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return Raw({0});
  }
  GifBuilder& Descriptor(uint16_t x, uint16_t y, uint16_t w, uint16_t h, const std::vector<Rgb>& local = {},
                         bool interlaced = false) {
    Raw({0x2C}).Le16(x).Le16(y).Le16(w).Le16(h);
    return Raw({static_cast<uint8_t>((interlaced ? 0x40 : 0) | (local.empty() ? 0 : 0x80 | Code(local)))}).Table(local);
  }
  // Descriptor, optional local table and the LZW data of the indices.
  GifBuilder& Image(uint16_t w, uint16_t h, const std::vector<uint8_t>& indices, int bits,
                    const std::vector<Rgb>& local = {}, bool interlaced = false, uint16_t x = 0, uint16_t y = 0) {
    Descriptor(x, y, w, h, local, interlaced);
    pix::TPixMemoryStream lzw;
    pix::GifLzwEncode(lzw, h, w, interlaced, indices.data(), bits);
    return Raw(lzw.Bytes());
  }
  GifBuilder& Trailer() { return Raw({0x3B}); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
  static uint8_t Code(const std::vector<Rgb>& table) {
    uint8_t code = 0;
    while ((size_t{2} << code) < table.size()) ++code;
    return code;
  }
  // Entries padded to the table's power-of-two size with grey.
  GifBuilder& Table(const std::vector<Rgb>& table) {
    for (size_t i = 0; !table.empty() && i < (size_t{2} << Code(table)); ++i) {
      Rgb c = i < table.size() ? table[i] : Rgb{128, 128, 128};
      Raw({c.r, c.g, c.b});
    }
    return *this;
  }

  std::vector<uint8_t> bytes_;
};

}  // namespace giftest
