#pragma once
// WebP pictures through libwebp, in the common codec shape
// (codecs/common/codec_entry.h).
#include "codecs/common/codec_entry.h"

namespace pix {

// Reads the WebP file at the stream's position; the stream is left at the end
// its RIFF header states (or the stream's end when the file is shorter).
// Still pictures, lossy or lossless, with their alpha in alpha (opaque
// without); an animated file gives its first frame composited on its canvas.
// The record gets size, BitsPerSample 8, SamplesPerPixel 3, WebpLossless
// (the picture is coded losslessly), the EXIF, XMP and ICC chunks as
// JPEG-style markers (EXIF values read; the EXIF Orientation is kept as
// stated, WebP has no turn of its own), and the EXIF resolution or else the
// default resolution. The size is checked against MaxBitmapBytes() before
// decoding. A file that ends inside its picture loads the rows it holds (the
// rest black) with damage frTruncated. Failures: frNotThisFormat, frTruncated,
// frCorruptData, frUnsupportedFeature, frSizeTooLarge.
void ReadWebpStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                    TProgressRecord& progress);

// Writes the picture as a still WebP: lossless when WebpLossless is set, else
// lossy at JpegQuality (0..100); with the alpha plane when it holds
// transparency; with the EXIF, XMP and ICC blocks of the record's markers.
// Sides beyond WebP's 16383 end with frSizeTooLarge, an encoder failure with
// frCannotWrite, a short write with frDiskFull or frCannotWrite.
void WriteWebpStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                     TProgressRecord& progress);

}  // namespace pix
