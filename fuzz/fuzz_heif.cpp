// Fuzzes the HEIF reader (HEIC and AVIF through libheif), alpha plane included.
#include "codecs/heif/heif_codec.h"
#include "fuzz_common.h"

// libheif 1.15's dav1d plug-in keeps the coded data it handed dav1d when the
// AV1 decode fails (Debian 12); that is not ours to find here.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdav1d.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::TDecodeRun run(data, size);
  pix::TPixMask alpha;
  try {
    pix::ReadHeifStream(run.stream, run.image, &alpha, false, run.params, run.progress);
  } catch (const pix::EPixOutOfMemory&) {
  }
  run.CheckReason();
  return 0;
}
