#include "codecs/palette/detail/box_quantizer.h"

#include <algorithm>
#include <cmath>

namespace pix {

namespace {

// Room for boxes: the palette writers never ask box splitting for more than 127.
constexpr int kMaxBoxes = 256;

// Score of a failed split attempt: above any sum of two box variances, so such
// an attempt is never chosen.
constexpr double kFailedScore = 17523.6;

uint8_t PaletteLevel(double mean) { return static_cast<uint8_t>(8 * static_cast<int>(std::nearbyint(mean))); }

}  // namespace

BoxSplitQuantizer::BoxSplitQuantizer(const TBitmap& image, int colors)
    : m_histogram(kLevels * kLevels * kLevels, 0), m_map(kLevels * kLevels * kLevels, 0) {
  m_boxes.reserve(kMaxBoxes);
  m_boxes.emplace_back();
  BuildHistogram(image, m_boxes[0]);
  m_total = static_cast<int64_t>(image.Width()) * image.Height();
  m_boxes[0].Count = m_total;
  ComputeStatistics(m_boxes[0]);
  SplitBoxes(std::min(colors, kMaxBoxes));
  BuildMap();
}

void BoxSplitQuantizer::BuildHistogram(const TBitmap& image, TBox& box) {
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* p = image.ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x, p += 3) {
      const int r5 = p[2] >> 3, g5 = p[1] >> 3, b5 = p[0] >> 3;
      ++m_histogram[CellOf(r5, g5, b5)];
      ++box.Marginal[chRed][r5];
      ++box.Marginal[chGreen][g5];
      ++box.Marginal[chBlue][b5];
    }
  }
}

void BoxSplitQuantizer::ComputeStatistics(TBox& box) const {
  box.Variance = 0.0;
  if (box.Count == 0) return;
  const double count = static_cast<double>(box.Count);
  for (int c = chRed; c <= chBlue; ++c) {
    double s1 = 0.0, s2 = 0.0;
    for (int j = box.Lower[c]; j < box.Upper[c]; ++j) {
      const double m = static_cast<double>(box.Marginal[c][j]);
      s1 += j * m;
      s2 += static_cast<double>(j * j) * m;
    }
    box.Mean[c] = s1 / count;
    box.Variance += s2 - box.Mean[c] * box.Mean[c] * count;
  }
  box.Variance /= static_cast<double>(m_total);
}

void BoxSplitQuantizer::SplitBoxes(int colors) {
  while (static_cast<int>(m_boxes.size()) < colors) {
    int target = -1;
    double largest = 0.0;
    for (int i = 0; i < static_cast<int>(m_boxes.size()); ++i)
      if (m_boxes[i].Variance > largest) {
        largest = m_boxes[i].Variance;
        target = i;
      }
    if (target < 0) return;
    TBox first, second;
    if (SplitBox(m_boxes[target], first, second)) {
      m_boxes[target] = first;
      m_boxes.push_back(second);
    } else {
      m_boxes[target].Variance = 0.0;
    }
  }
}

bool BoxSplitQuantizer::SplitBox(const TBox& box, TBox& first, TBox& second) const {
  double bestScore = kFailedScore;
  bool found = false;
  for (int c = chRed; c <= chBlue; ++c) {
    TBox a, b;
    if (!AttemptSplit(box, static_cast<TChannel>(c), a, b)) continue;
    // Strictly smaller, so ties go to the earlier channel.
    const double score = a.Variance + b.Variance;
    if (score < bestScore) {
      bestScore = score;
      first = a;
      second = b;
      found = true;
    }
  }
  return found;
}

bool BoxSplitQuantizer::AttemptSplit(const TBox& box, TChannel c, TBox& first, TBox& second) const {
  const int lo = box.Lower[c], hi = box.Upper[c];
  if (hi - lo == 1) return false;
  const double mu = box.Mean[c];
  const int64_t n = box.Count;
  const int64_t* m = box.Marginal[c];
  const int a = static_cast<int>(std::nearbyint((lo + mu) * 0.5));
  // The cut never passes the box's last level: the running count reaches n
  // there at the latest. The clamp only keeps the reads inside the marginal.
  const int b = std::min(static_cast<int>(std::nearbyint((hi + mu) * 0.5)), kLevels - 1);

  int64_t cum = 0;
  for (int j = lo; j < a; ++j) cum += m[j];
  double mom = 0.0;
  double bestScore = -1.0;
  int bestLevel = a;
  int64_t bestCum = n;
  for (int k = a; k <= b; ++k) {
    cum += m[k];
    if (cum == n) break;
    mom += static_cast<double>(k * m[k]) / static_cast<double>(n);
    const double d = mu - mom;
    const double s = static_cast<double>(cum) / static_cast<double>(n - cum) * (d * d);
    if (s > bestScore) {
      bestScore = s;
      bestLevel = k;
      bestCum = cum;
    }
  }

  first = box;
  first.Count = bestCum;
  first.Upper[c] = bestLevel + 1;
  second = box;
  second.Count = n - bestCum;
  second.Lower[c] = bestLevel + 1;
  if (first.Count == 0 || second.Count == 0) return false;
  RecountMarginals(first, second);
  ShrinkBounds(first);
  ShrinkBounds(second);
  ComputeStatistics(first);
  ComputeStatistics(second);
  return true;
}

void BoxSplitQuantizer::RecountMarginals(TBox& first, TBox& second) const {
  for (auto& channel : first.Marginal) std::fill(std::begin(channel), std::end(channel), 0);
  for (int r = first.Lower[chRed]; r < first.Upper[chRed]; ++r)
    for (int g = first.Lower[chGreen]; g < first.Upper[chGreen]; ++g)
      for (int b = first.Lower[chBlue]; b < first.Upper[chBlue]; ++b) {
        const int64_t v = m_histogram[CellOf(r, g, b)];
        if (v == 0) continue;
        first.Marginal[chRed][r] += v;
        first.Marginal[chGreen][g] += v;
        first.Marginal[chBlue][b] += v;
        second.Marginal[chRed][r] -= v;
        second.Marginal[chGreen][g] -= v;
        second.Marginal[chBlue][b] -= v;
      }
}

void BoxSplitQuantizer::ShrinkBounds(TBox& box) {
  for (int c = chRed; c <= chBlue; ++c) {
    const int64_t* m = box.Marginal[c];
    int lo = 0;
    while (lo < kLevels && m[lo] == 0) ++lo;
    if (lo == kLevels) continue;  // an empty box keeps its bounds
    int hi = kLevels;
    while (m[hi - 1] == 0) --hi;
    box.Lower[c] = lo;
    box.Upper[c] = hi;
  }
}

void BoxSplitQuantizer::BuildMap() {
  for (int i = 0; i < BoxCount(); ++i) {
    const TBox& box = m_boxes[i];
    for (int r = box.Lower[chRed]; r < box.Upper[chRed]; ++r)
      for (int g = box.Lower[chGreen]; g < box.Upper[chGreen]; ++g)
        for (int b = box.Lower[chBlue]; b < box.Upper[chBlue]; ++b) m_map[CellOf(r, g, b)] = static_cast<uint8_t>(i);
  }
}

int BoxSplitQuantizer::WritePalette(TRGB* colorMap, int capacity) const {
  const int count = std::min(BoxCount(), std::max(capacity, 0));
  if (!colorMap) return 0;
  for (int i = 0; i < count; ++i) {
    const TBox& box = m_boxes[i];
    colorMap[i] = TRGB{PaletteLevel(box.Mean[chBlue]), PaletteLevel(box.Mean[chGreen]), PaletteLevel(box.Mean[chRed])};
  }
  return count;
}

}  // namespace pix
