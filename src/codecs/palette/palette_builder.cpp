#include "codecs/palette/palette_builder.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace pix {

// Open addressing over at most 256 keys: a key is blue, green, red and alpha
// in one word, so counting distinct colours costs one probe per pixel.
class TPaletteBuilder::TColorTable {
public:
  static constexpr int kSlots = 1024;  // a power of two, four times the most keys kept

  // The entry of key, or -1 when absent.
  int Find(uint32_t key) const {
    for (uint32_t i = Hash(key);; i = (i + 1) & (kSlots - 1)) {
      if (m_index[i] < 0) return -1;
      if (m_keys[i] == key) return m_index[i];
    }
  }
  void Insert(uint32_t key, int index) {
    uint32_t i = Hash(key);
    while (m_index[i] >= 0) i = (i + 1) & (kSlots - 1);
    m_keys[i] = key;
    m_index[i] = static_cast<int16_t>(index);
  }
  // Gives every stored entry index its new value.
  void Renumber(const std::vector<int>& newIndexOf) {
    for (int16_t& v : m_index)
      if (v >= 0) v = static_cast<int16_t>(newIndexOf[static_cast<size_t>(v)]);
  }

private:
  static uint32_t Hash(uint32_t key) { return (key * 2654435761u) >> 22; }
  std::array<uint32_t, kSlots> m_keys{};
  std::array<int16_t, kSlots> m_index = [] {
    std::array<int16_t, kSlots> a{};
    a.fill(-1);
    return a;
  }();
};

namespace {

constexpr uint8_t kOpaque = 255;
// Alpha below this makes a pixel transparent when the pairs do not fit.
constexpr uint8_t kTransparentBelow = 128;

TPaletteEntry EntryOf(uint32_t key) {
  return TPaletteEntry{TRGB{static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key >> 16)},
                       static_cast<uint8_t>(key >> 24)};
}

}  // namespace

TPaletteBuilder::TPaletteBuilder(const TBitmap& image, const TPixMask* alpha, int maxColors)
    : m_image(image), m_alpha(alpha) {
  maxColors = std::clamp(maxColors, 1, 256);
  if (m_alpha && (m_alpha->BitsPerPixel() != 8 || m_alpha->Width() != image.Width() ||
                  m_alpha->Height() != image.Height()))
    m_alpha = nullptr;
  m_exact = CollectExact(maxColors);
  if (!m_exact) Quantize(maxColors);
}

TPaletteBuilder::~TPaletteBuilder() = default;

uint32_t TPaletteBuilder::KeyAt(const uint8_t* bgr, const uint8_t* a, int32_t x) const {
  const uint8_t* p = bgr + 3 * static_cast<int64_t>(x);
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(a ? a[x] : kOpaque) << 24);
}

bool TPaletteBuilder::CollectExact(int maxColors) {
  auto table = std::make_unique<TColorTable>();
  std::vector<uint32_t> keys;
  uint32_t last = 0;
  bool haveLast = false;
  for (int32_t y = 0; y < m_image.Height(); ++y) {
    const uint8_t* row = m_image.ScanLine(y);
    const uint8_t* a = m_alpha ? m_alpha->ScanLine(y) : nullptr;
    for (int32_t x = 0; x < m_image.Width(); ++x) {
      const uint32_t key = KeyAt(row, a, x);
      if ((haveLast && key == last) || table->Find(key) >= 0) {
        last = key;
        haveLast = true;
        continue;
      }
      if (static_cast<int>(keys.size()) == maxColors) return false;
      table->Insert(key, static_cast<int>(keys.size()));
      keys.push_back(key);
      last = key;
      haveLast = true;
    }
  }
  // Translucent entries first (a PNG transparency table then stops early);
  // the order of appearance is kept within each group.
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_partition(order.begin(), order.end(), [&](int i) { return (keys[static_cast<size_t>(i)] >> 24) != kOpaque; });
  std::vector<int> newIndexOf(keys.size());
  for (size_t n = 0; n < order.size(); ++n) {
    newIndexOf[static_cast<size_t>(order[n])] = static_cast<int>(n);
    m_entries.push_back(EntryOf(keys[static_cast<size_t>(order[n])]));
    if (m_entries.back().Alpha != kOpaque) ++m_translucent;
  }
  table->Renumber(newIndexOf);
  m_table = std::move(table);
  return true;
}

void TPaletteBuilder::Quantize(int maxColors) {
  m_entries.clear();
  m_translucent = 0;
  const int opaqueColors = m_alpha ? std::max(1, maxColors - 1) : maxColors;
  m_quantized.assign(256, TRGB{});
  m_quantizer = std::make_unique<TPixQuantizer>(m_image, m_quantized.data(), 256, opaqueColors, -1);
  if (m_alpha && maxColors > 1) {
    m_entries.push_back(TPaletteEntry{TRGB{}, 0});
    m_translucent = 1;
  }
  // Entries the quantizer did not make stay black; no pixel maps to them.
  for (int i = 0; i < opaqueColors; ++i) m_entries.push_back(TPaletteEntry{m_quantized[static_cast<size_t>(i)], kOpaque});
}

void TPaletteBuilder::IndexRow(int32_t y, uint8_t* out) {
  const uint8_t* row = m_image.ScanLine(y);
  const uint8_t* a = m_alpha ? m_alpha->ScanLine(y) : nullptr;
  const int32_t width = m_image.Width();
  if (m_exact) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t key = KeyAt(row, a, x);
      if (!m_haveLast || key != m_lastKey) {
        m_lastKey = key;
        m_haveLast = true;
        m_lastIndex = static_cast<uint8_t>(m_table->Find(key));
      }
      out[x] = m_lastIndex;
    }
    return;
  }
  const uint8_t base = static_cast<uint8_t>(m_translucent);
  for (int32_t x = 0; x < width; ++x) {
    if (m_translucent && a[x] < kTransparentBelow) {
      out[x] = 0;
      continue;
    }
    const uint32_t key = KeyAt(row, nullptr, x);
    if (!m_haveLast || key != m_lastKey) {
      m_lastKey = key;
      m_haveLast = true;
      m_lastIndex = static_cast<uint8_t>(base + m_quantizer->IndexOfColor(EntryOf(key).Color));
    }
    out[x] = m_lastIndex;
  }
}

}  // namespace pix
