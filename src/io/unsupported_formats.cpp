// Formats the dispatch tables name but whose codecs this library does not
// contain (PNG, TIFF, PCX, metafiles, cursors, icons, Targa, portable pixmaps):
// they fail the way a codec fails on a file it cannot read.
#include "io/pix_image_io.h"

namespace pix {

void TPixImageIO::LoadUnsupportedFile(const std::string& fileName, const TLoadOptions& options) {
  // The file is still opened and the load recorded like any load whose codec
  // gives up, so callers see one behaviour for every failed read.
  LoadFileWith(
      fileName, [](TPixStream&, TBitmap&, TProgressRecord& progress) { progress.Abort(); }, options);
}

void TPixImageIO::SaveUnsupportedFile() {
  // Nothing could be written, so no file is created and the image keeps its
  // pixel format: an empty file under the name would pass for a saved image.
  m_aborting = true;
}

}  // namespace pix
