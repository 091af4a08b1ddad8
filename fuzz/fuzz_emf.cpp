// Fuzzes the metafile reader on EMF seeds (the reader tells WMF from EMF by
// content, so both players are reached from either target).
#include "codecs/metafile/metafile_codec.h"
#include "fuzz_common.h"
#include "imaging/pix_mask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::TDecodeRun run(data, size);
  // Small pictures keep the runs fast (painting pixels is most of the work
  // under the fuzzer's instrumentation); the records decode the same.
  pix::SetMaxBitmapBytes(int64_t{64} << 10);
  pix::TPixMask alpha;
  try {
    pix::ReadMetafileStream(run.stream, run.image, &alpha, false, run.params, run.progress);
  } catch (const pix::EPixOutOfMemory&) {
  }
  run.CheckReason();
  return 0;
}
