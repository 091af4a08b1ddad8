#pragma once
// PNG-compressed icon entries. Internal to the codec.
#include "codecs/common/codec_entry.h"

namespace pix::ico {

// Decodes the PNG at the stream's position into image and alpha, in the
// common reader shape. Until the library has a PNG codec this gives up with
// frUnsupportedFeature.
void ReadPngEntry(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                  TProgressRecord& progress);

}  // namespace pix::ico
