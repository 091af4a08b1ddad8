#pragma once
// PNG reading and writing on libpng, in the common codec shape
// (codecs/common/codec_entry.h).
#include <cstdint>

#include "codecs/common/codec_entry.h"

namespace pix {

// PngFilter codes: the row filters the writer lets libpng choose from.
enum TPngFilter : uint8_t {
  pfDefault = 0,  // libpng's own choice: adaptive for true colour and grey, none for palettes and 1 bit
  pfNone = 1,
  pfSub = 2,
  pfUp = 3,
  pfAverage = 4,
  pfPaeth = 5,
  pfAdaptive = 6,  // the best of all five, row by row
};

// Reads the PNG at the stream's position (any colour type and depth, Adam7
// or not): 1-bit grey and 1-bit black-and-white palette images as Bilevel,
// everything else as TrueColor with 16-bit samples rounded to 8 bits. alpha
// receives the file's transparency (alpha channel or tRNS), or is made opaque.
// Fills Width, Height, BitsPerSample, SamplesPerPixel (1 grey or palette, 3
// colour), DpiX/DpiY (pHYs in pixels per metre, else the default resolution),
// ColorMap (palette images), PngInterlaced and PngBackground (bKGD, else
// black); PngFilter and PngCompression are the writer's settings and stay as
// they are. Data that ends early loads with the rest black (transparent where
// the file has alpha) and NoteDamage(frTruncated); a bad CRC in a critical
// chunk or damaged image data fails with frCorruptData.
void ReadPngStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress);

// Writes image at the stream's position (codecs/common/output_layout.h picks
// the layout): 1-bit grey for a Bilevel image, a palette of at most 256
// entries (1, 2, 4 or 8 bits, the image's own colours when they fit) for a
// palette source, 8-bit grey for an all-grey image, else 24-bit RGB; with an
// alpha plane that holds transparency, RGBA, grey and alpha, or a palette
// with tRNS. Adam7 when PngInterlaced, zlib level PngCompression (clamped to
// 0..9), row filters by PngFilter, pHYs from DpiX/DpiY when both are positive.
// A palette written is stored in ColorMap. A short write sets AbortFlag.
void WritePngStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);

}  // namespace pix
