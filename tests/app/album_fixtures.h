#pragma once
// Photo fixtures for the conversion tests, written with our own writers, and
// the checks made on converted files.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "io/pix_image_io.h"
#include "codecs/gif/gif_codec.h"
#include "support/test_support.h"

namespace albumtest {

enum class FileKind { Missing, Jpeg, Bmp, Gif, Other };

// A w x h picture whose top half is red and bottom half blue, with a green
// square near the top-left corner, so turns and flips show.
inline void PaintOrientationPattern(pix::TBitmap& bmp, int32_t w, int32_t h) {
  bmp.Allocate(w, h, pix::TPixelFormat::TrueColor);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* p = bmp.ScanLine(y) + x * 3;
      const bool marker = x < w / 8 && y < h / 8;
      const bool top = y < h / 2;
      p[0] = marker ? 0 : top ? 0 : 220;    // blue
      p[1] = marker ? 200 : 0;              // green
      p[2] = marker ? 0 : top ? 220 : 0;    // red
    }
}

// colorSpace: the JPEG colour-space code of the parameter record (1 gray, 2 YCbCr).
inline void WriteJpeg(const std::string& path, int32_t w, int32_t h, int quality = 90, uint8_t colorSpace = 2) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  pix::TBitmap bmp;
  PaintOrientationPattern(bmp, w, h);
  pix::TPixImageIO io;
  io.SetBitmap(&bmp);
  io.ParamRecord().JpegQuality = quality;
  io.ParamRecord().JpegColorSpace = static_cast<pix::TJpegColorSpace>(colorSpace);
  io.SaveAsJpeg(path);
}

inline void WriteBmp(const std::string& path, int32_t w, int32_t h) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  pix::TBitmap bmp;
  PaintOrientationPattern(bmp, w, h);
  pix::TPixImageIO io;
  io.SetBitmap(&bmp);
  io.SaveBmpToFile(path);
}

// Installs the LZW coders, as the program does at start-up.
inline void WriteGif(const std::string& path, int32_t w, int32_t h) {
  pix::InstallGifLzwCoders();
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  pix::TBitmap bmp;
  PaintOrientationPattern(bmp, w, h);
  pix::TPixImageIO io;
  io.SetBitmap(&bmp);
  io.SaveGifToFile(path);
}

// The type by the file's first bytes, whatever its name says.
inline FileKind KindOf(const std::string& path) {
  if (!std::filesystem::is_regular_file(path)) return FileKind::Missing;
  const std::string bytes = pixtest::ReadFile(path);
  if (bytes.size() > 3 && bytes.compare(0, 3, "\xFF\xD8\xFF") == 0) return FileKind::Jpeg;
  if (bytes.size() > 2 && bytes.compare(0, 2, "BM") == 0) return FileKind::Bmp;
  if (bytes.size() > 4 && bytes.compare(0, 4, "GIF8") == 0) return FileKind::Gif;
  return FileKind::Other;
}

// A converted file decoded by the reader of its real type; an empty bitmap
// when it is of none of the three types or does not decode.
struct Decoded {
  FileKind Kind = FileKind::Missing;
  pix::TBitmap Image;
  int32_t Width() const { return Image.Width(); }
  int32_t Height() const { return Image.Height(); }
  // Blue, green, red of the pixel at (x, y) from the top.
  const uint8_t* Pixel(int32_t x, int32_t y) const { return Image.ScanLine(y) + x * 3; }
};

inline void Decode(const std::string& path, Decoded& out) {
  out.Kind = KindOf(path);
  out.Image.Allocate(0, 0, pix::TPixelFormat::TrueColor);
  pix::TPixImageIO io;
  io.SetBitmap(&out.Image);
  switch (out.Kind) {
    case FileKind::Jpeg: io.LoadJpegFromFile(path); break;
    case FileKind::Bmp: io.LoadBmpFromFile(path); break;
    case FileKind::Gif: io.LoadGifFromFile(path); break;
    default: return;
  }
  if (io.AbortFlag()) out.Image.Allocate(0, 0, pix::TPixelFormat::TrueColor);
}

// The payload of the first JPEG marker segment with the given code, or "".
inline std::string JpegSegment(const std::string& path, uint8_t code) {
  const std::string bytes = pixtest::ReadFile(path);
  size_t pos = 2;
  while (pos + 4 <= bytes.size() && static_cast<uint8_t>(bytes[pos]) == 0xFF) {
    const uint8_t marker = static_cast<uint8_t>(bytes[pos + 1]);
    const size_t length = (static_cast<uint8_t>(bytes[pos + 2]) << 8) | static_cast<uint8_t>(bytes[pos + 3]);
    if (length < 2 || pos + 2 + length > bytes.size()) return "";
    if (marker == code) return bytes.substr(pos + 4, length - 2);
    if (marker == 0xDA) return "";  // entropy-coded data follows
    pos += 2 + length;
  }
  return "";
}

// The quantization tables of a JPEG file, the fingerprint of its quality.
inline std::string QuantTables(const std::string& path) { return JpegSegment(path, 0xDB); }

// Number of colour components in the frame header of a baseline JPEG.
inline int JpegComponents(const std::string& path) {
  const std::string frame = JpegSegment(path, 0xC0);
  return frame.size() > 5 ? static_cast<uint8_t>(frame[5]) : 0;
}

// The quantization tables our writer produces at the given quality.
inline std::string QuantTablesAtQuality(int quality) {
  pixtest::TempDir dir;
  const std::string path = dir.File("reference.jpg");
  WriteJpeg(path, 16, 16, quality);
  return QuantTables(path);
}

}  // namespace albumtest
