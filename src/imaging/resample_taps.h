#pragma once
// The contributor lists of one resampling pass in the form the passes read:
// per destination pixel, the source indices (clamped into the source) and the
// weights in list order, and the bound that tells when a sum accumulated with
// fused multiply-adds is sure to give the same byte as the reference sum.
#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/resample_contributors.h"

namespace pix {

class TTapLists {
public:
  // How destination and source indices relate to the lists. Mirrored serves a
  // pass over a picture kept unturned while the lists were made for it turned
  // a quarter: destination i takes list (size - 1 - i), and every source
  // index j becomes (srcSize - 1 - j). The order of the taps within a list,
  // and so of the additions, is kept.
  enum class TOrder { Forward, Mirrored };

  // Indices are clamped into [0, srcSize - 1] (before mirroring). Throws
  // EPixOutOfMemory when the tables cannot be had.
  TTapLists(const TContributorLists& lists, int32_t srcSize, TOrder order = TOrder::Forward);
  // Lists given entry by entry as (source index, weight); indices must lie in
  // the source the pass reads. For tests that need chosen weights.
  explicit TTapLists(const std::vector<std::vector<std::pair<int32_t, double>>>& lists);

  int32_t Size() const { return static_cast<int32_t>(m_count.size()); }
  int32_t Count(int32_t i) const { return m_count[static_cast<size_t>(i)]; }
  const int32_t* Index(int32_t i) const { return m_index.data() + m_start[static_cast<size_t>(i)]; }
  const double* Weight(int32_t i) const { return m_weight.data() + m_start[static_cast<size_t>(i)]; }
  // A fused multiply-add sum of list i over bytes whose distance to every
  // half-integer exceeds this bound rounds to the same byte as the reference.
  double Bound(int32_t i) const { return m_bound[static_cast<size_t>(i)]; }
  // The lowest and highest source index lists first .. last - 1 read; the
  // first is above the second when they read none.
  std::pair<int32_t, int32_t> Span(int32_t first, int32_t last) const;

  // The bound for count taps whose weights' magnitudes add up to absSum: with
  // A = 255 absSum and 2^e the first power of two above A (with head-room),
  // every partial sum of either chain stays below 2^e, where one rounding is
  // off by at most u/2 (u = 2^(e-53)) for a fused step and by u/2 + u 2^-12 for
  // an extended step rounded twice; over count steps the two chains differ by
  // less than 2 count u.
  static double BoundFor(int32_t count, double absSum);

private:
  void Finish();

  std::vector<int32_t> m_index;
  std::vector<double> m_weight;
  std::vector<size_t> m_start;
  std::vector<int32_t> m_count;
  std::vector<double> m_bound;
  std::vector<int32_t> m_low;
  std::vector<int32_t> m_high;
};

}  // namespace pix
