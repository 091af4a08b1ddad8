#pragma once
// BMP reading and writing.
#include <cstdint>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// Reads the BMP at the stream's position. totalSize is the byte count of the
// whole BMP from there (0 or less when unknown). Bad data ends with AbortFlag set.
void ReadBmpStream(TPixStream& stream, TBitmap& image, int64_t totalSize, bool paramsOnly,
                   TProgressRecord& progress, TIOParams& params);
// Reads a device-independent bitmap (a BMP without its file header: info or
// core header, colour table, then the pixels right after it) at the stream's
// position, as metafile records and clipboard data hold them. dibSize is the
// byte count of the whole DIB. 1-bit pictures come back Bilevel (set = white
// when the table is white, black; else the bit is the table index, whose
// colours are in params.ColorMap), all others TrueColor. Bad data ends with
// AbortFlag set, as for a BMP.
void ReadDibStream(TPixStream& stream, TBitmap& image, int64_t dibSize, TProgressRecord& progress,
                   TIOParams& params);
// Writes image as a BMP at the stream's position; a short write sets AbortFlag.
void WriteBmpStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress);
// Bytes WriteDibStream writes for image: 40-byte info header, a two-entry
// table for Bilevel, then the rows.
int64_t DibByteSize(const TBitmap& image);
// Writes image as an uncompressed DIB (1 bit with a black, white table for
// Bilevel, else 24 bits), rows bottom-up, with dpiX/dpiY as its resolution.
// A short write sets AbortFlag.
void WriteDibStream(TPixStream& stream, const TBitmap& image, int32_t dpiX, int32_t dpiY,
                    TProgressRecord& progress);

}  // namespace pix
