#include "codecs/palette/detail/neuquant.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace pix {

namespace {

constexpr int kNetBiasShift = 4;          // colour values are scaled by 16 while learning
constexpr int kCycles = 100;              // learning cycles
constexpr int kIntBiasShift = 16;
constexpr int32_t kIntBias = 1 << kIntBiasShift;
constexpr int kGammaShift = 10;
constexpr int kBetaShift = 10;
constexpr int32_t kBeta = kIntBias >> kBetaShift;                         // winner frequency gain
constexpr int32_t kBetaGamma = kIntBias << (kGammaShift - kBetaShift);  // winner bias loss
constexpr int kRadiusBiasShift = 6;
constexpr int kRadiusDecrement = 30;
constexpr int kAlphaBiasShift = 10;
constexpr int32_t kInitialAlpha = 1 << kAlphaBiasShift;
constexpr int kRadBiasShift = 8;
constexpr int32_t kRadBias = 1 << kRadBiasShift;
constexpr int64_t kAlphaRadBias = int64_t{1} << (kAlphaBiasShift + kRadBiasShift);
constexpr int kPrimes[4] = {499, 491, 487, 503};
constexpr int kMaxSamplingFactor = 30;
constexpr int kMemoBits = 16;

// Bias arithmetic wraps like the 32-bit registers it was designed for, instead
// of overflowing into undefined behaviour on pathological inputs.
int32_t WrapAdd(int32_t a, int64_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(static_cast<uint64_t>(b)));
}

// Moves one channel towards the sample: v -= (weight * (v - sample)) / divisor,
// the division truncating toward zero.
void Pull(int32_t& v, int64_t weight, int32_t sample, int64_t divisor) {
  v -= static_cast<int32_t>((weight * (v - sample)) / divisor);
}

// The first prime that does not divide the picture length in bytes, else the last.
int StepFor(int64_t pictureBytes) {
  for (int i = 0; i < 3; ++i)
    if (pictureBytes % kPrimes[i] != 0) return kPrimes[i];
  return kPrimes[3];
}

}  // namespace

NeuQuantNetwork::NeuQuantNetwork(const TBitmap& image, int colors, int samplingFactor)
    : m_size(std::max(colors, 1)),
      m_samplingFactor(std::clamp(samplingFactor, 1, kMaxSamplingFactor)),
      m_network(m_size),
      m_bias(m_size, 0),
      m_freq(m_size, 0),
      m_radPower(m_size >> 3, 0) {
  InitialiseNetwork();
  Learn(image);
  Unbias();
  BuildGreenIndex();
}

int NeuQuantNetwork::SamplingFactorFor(int64_t pixels, int quality) {
  if (quality < 0) {
    if (pixels < 2000) return 1;
    const long double f = std::nearbyint(13.0L * static_cast<long double>(pixels - 2000) / 148000.0L + 2.0L);
    return static_cast<int>(std::clamp(f, 1.0L, static_cast<long double>(kMaxSamplingFactor)));
  }
  const int q = std::min(quality, 100);
  return static_cast<int>(std::trunc(static_cast<long double>(100 - q) / 100.0L * 29.0L)) + 1;
}

void NeuQuantNetwork::InitialiseNetwork() {
  for (int i = 0; i < m_size; ++i) {
    const int32_t v = static_cast<int32_t>((int64_t{i} << (kNetBiasShift + 8)) / m_size);
    m_network[i] = TNeuron{v, v, v, i};
    m_freq[i] = kIntBias / m_size;
    m_bias[i] = 0;
  }
}

void NeuQuantNetwork::FillRadiusPowers(int rad, int32_t alpha) {
  const int64_t rad2 = int64_t{rad} * rad;
  for (int i = 0; i < rad; ++i)
    m_radPower[i] = static_cast<int32_t>(alpha * (((rad2 - int64_t{i} * i) * kRadBias) / rad2));
}

void NeuQuantNetwork::Learn(const TBitmap& image) {
  const int64_t width = image.Width(), height = image.Height();
  const int64_t pixels = width * height;
  const int64_t samples = pixels / m_samplingFactor;
  if (samples <= 0) return;
  const int64_t delta = std::max<int64_t>(samples / kCycles, 1);
  const int32_t alphaDecrement = 30 + (m_samplingFactor - 1) / 3;
  const int64_t step = StepFor(pixels * 3);

  int32_t alpha = kInitialAlpha;
  int32_t radius = static_cast<int32_t>(m_size >> 3) << kRadiusBiasShift;
  auto radiusInUse = [&radius] {
    const int rad = radius >> kRadiusBiasShift;
    return rad <= 1 ? 0 : rad;
  };
  int rad = radiusInUse();
  FillRadiusPowers(rad, alpha);

  int64_t pos = 0;
  for (int64_t i = 1; i <= samples; ++i) {
    // Small pictures can be shorter than the step; the row wraps around the height.
    const uint8_t* p = image.ScanLine(static_cast<int32_t>((pos / width) % height)) + (pos % width) * 3;
    const int32_t b = p[0] << kNetBiasShift, g = p[1] << kNetBiasShift, r = p[2] << kNetBiasShift;
    const int winner = Contest(b, g, r);
    AlterSingle(alpha, winner, b, g, r);
    if (rad) AlterNeighbours(rad, winner, b, g, r);

    pos += step;
    if (pos >= pixels) pos -= pixels;

    if (i % delta == 0) {
      alpha -= alpha / alphaDecrement;
      radius -= radius / kRadiusDecrement;
      rad = radiusInUse();
      FillRadiusPowers(rad, alpha);
    }
  }
}

// Finds the nearest neuron, which gains frequency and loses bias, and returns
// the neuron nearest after the bias is taken off the distance: neurons that
// win often are handicapped, so rarely used ones get a chance.
int NeuQuantNetwork::Contest(int32_t b, int32_t g, int32_t r) {
  int32_t bestd = std::numeric_limits<int32_t>::max();
  int32_t bestBiasd = bestd;
  int bestPos = 0, bestBiasPos = 0;
  for (int i = 0; i < m_size; ++i) {
    const TNeuron& n = m_network[i];
    const int32_t dist = std::abs(n.b - b) + std::abs(n.g - g) + std::abs(n.r - r);
    if (dist < bestd) {
      bestd = dist;
      bestPos = i;
    }
    const int32_t biasDist = dist - (m_bias[i] >> (kIntBiasShift - kNetBiasShift));
    if (biasDist < bestBiasd) {
      bestBiasd = biasDist;
      bestBiasPos = i;
    }
    const int32_t betaFreq = m_freq[i] >> kBetaShift;
    m_freq[i] -= betaFreq;
    m_bias[i] = WrapAdd(m_bias[i], int64_t{betaFreq} << kGammaShift);
  }
  m_freq[bestPos] += kBeta;
  m_bias[bestPos] = WrapAdd(m_bias[bestPos], -int64_t{kBetaGamma});
  return bestBiasPos;
}

void NeuQuantNetwork::AlterSingle(int32_t alpha, int i, int32_t b, int32_t g, int32_t r) {
  TNeuron& n = m_network[i];
  Pull(n.b, alpha, b, kInitialAlpha);
  Pull(n.g, alpha, g, kInitialAlpha);
  Pull(n.r, alpha, r, kInitialAlpha);
}

void NeuQuantNetwork::AlterNeighbours(int rad, int i, int32_t b, int32_t g, int32_t r) {
  const int lo = std::max(i - rad, -1);
  const int hi = std::min(i + rad, m_size);
  int j = i + 1, k = i - 1, q = 0;
  while (j < hi || k > lo) {
    const int64_t a = m_radPower[++q];
    if (j < hi) {
      TNeuron& n = m_network[j++];
      Pull(n.b, a, b, kAlphaRadBias);
      Pull(n.g, a, g, kAlphaRadBias);
      Pull(n.r, a, r, kAlphaRadBias);
    }
    if (k > lo) {
      TNeuron& n = m_network[k--];
      Pull(n.b, a, b, kAlphaRadBias);
      Pull(n.g, a, g, kAlphaRadBias);
      Pull(n.r, a, r, kAlphaRadBias);
    }
  }
}

void NeuQuantNetwork::Unbias() {
  m_palette.resize(m_size);
  for (int i = 0; i < m_size; ++i) {
    TNeuron& n = m_network[i];
    // Learning keeps every value between samples, i.e. within 0..255 x 16;
    // the clamp only guarantees the green index stays inside its table.
    n.b = std::clamp(n.b / (1 << kNetBiasShift), 0, 255);
    n.g = std::clamp(n.g / (1 << kNetBiasShift), 0, 255);
    n.r = std::clamp(n.r / (1 << kNetBiasShift), 0, 255);
    n.index = i;
    m_palette[i] = TRGB{static_cast<uint8_t>(n.b), static_cast<uint8_t>(n.g), static_cast<uint8_t>(n.r)};
  }
}

// Sorts the network by green (selection sort, as published: equal greens keep
// the order the swaps leave them in) and records for each green value where
// the search starts.
void NeuQuantNetwork::BuildGreenIndex() {
  const int maxPos = m_size - 1;
  int previous = 0, start = 0;
  for (int i = 0; i < m_size; ++i) {
    int smallPos = i;
    int32_t smallVal = m_network[i].g;
    for (int j = i + 1; j < m_size; ++j)
      if (m_network[j].g < smallVal) {
        smallPos = j;
        smallVal = m_network[j].g;
      }
    if (smallPos != i) std::swap(m_network[i], m_network[smallPos]);
    if (smallVal != previous) {
      m_greenIndex[previous] = (start + i) >> 1;
      for (int j = previous + 1; j < smallVal; ++j) m_greenIndex[j] = i;
      previous = smallVal;
      start = i;
    }
  }
  m_greenIndex[previous] = (start + maxPos) >> 1;
  for (int j = previous + 1; j < 256; ++j) m_greenIndex[j] = maxPos;
}

int NeuQuantNetwork::WritePalette(TRGB* colorMap, int capacity) const {
  if (!colorMap) return 0;
  const int count = std::min(m_size, std::max(capacity, 0));
  std::copy_n(m_palette.begin(), count, colorMap);
  return count;
}

// Walks outwards from the colour's green index in the green-sorted network; a
// direction ends once the green difference alone reaches the best distance.
int NeuQuantNetwork::CachedIndexOf(const TRGB& color) {
  if (m_memo.empty()) m_memo.resize(size_t{1} << kMemoBits);
  const uint32_t key = ((uint32_t{color.r} << 16) | (uint32_t{color.g} << 8) | color.b) + 1;
  TMemo& slot = m_memo[(key * 2654435761u) >> (32 - kMemoBits)];
  if (slot.Key != key) {
    slot.Key = key;
    slot.Index = IndexOf(color);
  }
  return slot.Index;
}

int NeuQuantNetwork::IndexOf(const TRGB& color) const {
  const int b = color.b, g = color.g, r = color.r;
  int bestd = 1000;
  int best = 0;
  int i = m_greenIndex[g];
  int j = i - 1;
  auto consider = [&](const TNeuron& n, int greenDist) {
    int dist = std::abs(greenDist) + std::abs(n.b - b);
    if (dist >= bestd) return;
    dist += std::abs(n.r - r);
    if (dist < bestd) {
      bestd = dist;
      best = n.index;
    }
  };
  while (i < m_size || j >= 0) {
    if (i < m_size) {
      const TNeuron& n = m_network[i];
      const int dist = n.g - g;
      if (dist >= bestd) {
        i = m_size;
      } else {
        ++i;
        consider(n, dist);
      }
    }
    if (j >= 0) {
      const TNeuron& n = m_network[j];
      const int dist = g - n.g;
      if (dist >= bestd) {
        j = -1;
      } else {
        --j;
        consider(n, dist);
      }
    }
  }
  return best;
}

}  // namespace pix
