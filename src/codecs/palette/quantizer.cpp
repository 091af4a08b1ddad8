#include "codecs/palette/quantizer.h"

#include "codecs/palette/bilevel.h"
#include "codecs/palette/detail/box_quantizer.h"
#include "codecs/palette/detail/neuquant.h"

namespace pix {

namespace {

// Box splitting below this many colours, NeuQuant from here on.
constexpr int kNeuQuantFrom = 128;
constexpr int kSelectNeuQuant = 0;
constexpr int kSelectBoxSplit = 1;

}  // namespace

class TPixQuantizer::TBoxSplit : public BoxSplitQuantizer {
public:
  using BoxSplitQuantizer::BoxSplitQuantizer;
};

class TPixQuantizer::TNeuQuant : public NeuQuantNetwork {
public:
  using NeuQuantNetwork::NeuQuantNetwork;
};

TPixQuantizer::TPixQuantizer(const TBitmap& image, TRGB* colorMap, int capacity, int colors, int quality) {
  // Both algorithms read three bytes per pixel; any other format is analysed
  // through a TrueColor copy rather than misread.
  const TBitmap* source = &image;
  TBitmap trueColor;
  if (image.PixelFormat() != TPixelFormat::TrueColor) {
    ExpandBilevel(image, trueColor);
    source = &trueColor;
  }
  if (colors < kNeuQuantFrom) {
    m_selector = kSelectBoxSplit;
    m_box = std::make_unique<TBoxSplit>(*source, colors);
    m_colorsMade = m_box->WritePalette(colorMap, capacity);
  } else {
    m_selector = kSelectNeuQuant;
    const int64_t pixels = static_cast<int64_t>(source->Width()) * source->Height();
    m_neu = std::make_unique<TNeuQuant>(*source, colors, NeuQuantNetwork::SamplingFactorFor(pixels, quality));
    m_colorsMade = m_neu->WritePalette(colorMap, capacity);
  }
}

TPixQuantizer::~TPixQuantizer() = default;

int TPixQuantizer::IndexOfColor(const TRGB& color) {
  return m_selector == kSelectBoxSplit ? m_box->IndexOf(color) : m_neu->CachedIndexOf(color);
}

}  // namespace pix
