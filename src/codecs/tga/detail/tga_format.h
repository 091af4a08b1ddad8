#pragma once
// Layout of the TGA header, footer and extension area, shared by the reader
// and the writer. Internal to the codec.
#include <cstdint>
#include <string>

#include "codecs/common/io_params.h"

namespace pix::tga {

constexpr int kHeaderSize = 18;
constexpr int kFooterSize = 26;
constexpr int kExtensionSize = 495;
constexpr char kSignature[] = "TRUEVISION-XFILE.";  // with its NUL: the footer's last 18 bytes

enum TTgaImageType : uint8_t {
  ttNoImage = 0,
  ttMapped = 1,
  ttTrueColor = 2,
  ttGray = 3,
  ttRleFlag = 8,
};

struct TTgaHeader {
  uint8_t IdLength = 0;
  uint8_t MapType = 0;
  uint8_t ImageType = 0;
  uint16_t MapFirst = 0;
  uint16_t MapLength = 0;
  uint8_t MapEntryBits = 0;
  uint16_t XOrigin = 0;
  uint16_t YOrigin = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t PixelBits = 0;
  uint8_t Descriptor = 0;

  int BaseType() const { return ImageType & 7; }
  bool Rle() const { return (ImageType & ttRleFlag) != 0; }
  int AttributeBits() const { return Descriptor & 0x0F; }
  bool RightToLeft() const { return (Descriptor & 0x10) != 0; }
  bool TopDown() const { return (Descriptor & 0x20) != 0; }
};

void ParseHeader(const uint8_t* raw, TTgaHeader& h);
void BuildHeader(const TTgaHeader& h, uint8_t* raw);

// The extension area's fields this library keeps.
struct TTgaExtension {
  std::string Author;
  std::string Comments;       // up to four lines, joined by "\n"
  double Date = 0.0;          // days since 1899-12-30; 0 = none
  TRGB KeyColor;
  double AspectRatio = 0.0;   // 0 = not given
  double Gamma = 0.0;         // 0 = not given
  int AttributesType = -1;    // -1 = the area is too short to say
};

// Reads size bytes of an extension area (its own size field included).
void ParseExtension(const uint8_t* raw, int64_t size, TTgaExtension& ext);
// Fills kExtensionSize bytes.
void BuildExtension(const TTgaExtension& ext, uint8_t* raw);

}  // namespace pix::tga
