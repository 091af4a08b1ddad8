#include "codecs/bmp_codec.h"

namespace pix {

// Not yet available: every BMP read and write fails cleanly.
void ReadBmpStream(TPixStream&, TBitmap&, int64_t, bool, TProgressRecord& progress, TIOParams&) { progress.Abort(); }
void WriteBmpStream(TPixStream&, TBitmap&, TIOParams&, TProgressRecord& progress) { progress.Abort(); }

}  // namespace pix
