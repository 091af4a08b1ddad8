// Fuzzes the BMP reader.
#include "codecs/bmp/bmp_codec.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::TDecodeRun run(data, size);
  try {
    pix::ReadBmpStream(run.stream, run.image, static_cast<int64_t>(size), false, run.progress, run.params);
  } catch (const pix::EPixOutOfMemory&) {
  }
  run.CheckReason();
  return 0;
}
