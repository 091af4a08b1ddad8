#include "codecs/ico/detail/png_entry.h"

#include "codecs/ico/detail/ico_format.h"
#include "codecs/png/png_codec.h"

namespace pix::ico {

void ReadPngEntry(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                  TProgressRecord& progress) {
  const int64_t at = stream.Position();
  ReadPngStream(stream, image, alpha, true, params, progress);
  if (progress.Aborted()) return;
  // Compressed data cannot bound the picture by the file's size, so a PNG
  // entry may be no larger than an icon directory can describe.
  if (params.Width > kMaxSide || params.Height > kMaxSide) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  if (paramsOnly) return;
  stream.Seek(at, TSeekOrigin::soBeginning);
  ReadPngStream(stream, image, alpha, false, params, progress);
}

}  // namespace pix::ico
