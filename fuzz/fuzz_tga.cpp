// Fuzzes the TGA reader.
#include "codecs/tga/tga_codec.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::TDecodeRun run(data, size);
  pix::TPixMask alpha;
  try {
    pix::ReadTgaStream(run.stream, run.image, &alpha, false, run.params, run.progress);
  } catch (const pix::EPixOutOfMemory&) {
    return 0;
  }
  run.CheckReason();
  run.CheckAlpha(alpha);
  return 0;
}
