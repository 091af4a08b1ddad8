#include <cstring>

#include "codecs/common/stream_io.h"
#include "codecs/pcx/detail/pcx_format.h"

namespace pix::pcx {

// The header palette is stored red, green, blue.
void ParseHeader(const uint8_t* raw, TPcxHeader& h) {
  h.Manufacturer = raw[0];
  h.Version = raw[1];
  h.Encoding = raw[2];
  h.BitsPerPixel = raw[3];
  h.XMin = GetLE16(raw + 4);
  h.YMin = GetLE16(raw + 6);
  h.XMax = GetLE16(raw + 8);
  h.YMax = GetLE16(raw + 10);
  h.HDpi = GetLE16(raw + 12);
  h.VDpi = GetLE16(raw + 14);
  for (int i = 0; i < 16; ++i) h.Palette[i] = TRGB{raw[16 + 3 * i + 2], raw[16 + 3 * i + 1], raw[16 + 3 * i]};
  h.Planes = raw[65];
  h.BytesPerLine = GetLE16(raw + 66);
  h.PaletteInfo = GetLE16(raw + 68);
}

void BuildHeader(const TPcxHeader& h, uint8_t* raw) {
  std::memset(raw, 0, kHeaderSize);
  raw[0] = h.Manufacturer;
  raw[1] = h.Version;
  raw[2] = h.Encoding;
  raw[3] = h.BitsPerPixel;
  PutLE16(raw + 4, h.XMin);
  PutLE16(raw + 6, h.YMin);
  PutLE16(raw + 8, h.XMax);
  PutLE16(raw + 10, h.YMax);
  PutLE16(raw + 12, h.HDpi);
  PutLE16(raw + 14, h.VDpi);
  for (int i = 0; i < 16; ++i) {
    raw[16 + 3 * i] = h.Palette[i].r;
    raw[16 + 3 * i + 1] = h.Palette[i].g;
    raw[16 + 3 * i + 2] = h.Palette[i].b;
  }
  raw[65] = h.Planes;
  PutLE16(raw + 66, h.BytesPerLine);
  PutLE16(raw + 68, h.PaletteInfo);
}

}  // namespace pix::pcx
