#include "codecs/common/image_limits.h"

#include <algorithm>
#include <limits>

namespace pix {

TFailureReason ImageSizeFault(int64_t width, int64_t height, TPixelFormat format) {
  if (width <= 0 || height <= 0) return frCorruptData;
  if (width > std::numeric_limits<int32_t>::max() || height > std::numeric_limits<int32_t>::max())
    return frSizeTooLarge;
  const int64_t stride = RowStrideFor(static_cast<int32_t>(width), format);
  const int64_t limit = std::min(kMaxDecodedImageBytes, MaxBitmapBytes());
  return stride <= limit / height ? frNone : frSizeTooLarge;
}

}  // namespace pix
