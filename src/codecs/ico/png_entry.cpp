#include "codecs/ico/detail/png_entry.h"

namespace pix::ico {

void ReadPngEntry(TPixStream&, TBitmap&, TPixMask*, bool, TIOParams&, TProgressRecord& progress) {
  progress.Abort(frUnsupportedFeature);
}

}  // namespace pix::ico
