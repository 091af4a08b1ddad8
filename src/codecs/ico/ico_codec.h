#pragma once
// Windows icons (ICO) and cursors (CUR): a directory of entries, each a DIB
// with its AND mask or a PNG.
#include "codecs/common/codec_entry.h"

namespace pix {

// Reads one entry of the icon or cursor at the stream's position (the common
// reader shape, codecs/common/codec_entry.h): the one IcoImageIndex (for
// ReadCurStream: CurImageIndex) names, counting from 1, or with 0 the one
// with the most pixels and then the most bits per pixel (the later of equals).
// DIB entries are decoded by the BMP codec; their AND mask, or a 32-bit
// entry's own alpha, goes to alpha. PNG entries are decoded by the PNG codec
// with their transparency in alpha; one with a side above 256 fails with
// frSizeTooLarge. Cursor files set CurXHotSpot and
// CurYHotSpot from the entry. The record gets what the entry's DIB header
// says (size, samples, resolution, ColorMap); the BMP group is left alone.
// Failures: frTruncated, frNotThisFormat, frNoImage (no entries, or no entry
// of that number), and the BMP or PNG codec's reasons for the entry.
void ReadIcoStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress);
void ReadCurStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress);

// Writes image as an icon (cursor) of one entry: a 24-bit DIB, 32 bits with
// the alpha channel when alpha is not fully opaque, and its AND mask (set
// where alpha is below 128). A cursor's hot spot is CurXHotSpot, CurYHotSpot.
// Sides above 256 fail with frSizeTooLarge (the caller scales first), an
// empty image with frNoImage.
void WriteIcoStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);
void WriteCurStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);

}  // namespace pix
