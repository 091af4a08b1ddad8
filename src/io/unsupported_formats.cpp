// Formats the table names but whose codecs this library does not contain:
// they fail the way a codec fails on a file it cannot read.
#include "io/pix_image_io.h"

namespace pix {

void TPixImageIO::LoadWithoutCodec(const std::string& fileName, TPixFileType type, bool codecFillsAlpha) {
  // The file is still opened and the load recorded like any load whose codec
  // gives up, so callers see one behaviour for every failed read.
  LoadFileWith(
      fileName, [](TPixStream&, TBitmap&, TProgressRecord& progress) { progress.Abort(frNoCodec); },
      {.FileType = type, .CodecFillsAlpha = codecFillsAlpha});
}

void TPixImageIO::SaveWithoutCodec() {
  // Nothing could be written, so no file is created and the image keeps its
  // pixel format: an empty file under the name would pass for a saved image.
  ClearFailure();
  Fail(frNoCodec);
}

}  // namespace pix
