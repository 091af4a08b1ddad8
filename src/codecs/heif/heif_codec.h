#pragma once
// HEIC/HEIF and AVIF pictures through libheif, in the common codec shape
// (codecs/common/codec_entry.h).
#include "codecs/common/codec_entry.h"

namespace pix {

// Reads the HEIF file (HEVC or AV1 coded) that fills the stream from its
// position to its end; the stream is left at its end. The picture is the
// primary image, or with TiffImageIndex n > 0 the n-th of the other top-level
// images in file order (frNoImage beyond them). libheif applies the
// container's crop, rotation and mirroring, so the picture comes out upright
// and ExifOrientation is 1 afterwards whatever the EXIF block says (the block
// itself is kept as it came). Samples deeper than 8 bits are reduced to 8
// with rounding; the alpha channel goes to alpha (opaque without one). The
// record gets size, BitsPerSample (the luma depth), SamplesPerPixel 3, the
// EXIF, XMP and ICC blocks as JPEG-style markers (EXIF values read), and the
// EXIF resolution or else the default resolution. Sizes are checked against
// MaxBitmapBytes() before decoding. Failures: frNotThisFormat, frTruncated,
// frCorruptData, frUnsupportedCompression (no decoder for the coding),
// frUnsupportedFeature, frSizeTooLarge, frNoImage.
void ReadHeifStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                    TProgressRecord& progress);

// Write the picture as HEIC (HEVC) or AVIF (AV1), lossy at JpegQuality
// (0..100), 8 bits, with the alpha plane when it holds transparency, and the
// EXIF, XMP and ICC blocks of the record's markers. The encoder's failure
// ends with AbortFlag set (frUnsupportedCompression when this libheif has no
// encoder for the coding, frSizeTooLarge for sizes the encoder refuses,
// frCannotWrite otherwise); a short write with frDiskFull or frCannotWrite.
void WriteHeicStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress);
void WriteAvifStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress);

// Whether the libheif in use has an encoder for HEVC and for AV1 (asked at
// run time: libheif's coders may be plug-ins).
bool CanWriteHeic();
bool CanWriteAvif();

}  // namespace pix
