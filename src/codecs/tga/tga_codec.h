#pragma once
// Truevision TGA: colour-mapped, true-colour and gray images, raw and RLE,
// with the TGA 2.0 extension area.
#include "codecs/common/codec_entry.h"

namespace pix {

// Reads the TGA at the stream's position (the common reader shape,
// codecs/common/codec_entry.h) into a TrueColor image: colour-mapped images of
// 8-bit indices with 15-, 16-, 24- or 32-bit entries, true colour of 15, 16,
// 24 or 32 bits, gray of 8 bits (16: gray and alpha), raw or RLE (packets may
// cross rows), any origin. 32-bit pixels and map entries and 16-bit gray
// carry alpha, 16-bit colour when the header declares an attribute bit;
// alpha that is 0 everywhere, or that the extension area calls undefined
// (attributes types 1 and 2), leaves the picture opaque. The record gets the size, samples,
// TgaXPos/TgaYPos, TgaCompressed, TgaGrayLevel, TgaImageName (the image ID),
// and from the extension area (or their reset values without one) TgaAuthor,
// TgaDescriptor (the comments), TgaDate, TgaBackground (the key colour),
// TgaAspectRatio and TgaGamma; ColorMap holds the colour map. Failures:
// frTruncated, frNotThisFormat, frNoImage (type 0), frUnsupportedCompression,
// frUnsupportedDepth, frCorruptData, frSizeTooLarge. RLE data that ends early
// loads marked frTruncated; indices outside the map and RLE data past the
// last pixel load marked frCorruptData.
void ReadTgaStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress);

// Writes image as a TGA 2.0 file with the origin at the bottom left: 24 bits,
// 32 when alpha is not fully opaque, 8-bit gray when TgaGrayLevel (colours
// through the library's gray weights); RLE when TgaCompressed. The image ID
// is TgaImageName; the extension area carries TgaAuthor, TgaDescriptor,
// TgaDate, TgaBackground, TgaAspectRatio and TgaGamma. Sides above 65535 fail
// with frSizeTooLarge.
void WriteTgaStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);

}  // namespace pix
