#include "codecs/gif_codec.h"

namespace pix {

// Not yet available: every GIF read and write fails cleanly.
void ReadGifStream(TPixStream&, TBitmap&, int& count, TPixMask*, bool, TProgressRecord& progress, TIOParams&) {
  count = 0;
  progress.Abort();
}
void ReadGifFile(const std::string& fileName, TBitmap& image, int& count, TPixMask* mask, TProgressRecord& progress,
                 TIOParams& params) {
  TPixFileStream stream(fileName, TFileMode::fmOpenRead);
  ReadGifStream(stream, image, count, mask, false, progress, params);
}
void WriteGifStream(TPixStream&, TBitmap&, TIOParams&, TProgressRecord& progress) { progress.Abort(); }
void WriteGifFile(const std::string& fileName, TBitmap& image, TIOParams& params, TProgressRecord& progress) {
  TPixFileStream stream(fileName, TFileMode::fmCreate);
  WriteGifStream(stream, image, params, progress);
}

}  // namespace pix
