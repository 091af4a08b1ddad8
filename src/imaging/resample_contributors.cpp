#include "imaging/resample_contributors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "platform/pix_exception.h"

namespace pix {

namespace {

using ext = long double;

// More entries than this (4 GiB of lists) only comes from absurd sizes.
constexpr ext kMaxEntries = ext{1} * (int64_t{1} << 28);

int32_t Mirror(int64_t j, int32_t size) {
  const int64_t m = j < 0 ? -j : (j >= size ? 2 * static_cast<int64_t>(size) - 1 - j : j);
  return static_cast<int32_t>(std::clamp<int64_t>(m, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

TContributorLists::TContributorLists(int32_t srcSize, int32_t dstSize, const TFilterEntry& filter) {
  dstSize = std::max(dstSize, 0);
  try {
    m_start.reserve(static_cast<size_t>(dstSize) + 1);
    m_start.push_back(0);
    if (srcSize <= 0) {
      // Nothing to read from: every list stays empty.
      m_start.resize(static_cast<size_t>(dstSize) + 1, 0);
      return;
    }
    if (dstSize == 0) return;
    const double scale = static_cast<double>(static_cast<ext>(dstSize) / srcSize);
    const bool shrinking = scale < 1;
    const double width = shrinking ? static_cast<double>(filter.Support / static_cast<ext>(scale)) : filter.Support;
    const double fscale = static_cast<double>(1 / static_cast<ext>(scale));
    if (static_cast<ext>(dstSize) * (2 * static_cast<ext>(width) + 3) > kMaxEntries)
      throw EPixOutOfMemory("Resampling window too large");
    m_entries.reserve(static_cast<size_t>(dstSize * std::floor(2 * width + 1)));
    for (int32_t i = 0; i < dstSize; ++i) {
      const double center = static_cast<double>(i / static_cast<ext>(scale));
      const auto left = static_cast<int64_t>(std::floor(static_cast<ext>(center) - width));
      const auto right = static_cast<int64_t>(std::ceil(static_cast<ext>(center) + width));
      for (int64_t j = left; j <= right; ++j) {
        double weight;
        if (shrinking) {
          const double x = static_cast<double>((static_cast<ext>(center) - j) / fscale);
          weight = static_cast<double>(static_cast<ext>(filter.Kernel(x)) / fscale);
        } else {
          weight = filter.Kernel(static_cast<double>(static_cast<ext>(center) - j));
        }
        if (weight != 0) m_entries.push_back({Mirror(j, srcSize), weight});
      }
      m_start.push_back(m_entries.size());
    }
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

}  // namespace pix
