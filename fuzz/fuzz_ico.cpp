// Fuzzes the icon and cursor reader. The first byte chooses the entry (its
// low two bits: 0 the best one, else that number) and, with bit 2, the
// cursor reader.
#include "codecs/ico/ico_codec.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  fuzzsupport::TDecodeRun run(data + 1, size - 1);
  run.params.IcoImageIndex = run.params.CurImageIndex = selector & 3;
  pix::TPixMask alpha;
  try {
    if (selector & 4)
      pix::ReadCurStream(run.stream, run.image, &alpha, false, run.params, run.progress);
    else
      pix::ReadIcoStream(run.stream, run.image, &alpha, false, run.params, run.progress);
  } catch (const pix::EPixOutOfMemory&) {
    return 0;
  }
  run.CheckReason();
  run.CheckAlpha(alpha);
  return 0;
}
