#include "codecs/palette/palette_mapper.h"

#include <algorithm>

namespace pix {

TPaletteMapper::TPaletteMapper(const TBitmap& image, int colors) : m_palette(static_cast<size_t>(colors)) {
  // Collects distinct colours until there are more than the palette holds.
  bool fits = true;
  uint32_t last = 0xFFFFFFFF;
  for (int32_t y = 0; y < image.Height() && fits; ++y) {
    const uint8_t* p = image.ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x, p += 3) {
      const uint32_t key = static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
      if (key == last || m_exact.count(key)) {
        last = key;
        continue;
      }
      if (static_cast<int>(m_exact.size()) == colors) {
        fits = false;
        break;
      }
      m_palette[m_exact.size()] = TRGB{p[0], p[1], p[2]};
      m_exact.emplace(key, static_cast<uint8_t>(m_exact.size()));
      last = key;
    }
  }
  if (fits) return;
  m_exact.clear();
  std::fill(m_palette.begin(), m_palette.end(), TRGB{});
  m_quantizer = std::make_unique<TPixQuantizer>(image, m_palette.data(), colors, colors, -1);
}

TPaletteMapper::~TPaletteMapper() = default;

uint8_t TPaletteMapper::Lookup(uint32_t key, const uint8_t* bgr) {
  if (m_quantizer) return static_cast<uint8_t>(m_quantizer->IndexOfColor(TRGB{bgr[0], bgr[1], bgr[2]}));
  const auto it = m_exact.find(key);
  return it == m_exact.end() ? 0 : it->second;
}

}  // namespace pix
