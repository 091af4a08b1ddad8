#include "imaging/resample_taps.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "platform/pix_exception.h"

namespace pix {

TTapLists::TTapLists(const TContributorLists& lists, int32_t srcSize, TOrder order) {
  try {
    const int32_t n = lists.Size();
    m_start.reserve(static_cast<size_t>(n) + 1);
    m_count.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      const ContributorList list = lists[order == TOrder::Mirrored ? n - 1 - i : i];
      m_start.push_back(m_index.size());
      m_count.push_back(list.Count);
      for (int32_t k = 0; k < list.Count; ++k) {
        const int32_t j = std::clamp(list.Entries[k].Pixel, 0, std::max(srcSize - 1, 0));
        m_index.push_back(order == TOrder::Mirrored ? srcSize - 1 - j : j);
        m_weight.push_back(list.Entries[k].Weight);
      }
    }
    Finish();
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

TTapLists::TTapLists(const std::vector<std::vector<std::pair<int32_t, double>>>& lists) {
  try {
    for (const auto& list : lists) {
      m_start.push_back(m_index.size());
      m_count.push_back(static_cast<int32_t>(list.size()));
      for (const auto& [index, weight] : list) {
        m_index.push_back(index);
        m_weight.push_back(weight);
      }
    }
    Finish();
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

void TTapLists::Finish() {
  m_start.push_back(m_index.size());
  m_bound.resize(m_count.size());
  m_low.assign(m_count.size(), INT32_MAX);
  m_high.assign(m_count.size(), INT32_MIN);
  for (size_t i = 0; i < m_count.size(); ++i) {
    double absSum = 0;
    for (size_t k = m_start[i]; k < m_start[i + 1]; ++k) {
      absSum += std::fabs(m_weight[k]);
      m_low[i] = std::min(m_low[i], m_index[k]);
      m_high[i] = std::max(m_high[i], m_index[k]);
    }
    m_bound[i] = BoundFor(m_count[i], absSum);
  }
}

std::pair<int32_t, int32_t> TTapLists::Span(int32_t first, int32_t last) const {
  std::pair<int32_t, int32_t> span{INT32_MAX, INT32_MIN};
  for (int32_t i = first; i < last; ++i) {
    span.first = std::min(span.first, m_low[static_cast<size_t>(i)]);
    span.second = std::max(span.second, m_high[static_cast<size_t>(i)]);
  }
  return span;
}

double TTapLists::BoundFor(int32_t count, double absSum) {
  // The head-room covers the rounding of absSum and of A themselves and the
  // drift of the partial sums, all far below one.
  const double limit = 255 * absSum * (1 + 0x1p-30) + 1;
  int e = 0;
  std::frexp(limit, &e);  // limit < 2^e
  return 2 * static_cast<double>(count) * std::ldexp(1.0, e - 53);
}

}  // namespace pix
