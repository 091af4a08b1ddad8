#pragma once
// Layout of the PCX header, shared by the reader and the writer. Internal to
// the codec.
#include <array>
#include <cstdint>

#include "codecs/common/io_params.h"

namespace pix::pcx {

constexpr int kHeaderSize = 128;
constexpr uint8_t kManufacturer = 0x0A;
constexpr uint8_t kPaletteMarker = 0x0C;
constexpr int kPaletteTrailerSize = 1 + 256 * 3;
constexpr int kMaxRun = 63;
constexpr uint8_t kRunFlag = 0xC0;

struct TPcxHeader {
  uint8_t Manufacturer = kManufacturer;
  uint8_t Version = 5;
  uint8_t Encoding = 1;
  uint8_t BitsPerPixel = 8;  // per plane
  uint16_t XMin = 0;
  uint16_t YMin = 0;
  uint16_t XMax = 0;
  uint16_t YMax = 0;
  uint16_t HDpi = 0;
  uint16_t VDpi = 0;
  std::array<TRGB, 16> Palette{};
  uint8_t Planes = 1;
  uint16_t BytesPerLine = 0;
  uint16_t PaletteInfo = 1;

  int64_t Width() const { return int64_t{XMax} - XMin + 1; }
  int64_t Height() const { return int64_t{YMax} - YMin + 1; }
};

void ParseHeader(const uint8_t* raw, TPcxHeader& h);
// Fills kHeaderSize bytes.
void BuildHeader(const TPcxHeader& h, uint8_t* raw);

}  // namespace pix::pcx
