#pragma once
// Contributor lists of one resampling pass: for every destination pixel of an
// axis, the source pixels that feed it and their weights.
#include <cstdint>
#include <vector>

#include "imaging/resample_kernels.h"

namespace pix {

struct Contributor {
  int32_t Pixel;  // source index, mirrored at the edges (not yet clamped)
  double Weight;  // never 0; the weights of a list are not normalised
};

struct ContributorList {
  int32_t Count = 0;
  const Contributor* Entries = nullptr;
};

// All lists of one axis, built once before a pass. Destination pixel i maps to
// source position i / scale with scale = dstSize / srcSize: pixel 0 sits on
// source pixel 0, with no half-pixel offset. When shrinking, the kernel is
// widened by 1 / scale and its values divided by the same. Indices j outside
// the source are mirrored: -j below 0, 2 srcSize - 1 - j from srcSize on.
class TContributorLists {
public:
  // Throws EPixOutOfMemory when the lists would be absurdly large.
  TContributorLists(int32_t srcSize, int32_t dstSize, const TFilterEntry& filter);

  int32_t Size() const { return static_cast<int32_t>(m_start.size()) - 1; }
  ContributorList operator[](int32_t i) const {
    const auto k = static_cast<size_t>(i);
    return {static_cast<int32_t>(m_start[k + 1] - m_start[k]), m_entries.data() + m_start[k]};
  }

private:
  std::vector<Contributor> m_entries;
  std::vector<size_t> m_start;
};

}  // namespace pix
