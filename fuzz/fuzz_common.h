#pragma once
// Shared set-up of the fuzz entry points: a memory stream over the input, a
// progress record with its abort flag, and a cap on the pixel block so the
// fuzzer explores parsing rather than allocation.
#include <cstddef>
#include <cstdint>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "io/pix_image_io.h"
#include "platform/pix_exception.h"
#include "platform/stream.h"

namespace fuzzsupport {

constexpr int64_t kMaxFuzzBitmapBytes = int64_t{64} << 20;

inline void CapAllocations() { pix::SetMaxBitmapBytes(kMaxFuzzBitmapBytes); }

struct TDecodeRun {
  pix::TPixMemoryStream stream;
  pix::TBitmap image;
  pix::TIOParams params;
  bool aborted = false;
  pix::TProgressRecord progress;

  TDecodeRun(const uint8_t* data, size_t size) : stream(data, static_cast<int64_t>(size)) {
    CapAllocations();
    progress.Aborting = &aborted;
  }
};

}  // namespace fuzzsupport
