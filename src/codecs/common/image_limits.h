#pragma once
// The size rules every decoder applies before it allocates an image.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/failure_reason.h"

namespace pix {

// Decoded images larger than this end with a failure instead of an
// allocation attempt: a few header bytes must not be able to claim gigabytes.
constexpr int64_t kMaxDecodedImageBytes = int64_t{1} << 30;

// frNone when a decoder may allocate a width x height image of format;
// frCorruptData for a side of 0 or less; frSizeTooLarge for a side beyond
// int32 or a pixel block above min(kMaxDecodedImageBytes, MaxBitmapBytes()).
TFailureReason ImageSizeFault(int64_t width, int64_t height, TPixelFormat format);

}  // namespace pix
