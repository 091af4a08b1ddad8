#pragma once
// The NeuQuant neural-network colour quantizer (Dekker, 1994) with a network of
// N neurons: the quantizer for palettes of 128 colours and more.
#include <array>
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"

namespace pix {

class NeuQuantNetwork {
public:
  // Learns an N-colour network (colors >= 1) from a TrueColor image with the
  // given sampling factor (1 = every pixel; clamped to 1..30).
  NeuQuantNetwork(const TBitmap& image, int colors, int samplingFactor);

  // Sampling factor for a picture of `pixels` pixels: quality -1 (or any
  // negative) chooses by size, 0..100 by quality (higher is finer).
  static int SamplingFactorFor(int64_t pixels, int quality);

  int NetworkSize() const { return m_size; }
  // Writes the learned colours in network order (at most capacity); returns the count.
  int WritePalette(TRGB* colorMap, int capacity) const;
  // Original number of the neuron nearest to the colour.
  int IndexOf(const TRGB& color) const;
  // IndexOf with the answers of recent colours remembered; same results.
  int CachedIndexOf(const TRGB& color);

private:
  struct TNeuron {
    int32_t b, g, r;  // scaled by 16 while learning
    int32_t index;    // position in network order
  };

  void InitialiseNetwork();
  void Learn(const TBitmap& image);
  int Contest(int32_t b, int32_t g, int32_t r);
  void AlterSingle(int32_t alpha, int i, int32_t b, int32_t g, int32_t r);
  void AlterNeighbours(int rad, int i, int32_t b, int32_t g, int32_t r);
  void FillRadiusPowers(int rad, int32_t alpha);
  void Unbias();
  void BuildGreenIndex();

  int m_size;
  int m_samplingFactor;
  std::vector<TNeuron> m_network;
  std::vector<int32_t> m_bias;
  std::vector<int32_t> m_freq;
  std::vector<int32_t> m_radPower;
  std::vector<TRGB> m_palette;  // network order, before sorting by green
  std::array<int, 256> m_greenIndex{};
  // Direct-mapped memo of IndexOf: photos repeat colours, and a search walks
  // many neurons. Each slot holds colour + 1 (0 = empty) and the answer.
  struct TMemo {
    uint32_t Key = 0;
    int32_t Index = 0;
  };
  std::vector<TMemo> m_memo;
};

}  // namespace pix
