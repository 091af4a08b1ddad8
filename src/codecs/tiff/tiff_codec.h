#pragma once
// TIFF reading and writing on libtiff (with its CCITT fax coders), in the
// common codec shape (codecs/common/codec_entry.h).
#include <cstdint>

#include "codecs/common/codec_entry.h"

namespace pix {

// TiffCompression codes. TIFF's own codes do not fit the record's byte, so a
// load stores these and a save reads them.
enum TTiffCompression : uint8_t {
  tcAutomatic = 0,  // save: CCITT group 4 for bilevel images, LZW otherwise
  tcNone = 1,
  tcCcittRle = 2,
  tcCcittG3 = 3,
  tcCcittG4 = 4,
  tcLzw = 5,
  tcOldJpeg = 6,
  tcJpeg = 7,
  tcDeflate = 8,
  tcPackBits = 9,
  tcOther = 255,  // a load found a compression without a code here
};

// Reads page TiffImageIndex (0 = the first) of the TIFF at the stream's
// position: strips or tiles; uncompressed, LZW, Deflate, PackBits, JPEG,
// CCITT and whatever else libtiff decodes; bilevel (either photometric) as
// Bilevel, grey of 1 to 16 bits, palette, RGB, CMYK (into RGB) and YCbCr as
// TrueColor with samples rounded to 8 bits; an associated or unassociated
// alpha sample into alpha (colours then unpremultiplied), else alpha opaque.
// Orientation is not applied. Fills Width, Height, BitsPerSample,
// SamplesPerPixel (1 grey or palette, 3 colour), DpiX/DpiY (XResolution and
// YResolution in inches or centimetres, else the default resolution),
// ColorMap (palette images), TiffPageCount, and the TIFF group. Strips or
// tiles that fail to decode leave their pixels as far as they came and mark
// the load damaged (frTruncated when the data lies beyond the file's end);
// a page none of whose strips or tiles decodes fails.
void ReadTiffStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                    TProgressRecord& progress);

// Writes image as a single-page TIFF at the stream's position
// (codecs/common/output_layout.h picks the layout): a Bilevel image at 1 bit
// (CCITT group 4, min-is-white unless TiffPhotometInterpret is min-is-black),
// a palette source as a 4- or 8-bit palette (the image's own colours when they
// fit), an all-grey image as 8-bit grey, else 24-bit RGB; with an alpha plane
// that holds transparency, RGBA or grey and alpha (unassociated). LZW
// (horizontal predictor for grey and colour) unless TiffCompression names
// another compression that fits the layout; RowsPerStrip from TiffRowsPerStrip
// when positive; resolution in inches from DpiX/DpiY when positive; the
// document name, description and page name when not empty. A palette written
// is stored in ColorMap. A short write sets AbortFlag.
void WriteTiffStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress);

}  // namespace pix
