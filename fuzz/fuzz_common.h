#pragma once
// Shared set-up of the fuzz entry points: a memory stream over the input, a
// progress record with its abort flag and reason, and a cap on the pixel
// block so the fuzzer explores parsing rather than allocation.
#include <cstddef>
#include <cstdint>

#include "codecs/common/io_params.h"
#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"
#include "imaging/progress.h"
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
  pix::TFailureReason reason = pix::frNone;
  pix::TFailureReason damage = pix::frNone;
  pix::TProgressRecord progress{.Aborting = &aborted, .Reason = &reason, .Damage = &damage};

  TDecodeRun(const uint8_t* data, size_t size) : stream(data, static_cast<int64_t>(size)) { CapAllocations(); }

  // A codec that gives up must say why.
  void CheckReason() const {
    if (aborted && reason == pix::frNone) __builtin_trap();
  }
  // A reader of the common shape that succeeds leaves alpha at the image's size.
  void CheckAlpha(const pix::TPixMask& alpha) const {
    if (!aborted && (alpha.Width() != image.Width() || alpha.Height() != image.Height())) __builtin_trap();
  }
};

}  // namespace fuzzsupport
