#pragma once
// A palette for a TrueColor image and the index of each of its pixels: the
// image's own colours when it has few enough, else the quantizer's choice.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "codecs/common/io_params.h"
#include "codecs/palette/quantizer.h"
#include "imaging/bitmap.h"

namespace pix {

class TPaletteMapper {
public:
  // Analyses image (TrueColor). With at most colors distinct colours the
  // palette holds exactly those, in the order they first appear from the top
  // row down, and every pixel keeps its colour; otherwise TPixQuantizer makes
  // it. Entries past the ones used are black.
  TPaletteMapper(const TBitmap& image, int colors);
  ~TPaletteMapper();
  TPaletteMapper(const TPaletteMapper&) = delete;
  TPaletteMapper& operator=(const TPaletteMapper&) = delete;

  // colors entries.
  const std::vector<TRGB>& Palette() const { return m_palette; }
  bool Exact() const { return !m_quantizer; }
  // Palette index of a pixel given as blue, green, red bytes.
  uint8_t IndexOf(const uint8_t* bgr) {
    const uint32_t key = static_cast<uint32_t>(bgr[0] | (bgr[1] << 8) | (bgr[2] << 16));
    if (key != m_lastKey) {
      m_lastKey = key;
      m_lastIndex = Lookup(key, bgr);
    }
    return m_lastIndex;
  }

private:
  uint8_t Lookup(uint32_t key, const uint8_t* bgr);

  std::vector<TRGB> m_palette;
  std::unordered_map<uint32_t, uint8_t> m_exact;
  std::unique_ptr<TPixQuantizer> m_quantizer;
  uint32_t m_lastKey = 0xFFFFFFFF;
  uint8_t m_lastIndex = 0;
};

}  // namespace pix
