#pragma once
// JPEG reading and writing on libjpeg.
#include <cstdint>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "imaging/progress.h"
#include "imaging/row_sink.h"
#include "platform/stream.h"

namespace pix {

// Raised by the writer when libjpeg fails ("JPeg corrupted file").
class EPixJpegException : public EPixException {
public:
  EPixJpegException() : EPixException("JPeg corrupted file") {}
};

// Decodes the JPEG at the stream's position into image (left alone when
// paramsOnly) and fills the JPEG fields, size, resolution and MarkerList of
// params. Bad data ends with AbortFlag set through progress. With rows, a
// picture libjpeg gives straight in the image's byte order at full scale is
// handed to rows instead, when its Start takes it (image is then left empty;
// params' MarkerList is already filled when Start is called). After an early
// stop, the rows the sink never got are for its owner to fill.
void ReadJpegStream(TPixStream& stream, TBitmap& image, TIOParams& params, bool paramsOnly,
                    TProgressRecord& progress, TRowSink* rows = nullptr);
// Encodes image at the stream's position with the record's JPEG settings.
// Sets AbortFlag and throws EPixJpegException when libjpeg fails.
void WriteJpegStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress);
// Position of the first FF D8 FF at the current position or up to 99 bytes
// after it, or -1; the stream position is restored.
int64_t FindJpegStart(TPixStream& stream);

}  // namespace pix
