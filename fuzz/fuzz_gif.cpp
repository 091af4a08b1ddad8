// Fuzzes the GIF reader with this platform's LZW decoder installed, for the
// first and a later image of the file.
#include "codecs/gif/gif_codec.h"
#include "fuzz_common.h"
#include "imaging/pix_mask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (pix::InstallGifLzwCoders(), true);
  (void)installed;
  if (size < 1) return 0;
  fuzzsupport::TDecodeRun run(data + 1, size - 1);
  run.params.Reset();
  run.params.GifImageIndex = data[0] & 3;
  pix::TPixMask mask(0, 0, 8);
  int count = 0;
  try {
    pix::ReadGifStream(run.stream, run.image, count, &mask, false, run.progress, run.params);
  } catch (const pix::EPixOutOfMemory&) {
  }
  run.CheckReason();
  return 0;
}
