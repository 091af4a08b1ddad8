#pragma once
// ZSoft PCX: 1, 2, 4 and 8 bits in one plane, 1 bit in two to four planes,
// 8 bits in three (RGB) or four (RGBA) planes; raw or RLE.
#include "codecs/common/codec_entry.h"

namespace pix {

// Reads the PCX at the stream's position (the common reader shape,
// codecs/common/codec_entry.h). One bit in one plane loads as Bilevel (0
// black); everything else as TrueColor: 2 and 4 bits and 1 bit in 2 to 4
// planes through the 16-colour header palette (the standard EGA colours for
// version 3, which has none), 8 bits through the 256-colour palette after the
// 0x0C marker at the end (a gray ramp without one), 3 planes as RGB, 4 as
// RGBA (alpha). The record gets the size, samples, DpiX/DpiY from the header
// (the default resolution where it gives 0), PcxVersion, PcxCompression and
// ColorMap for palette images. Failures: frTruncated, frNotThisFormat,
// frUnsupportedCompression, frUnsupportedDepth, frCorruptData (bytes per line
// too few for the width, an empty window), frSizeTooLarge. Data that ends
// early loads marked frTruncated.
void ReadPcxStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress);

// Writes image as a version 5 PCX, RLE unless PcxCompression is 0: 1 bit for
// a Bilevel image; 8 bits with a 256-colour palette when the record describes
// a palette source (SamplesPerPixel 1, BitsPerSample up to 8, a ColorMap) -
// the image's own colours when it has at most 256, else the quantizer's; 24
// bits (three planes) otherwise. The palette written is stored in ColorMap.
// Sides above 65535 fail with frSizeTooLarge.
void WritePcxStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);

}  // namespace pix
