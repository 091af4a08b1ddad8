#pragma once
// Windows metafiles: WMF (with or without the placeable header) and EMF.
// Reading draws the records into a TrueColor picture of the metafile's own
// size on white; writing stores the image as one device-independent bitmap
// record.
#include <cstdint>

#include "codecs/common/codec_entry.h"

namespace pix {

// The longer side of a drawn metafile, at most (pixels); a larger picture is
// drawn scaled down proportionally.
constexpr int32_t kMetafileMaxSide = 4096;

// What the bytes at the stream's position hold: ftEMF, ftWMF (placeable or
// plain header) or ftUnknown. The position is left where it was.
TPixFileType MetafileTypeOf(TPixStream& stream);

// Reads either kind of metafile (told apart by content) in the common codec
// shape. Size: WMF from the placeable header's box and units per inch, else
// from the window records (a logical unit taken as a pixel), else 1024 x 768;
// EMF from the header's frame (0.01 mm), else its bounds on the reference
// device; at DefaultResolution() dots per inch, which DpiX/DpiY receive. The
// alpha plane is opaque. Records that change nothing drawn are skipped, text
// is drawn as a box per character, and records this player cannot draw (masked
// or parallelogram blits, OpenGL, palette-index bitmaps, right-to-left
// layout) fail the file with frUnsupportedFeature. A file that costs more
// than a fixed amount of drawing work fails with frSizeTooLarge; damaged
// records are skipped and the picture noted damaged (frCorruptData, or
// frTruncated when the records end early).
void ReadMetafileStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                        TProgressRecord& progress);

// Writes image as a placeable WMF: one StretchDIB record (24 bits, or 1 bit
// for Bilevel) over a box of one logical unit per pixel at
// DefaultResolution().DpiX units per inch, so the reader gives back the same
// pixels. Sides above 32767 (16-bit coordinates) fail with frSizeTooLarge.
void WriteWmfStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);
// Writes image as an EMF: header (frame at DefaultResolution(), reference
// device of the image's size), one StretchDIBits record and the end record.
// A bitmap record beyond 4 GiB fails with frSizeTooLarge.
void WriteEmfStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress);

}  // namespace pix
