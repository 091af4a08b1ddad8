#pragma once
// JPEG reading and writing on libjpeg.
#include <cstdint>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// Raised by the writer when libjpeg fails ("JPeg corrupted file").
class EPixJpegException : public EPixException {
public:
  EPixJpegException() : EPixException("JPeg corrupted file") {}
};

// Decodes the JPEG at the stream's position into image (left alone when
// paramsOnly) and fills the JPEG fields, size, resolution and MarkerList of
// params. Bad data ends with AbortFlag set through progress.
void ReadJpegStream(TPixStream& stream, TBitmap& image, TIOParams& params, bool paramsOnly,
                    TProgressRecord& progress);
// Encodes image at the stream's position with the record's JPEG settings.
// Sets AbortFlag and throws EPixJpegException when libjpeg fails.
void WriteJpegStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress);
// Position of the first FF D8 FF at the current position or up to 99 bytes
// after it, or -1; the stream position is restored.
int64_t FindJpegStart(TPixStream& stream);

}  // namespace pix
