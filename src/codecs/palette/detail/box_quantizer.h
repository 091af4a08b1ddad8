#pragma once
// Variance-driven box splitting of a 5-bit-per-channel colour histogram: the
// quantizer for palettes of fewer than 128 colours.
#include <array>
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"

namespace pix {

class BoxSplitQuantizer {
public:
  // Analyses a TrueColor image (one pass over the pixels, then work on the
  // histogram only) and splits it into at most `colors` boxes, at least one.
  BoxSplitQuantizer(const TBitmap& image, int colors);

  int BoxCount() const { return static_cast<int>(m_boxes.size()); }
  // Writes one entry per box (at most capacity); returns how many were written.
  int WritePalette(TRGB* colorMap, int capacity) const;
  // Box of the colour's histogram cell; 0 for a cell that lies in no box.
  int IndexOf(const TRGB& color) const { return m_map[CellOf(color.r >> 3, color.g >> 3, color.b >> 3)]; }

private:
  static constexpr int kLevels = 32;
  enum TChannel { chRed, chGreen, chBlue };

  struct TBox {
    double Variance = 0.0;  // 0 marks a box that is never split again
    double Mean[3] = {};
    int64_t Count = 0;
    int64_t Marginal[3][kLevels] = {};
    int Lower[3] = {0, 0, 0};                 // inclusive
    int Upper[3] = {kLevels, kLevels, kLevels};  // exclusive
  };

  static int CellOf(int r5, int g5, int b5) { return (r5 << 10) | (g5 << 5) | b5; }

  void BuildHistogram(const TBitmap& image, TBox& box);
  void ComputeStatistics(TBox& box) const;
  void SplitBoxes(int colors);
  bool SplitBox(const TBox& box, TBox& first, TBox& second) const;
  bool AttemptSplit(const TBox& box, TChannel c, TBox& first, TBox& second) const;
  void RecountMarginals(TBox& first, TBox& second) const;
  static void ShrinkBounds(TBox& box);
  void BuildMap();

  std::vector<int64_t> m_histogram;
  std::vector<TBox> m_boxes;
  std::vector<uint8_t> m_map;
  int64_t m_total = 0;
};

}  // namespace pix
