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
// Writes image as a BMP at the stream's position; a short write sets AbortFlag.
void WriteBmpStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress);

}  // namespace pix
