#include "codecs/jpeg_codec.h"

namespace pix {

// Not yet available: every JPEG read and write fails cleanly.
void ReadJpegStream(TPixStream&, TBitmap&, TIOParams&, bool, TProgressRecord& progress) { progress.Abort(); }
void WriteJpegStream(TPixStream&, TBitmap&, TIOParams&, TProgressRecord& progress) { progress.Abort(); }
int64_t FindJpegStart(TPixStream&) { return -1; }

}  // namespace pix
