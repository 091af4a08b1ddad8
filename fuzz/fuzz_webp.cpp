// Fuzzes the WebP reader (still, animated, metadata chunks), alpha plane included.
#include "codecs/webp/webp_codec.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::TDecodeRun run(data, size);
  pix::TPixMask alpha;
  try {
    pix::ReadWebpStream(run.stream, run.image, &alpha, false, run.params, run.progress);
  } catch (const pix::EPixOutOfMemory&) {
  }
  run.CheckReason();
  return 0;
}
