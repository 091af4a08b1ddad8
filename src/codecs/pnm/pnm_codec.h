#pragma once
// Netpbm formats: PBM, PGM and PPM, plain (P1 to P3) and raw (P4 to P6), and
// PAM (P7) of one to four samples per pixel.
#include "codecs/common/codec_entry.h"

namespace pix {

// Reads the netpbm image at the stream's position (the common reader shape,
// codecs/common/codec_entry.h). PBM loads as Bilevel, everything else as
// TrueColor with samples scaled to 8 bits (v x 255 / maxval, halves up); a
// PAM alpha sample goes to alpha. The record gets the size, BitsPerSample 1
// (PBM) or 8, SamplesPerPixel 1 or 3 and the default resolution; ColorMap is
// freed. Failures: frTruncated (file too short for its raster), frNotThisFormat,
// frCorruptData (bad header values), frUnsupportedDepth (float maps, PAM
// depths above 4), frSizeTooLarge. Samples above maxval are clamped and the
// picture is marked damaged (frCorruptData); plain rasters that end early load
// marked frTruncated.
void ReadPnmStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress);

// Writes image as raw netpbm: P4 for a Bilevel image, P5 when the record
// describes a gray source (SamplesPerPixel 1, BitsPerSample 8) and every pixel
// is gray, P6 otherwise; maxval 255. alpha is not written.
void WritePnmStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);

}  // namespace pix
