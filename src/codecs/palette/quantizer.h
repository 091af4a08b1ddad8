#pragma once
// Reduces a TrueColor image to a palette of at most N colours: box splitting
// below 128 colours, NeuQuant from 128 on.
#include <cstdint>
#include <memory>

#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "codecs/common/io_params.h"

namespace pix {

class TPixQuantizer : public TPixObject {
public:
  // Analyses image (TrueColor) and writes the palette into colorMap (capacity
  // entries): N entries for NeuQuant, one per box made for box splitting.
  // quality -1 = automatic sampling.
  TPixQuantizer(const TBitmap& image, TRGB* colorMap, int capacity, int colors, int quality = -1);
  ~TPixQuantizer() override;
  TPixQuantizer(const TPixQuantizer&) = delete;
  TPixQuantizer& operator=(const TPixQuantizer&) = delete;

  // Palette index 0..N-1 for a colour.
  int IndexOfColor(const TRGB& color);
  // Entries written into the colour map.
  int ColorsMade() const { return m_colorsMade; }

private:
  class TBoxSplit;
  class TNeuQuant;
  int m_selector = 0;  // 0 NeuQuant, 1 box splitting
  std::unique_ptr<TBoxSplit> m_box;
  std::unique_ptr<TNeuQuant> m_neu;
  int m_colorsMade = 0;
};

}  // namespace pix
