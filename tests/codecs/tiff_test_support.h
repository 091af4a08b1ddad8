#pragma once
// Plain libtiff for the TIFF tests: pages in layouts our writer never makes
// (tiles, planes, 16 bits, CMYK, associated alpha, several pages), with
// samples given by a function of position.
#include <tiffio.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tifftest {

using Bytes = std::vector<uint8_t>;

struct Page {
  uint32_t Width = 8, Height = 8;
  uint16_t Bits = 8, Samples = 3, Photometric = PHOTOMETRIC_RGB;
  uint16_t Planar = PLANARCONFIG_CONTIG, Compression = COMPRESSION_NONE, FillOrder = FILLORDER_MSB2LSB;
  uint32_t TileWidth = 0, TileLength = 0;  // 0: strips
  uint32_t RowsPerStrip = 3;
  std::vector<uint16_t> Extra;       // ExtraSamples values
  std::vector<uint16_t> Red, Green, Blue;  // colormap
  std::string PageName;
  // Sample s of pixel (x, y), below 1 << Bits.
  std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)> Sample;
};

// Packs samples most significant bit first; 16-bit samples in the machine's
// order, as libtiff takes them.
inline void Pack(Bytes& out, size_t& bit, uint32_t value, int bits) {
  if (bits == 16) {
    const uint16_t v = static_cast<uint16_t>(value);
    const auto* p = reinterpret_cast<const uint8_t*>(&v);
    out[bit / 8] = p[0], out[bit / 8 + 1] = p[1];
    bit += 16;
    return;
  }
  for (int i = bits - 1; i >= 0; --i, ++bit)
    if ((value >> i) & 1) out[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
}

// One block (strip or tile) of one plane (or all samples when contiguous).
inline Bytes Block(const Page& p, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h, int plane) {
  const bool planar = p.Planar == PLANARCONFIG_SEPARATE;
  const uint32_t perPixel = planar ? 1 : p.Samples;
  const size_t rowBytes = (size_t{w} * perPixel * p.Bits + 7) / 8;
  Bytes out(rowBytes * h, 0);
  for (uint32_t r = 0; r < h; ++r) {
    size_t bit = r * rowBytes * 8;
    for (uint32_t x = 0; x < w; ++x)
      for (uint32_t s = 0; s < perPixel; ++s) {
        const bool inside = x0 + x < p.Width && y0 + r < p.Height;
        Pack(out, bit, inside ? p.Sample(x0 + x, y0 + r, planar ? plane : s) : 0, p.Bits);
      }
  }
  return out;
}

// Writes the pages with plain libtiff into one file; empty when libtiff fails.
inline Bytes PlainTiff(const std::vector<Page>& pages) {
  pixtest::TempDir dir;
  const std::string path = dir.File("plain.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return {};
  for (const Page& p : pages) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.Width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.Height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.Bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.Samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.Photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.Planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.Compression);
    TIFFSetField(tif, TIFFTAG_FILLORDER, p.FillOrder);
    if (!p.Extra.empty()) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(p.Extra.size()), p.Extra.data());
    if (!p.Red.empty()) TIFFSetField(tif, TIFFTAG_COLORMAP, p.Red.data(), p.Green.data(), p.Blue.data());
    if (!p.PageName.empty()) TIFFSetField(tif, TIFFTAG_PAGENAME, p.PageName.c_str());
    const int planes = p.Planar == PLANARCONFIG_SEPARATE ? p.Samples : 1;
    if (p.TileWidth) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.TileWidth);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, p.TileLength);
      for (int plane = 0; plane < planes; ++plane)
        for (uint32_t y = 0; y < p.Height; y += p.TileLength)
          for (uint32_t x = 0; x < p.Width; x += p.TileWidth) {
            Bytes b = Block(p, x, y, p.TileWidth, p.TileLength, plane);
            TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, static_cast<uint16_t>(plane)), b.data(),
                                 static_cast<tmsize_t>(b.size()));
          }
    } else {
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.RowsPerStrip);
      for (int plane = 0; plane < planes; ++plane)
        for (uint32_t y = 0; y < p.Height; y += p.RowsPerStrip) {
          const uint32_t rows = std::min(p.RowsPerStrip, p.Height - y);
          Bytes b = Block(p, 0, y, p.Width, rows, plane);
          TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, y, static_cast<uint16_t>(plane)), b.data(),
                                static_cast<tmsize_t>(b.size()));
        }
    }
    if (!TIFFWriteDirectory(tif)) {
      TIFFClose(tif);
      return {};
    }
  }
  TIFFClose(tif);
  const std::string text = pixtest::ReadFile(path);
  return Bytes(text.begin(), text.end());
}

// A file as libtiff's RGBA interface reads it (premultiplied 8-bit RGBA, top
// row first, the file's orientation applied); false when libtiff fails.
inline bool PlainRgba(const std::string& path, uint32_t& width, uint32_t& height, Bytes& rgba) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return false;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  std::vector<uint32_t> raster(size_t{width} * height);
  const bool ok = TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 1) != 0;
  TIFFClose(tif);
  rgba.clear();
  for (uint32_t v : raster)
    rgba.insert(rgba.end(), {static_cast<uint8_t>(TIFFGetR(v)), static_cast<uint8_t>(TIFFGetG(v)),
                             static_cast<uint8_t>(TIFFGetB(v)), static_cast<uint8_t>(TIFFGetA(v))});
  return ok;
}

// libtiff's premultiplication of a colour by its alpha.
inline uint8_t Premultiplied(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }

}  // namespace tifftest
