#pragma once
// PNG-compressed icon entries. Internal to the codec.
#include "codecs/common/codec_entry.h"

namespace pix::ico {

// Decodes the PNG at the stream's position into image and alpha (its
// transparency, or opaque) through the PNG codec, in the common reader shape.
// Sides beyond kMaxSide fail with frSizeTooLarge before any pixel is
// decoded; otherwise the PNG codec's reasons and damage.
void ReadPngEntry(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                  TProgressRecord& progress);

}  // namespace pix::ico
