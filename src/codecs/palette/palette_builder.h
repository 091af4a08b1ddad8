#pragma once
// The palette a palette writer (PNG, TIFF) gives a TrueColor image: the
// image's own colours when they fit, the quantizer's reduction otherwise.
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/common/io_params.h"
#include "codecs/palette/quantizer.h"
#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"

namespace pix {

struct TPaletteEntry {
  TRGB Color;
  uint8_t Alpha = 255;
  bool operator==(const TPaletteEntry&) const = default;
};

class TPaletteBuilder {
public:
  // Analyses image (TrueColor; read until the builder goes away) for a palette
  // of at most maxColors entries (1..256). Without alpha (null) the entries are
  // the image's distinct colours in order of appearance when there are at most
  // maxColors of them, else TPixQuantizer's palette of maxColors. With alpha
  // (8-bit, of the image's size) the entries are colour and alpha pairs: the
  // distinct pairs when they fit, else one fully transparent entry (black) for
  // every pixel with alpha below 128 and maxColors - 1 quantized opaque
  // colours. Entries with alpha below 255 come first.
  TPaletteBuilder(const TBitmap& image, const TPixMask* alpha, int maxColors);
  ~TPaletteBuilder();
  TPaletteBuilder(const TPaletteBuilder&) = delete;
  TPaletteBuilder& operator=(const TPaletteBuilder&) = delete;

  const std::vector<TPaletteEntry>& Entries() const { return m_entries; }
  // How many leading entries have alpha below 255.
  int TranslucentCount() const { return m_translucent; }
  // True when every pixel keeps its exact colour (and alpha).
  bool Exact() const { return m_exact; }
  // The entry index of each pixel of row y (counted from the top) into out,
  // image.Width() bytes.
  void IndexRow(int32_t y, uint8_t* out);

private:
  class TColorTable;
  bool CollectExact(int maxColors);
  void Quantize(int maxColors);
  uint32_t KeyAt(const uint8_t* bgr, const uint8_t* a, int32_t x) const;

  const TBitmap& m_image;
  const TPixMask* m_alpha;
  std::vector<TPaletteEntry> m_entries;
  int m_translucent = 0;
  bool m_exact = false;
  std::unique_ptr<TColorTable> m_table;          // exact: key to entry
  std::vector<TRGB> m_quantized;
  std::unique_ptr<TPixQuantizer> m_quantizer;    // otherwise
  // Neighbouring pixels often share a colour: the last answer is kept.
  uint32_t m_lastKey = 0;
  bool m_haveLast = false;
  uint8_t m_lastIndex = 0;
};

}  // namespace pix
