#include "imaging/resample_fma.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/resample.h"
#include "platform/pix_exception.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PIX_FMA_KERNELS 1
// Only these functions use AVX2 and FMA: the translation unit itself, and
// every inline function it shares with others, stays baseline x86-64.
#define PIX_FMA_TARGET __attribute__((target("avx2,fma")))
#endif

namespace pix {

namespace {

// Source bytes as doubles, laid out lane by lane: entry (index, lane) at
// index x kLanes + lane, where index runs along the filtered axis. One
// broadcast weight then feeds a few multiply-adds on contiguous memory.
// Per thread and reused: a pass needs one band or strip at a time.
double* Scratch(size_t doubles) {
  thread_local std::vector<double> buffer;
  if (buffer.size() < doubles) {
    try {
      buffer.assign(doubles, 0.0);
    } catch (const std::bad_alloc&) {
      throw EPixOutOfMemory();
    }
  }
  return buffer.data();
}

// The reference sum of one lane, exactly as the plain engine forms it.
// lane points at the lane's value of source index lo.
double ExtendedSum(const double* lane, int64_t laneStride, int32_t lo, const int32_t* index, const double* weight,
                   int32_t count) {
  double sum = 0;
  for (int32_t k = 0; k < count; ++k)
    sum = static_cast<double>(static_cast<long double>(sum) +
                              static_cast<long double>(weight[k]) *
                                  static_cast<long double>(lane[(static_cast<int64_t>(index[k]) - lo) * laneStride]));
  return sum;
}

#ifdef PIX_FMA_KERNELS

// Bytes of kVectors x 4 lanes of one destination: clamp and round half to
// even, and where a lane's sum lies within the list's bound of a half-integer,
// the byte of the reference sum instead.
template <int kVectors>
PIX_FMA_TARGET inline void StoreBytes(const __m256d* acc, double bound, const double* buf, int32_t lo,
                                      const int32_t* index, const double* weight, int32_t count, uint8_t* out) {
  constexpr int kLanes = 4 * kVectors;
  const __m256d half = _mm256_set1_pd(0.5), limit = _mm256_set1_pd(bound);
  const __m256d zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255.0), sign = _mm256_set1_pd(-0.0);
  unsigned unsure = 0;
#pragma GCC unroll 8
  for (int v = 0; v < kVectors; ++v) {
    const __m256d s = acc[v];
    // s - nearest(s) is exact, so half minus its magnitude is the distance
    // to the closest half-integer.
    const __m256d off = _mm256_andnot_pd(sign, _mm256_sub_pd(s, _mm256_round_pd(s, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC)));
    unsure |= static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(_mm256_sub_pd(half, off), limit, _CMP_LE_OQ)))
              << (4 * v);
    // Clamping first makes the conversion (nearest, ties to even, as
    // SumToByte) land in 0..255.
    const __m128i words = _mm256_cvtpd_epi32(_mm256_min_pd(_mm256_max_pd(s, zero), top));
    const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(words, words), words);
    const int32_t four = _mm_cvtsi128_si32(bytes);
    std::memcpy(out + 4 * v, &four, 4);
  }
  while (unsure != 0) {
    const int lane = __builtin_ctz(unsure);
    unsure &= unsure - 1;
    out[lane] = SumToByte(ExtendedSum(buf + lane, kLanes, lo, index, weight, count));
  }
}

// Destinations first .. first + kDest - 1 of a band or strip: kDest x
// kVectors independent chains of fused multiply-adds, each in list order.
// buf holds the source from index lo on.
template <int kVectors, int kDest>
PIX_FMA_TARGET inline void FilterGroup(const double* buf, int32_t lo, const TTapLists& taps, int32_t first,
                                       uint8_t* out) {
  constexpr int kLanes = 4 * kVectors;
  __m256d acc[kDest][kVectors];
  const int32_t* index[kDest];
  const double* weight[kDest];
  int32_t count[kDest];
  int32_t common = 0;
#pragma GCC unroll 8
  for (int d = 0; d < kDest; ++d) {
#pragma GCC unroll 8
    for (int v = 0; v < kVectors; ++v) acc[d][v] = _mm256_setzero_pd();
    index[d] = taps.Index(first + d);
    weight[d] = taps.Weight(first + d);
    count[d] = taps.Count(first + d);
    common = d == 0 ? count[d] : std::min(common, count[d]);
  }
  for (int32_t k = 0; k < common; ++k) {
#pragma GCC unroll 8
    for (int d = 0; d < kDest; ++d) {
      const __m256d w = _mm256_broadcast_sd(weight[d] + k);
      const double* p = buf + (static_cast<int64_t>(index[d][k]) - lo) * kLanes;
#pragma GCC unroll 8
      for (int v = 0; v < kVectors; ++v) acc[d][v] = _mm256_fmadd_pd(w, _mm256_loadu_pd(p + 4 * v), acc[d][v]);
    }
  }
#pragma GCC unroll 8
  for (int d = 0; d < kDest; ++d) {
    for (int32_t k = common; k < count[d]; ++k) {
      const __m256d w = _mm256_broadcast_sd(weight[d] + k);
      const double* p = buf + (static_cast<int64_t>(index[d][k]) - lo) * kLanes;
#pragma GCC unroll 8
      for (int v = 0; v < kVectors; ++v) acc[d][v] = _mm256_fmadd_pd(w, _mm256_loadu_pd(p + 4 * v), acc[d][v]);
    }
    StoreBytes<kVectors>(acc[d], taps.Bound(first + d), buf, lo, index[d], weight[d], count[d], out + d * kLanes);
  }
}

// Destinations first .. last - 1 of the band or strip in buf (from source
// index lo on) into out (kLanes bytes each, from destination first on).
template <int kVectors, int kDest>
PIX_FMA_TARGET void FilterRange(const double* buf, int32_t lo, const TTapLists& taps, int32_t first, int32_t last,
                                uint8_t* out) {
  constexpr int kLanes = 4 * kVectors;
  int32_t i = first;
  for (; i + kDest <= last; i += kDest)
    FilterGroup<kVectors, kDest>(buf, lo, taps, i, out + static_cast<int64_t>(i - first) * kLanes);
  for (; i < last; ++i) FilterGroup<kVectors, 1>(buf, lo, taps, i, out + static_cast<int64_t>(i - first) * kLanes);
}

// Four bytes to four doubles.
PIX_FMA_TARGET inline __m256d Widen4(const uint8_t* p) {
  int32_t four;
  std::memcpy(&four, p, 4);
  return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
}

// Rows y0 .. y0 + 3 (those below rows zero) of a 3-channel image: lane
// 3 r + c of pixel x holds channel c of row y0 + r.
PIX_FMA_TARGET void LoadBand3(const TRows<const uint8_t>& src, int32_t y0, int rows, double* buf) {
  const int32_t w = src.Width;
  const uint8_t* row[4] = {};
  for (int r = 0; r < rows; ++r) row[r] = src.Row(y0 + r);
  int32_t x = 0;
  if (rows == 4) {
    const uint8_t *r0 = row[0], *r1 = row[1], *r2 = row[2], *r3 = row[3];
    for (; x + 1 < w; ++x) {
      double* q = buf + static_cast<int64_t>(x) * 12;
      const int64_t b = 3 * static_cast<int64_t>(x);
      _mm256_storeu_pd(q, Widen4(r0 + b));
      _mm256_storeu_pd(q + 3, Widen4(r1 + b));
      _mm256_storeu_pd(q + 6, Widen4(r2 + b));
      _mm256_storeu_pd(q + 9, Widen4(r3 + b));
    }
  }
  for (; x < w; ++x) {
    double* q = buf + static_cast<int64_t>(x) * 12;
    for (int r = 0; r < 4; ++r) {
      // Each store writes a fourth double into the next slot, which the next
      // store (or the next pixel's first) overwrites; buf has room past the
      // last pixel. The last pixel's bytes are read one by one: a four-byte
      // read could leave the pixel block.
      if (r >= rows) {
        _mm256_storeu_pd(q + 3 * r, _mm256_setzero_pd());
      } else if (x + 1 < w) {
        _mm256_storeu_pd(q + 3 * r, Widen4(row[r] + 3 * static_cast<int64_t>(x)));
      } else {
        const uint8_t* p = row[r] + 3 * static_cast<int64_t>(x);
        q[3 * r] = p[0];
        q[3 * r + 1] = p[1];
        q[3 * r + 2] = p[2];
      }
    }
  }
}

// Rows y0 .. y0 + 15 (those below rows zero) of a 1-channel plane: lane r of
// pixel x holds row y0 + r.
void LoadBand1(const TRows<const uint8_t>& src, int32_t y0, int rows, double* buf) {
  const int32_t w = src.Width;
  for (int r = 0; r < 16; ++r) {
    const uint8_t* in = r < rows ? src.Row(y0 + r) : nullptr;
    for (int32_t x = 0; x < w; ++x) buf[static_cast<int64_t>(x) * 16 + r] = in ? in[x] : 0.0;
  }
}

// Bytes b0 .. b0 + 16 strips - 1 of rows lo .. hi, strip s into its own part
// of buf (part doubles from buf + s x part): lane l of row y at (y - lo) x 16
// + l holds byte b0 + 16 s + l of row y; bytes at or past rowBytes read as
// zero. Taking a whole cache line of each row at once, with the rows ahead
// prefetched, keeps this walk down the picture from waiting on memory for
// every row.
PIX_FMA_TARGET void LoadStrips(const TRows<const uint8_t>& src, int32_t lo, int32_t hi, int64_t b0, int64_t rowBytes,
                               int strips, int64_t part, double* buf) {
  // A row takes a few dozen cycles here, a line from memory a few hundred.
  constexpr int32_t kAhead = 24;
  const int64_t last = std::min<int64_t>(16 * strips, rowBytes - b0) - 1;
  for (int32_t y = lo; y <= hi; ++y) {
    if (y + kAhead <= hi) {
      // The bytes may straddle two lines.
      const char* ahead = reinterpret_cast<const char*>(src.Row(y + kAhead) + b0);
      _mm_prefetch(ahead, _MM_HINT_T0);
      _mm_prefetch(ahead + last, _MM_HINT_T0);
    }
    const uint8_t* row = src.Row(y);
    for (int s = 0; s < strips; ++s) {
      const int64_t b = b0 + 16 * s;
      const uint8_t* p = row + b;
      double* q = buf + s * part + static_cast<int64_t>(y - lo) * 16;
      if (b + 16 <= rowBytes) {
        _mm256_storeu_pd(q, Widen4(p));
        _mm256_storeu_pd(q + 4, Widen4(p + 4));
        _mm256_storeu_pd(q + 8, Widen4(p + 8));
        _mm256_storeu_pd(q + 12, Widen4(p + 12));
      } else {
        for (int64_t l = 0; l < 16; ++l) q[l] = b + l < rowBytes ? p[l] : 0.0;
      }
    }
  }
}

std::vector<uint8_t>& OutScratch(size_t bytes) {
  thread_local std::vector<uint8_t> out;
  if (out.size() < bytes) {
    try {
      out.resize(bytes);
    } catch (const std::bad_alloc&) {
      throw EPixOutOfMemory();
    }
  }
  return out;
}

#endif  // PIX_FMA_KERNELS

}  // namespace

bool FmaKernelsAvailable() {
#ifdef PIX_FMA_KERNELS
  static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return available;
#else
  return false;
#endif
}

void FmaResampleRows(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels, const TTapLists& taps,
                     int32_t y0, int32_t y1) {
#ifdef PIX_FMA_KERNELS
  const int band = channels == 3 ? 4 : 16;
  const int64_t lanes = channels == 3 ? 12 : 16;
  double* buf = Scratch(static_cast<size_t>(src.Width * lanes + 4));
  uint8_t* out = OutScratch(static_cast<size_t>(dst.Width * lanes)).data();
  for (int32_t y = y0; y < y1; y += band) {
    const int rows = std::min(band, y1 - y);
    if (channels == 3) {
      LoadBand3(src, y, rows, buf);
      FilterRange<3, 3>(buf, 0, taps, 0, taps.Size(), out);
    } else {
      LoadBand1(src, y, rows, buf);
      FilterRange<4, 2>(buf, 0, taps, 0, taps.Size(), out);
    }
    for (int r = 0; r < rows; ++r) {
      uint8_t* row = dst.Row(y + r);
      for (int32_t i = 0; i < dst.Width; ++i)
        for (int c = 0; c < channels; ++c)
          row[static_cast<int64_t>(i) * channels + c] = out[i * lanes + r * channels + c];
    }
  }
#else
  (void)src, (void)dst, (void)channels, (void)taps, (void)y0, (void)y1;
#endif
}

void FmaResampleColumns(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels,
                        const TTapLists& taps, int32_t x0, int32_t x1) {
#ifdef PIX_FMA_KERNELS
  const int64_t rowBytes = static_cast<int64_t>(src.Width) * channels;
  const int64_t end = static_cast<int64_t>(x1) * channels;
  // Destination rows go in blocks whose source rows, as doubles, stay in the
  // second-level cache while every tap reads them.
  constexpr int32_t kBlock = 32;
  const int32_t blocks = (dst.Height + kBlock - 1) / kBlock;
  int64_t part = 0;
  for (int32_t k = 0; k < blocks; ++k) {
    const auto [lo, hi] = taps.Span(k * kBlock, std::min(dst.Height, (k + 1) * kBlock));
    part = std::max<int64_t>(part, (static_cast<int64_t>(hi) - lo + 1) * 16);
  }
  double* buf = Scratch(static_cast<size_t>(part) * 4);
  uint8_t* out = OutScratch(static_cast<size_t>(dst.Height) * 16 * 4).data();
  const int64_t outPart = static_cast<int64_t>(dst.Height) * 16;
  for (int64_t b0 = static_cast<int64_t>(x0) * channels; b0 < end; b0 += 64) {
    const int64_t span = std::min<int64_t>(64, end - b0);
    const int strips = static_cast<int>((span + 15) / 16);
    for (int32_t k = 0; k < blocks; ++k) {
      const int32_t first = k * kBlock, last = std::min(dst.Height, first + kBlock);
      const auto [lo, hi] = taps.Span(first, last);
      if (lo <= hi) LoadStrips(src, lo, hi, b0, rowBytes, strips, part, buf);
      for (int s = 0; s < strips; ++s)
        FilterRange<4, 2>(buf + s * part, lo, taps, first, last, out + s * outPart + static_cast<int64_t>(first) * 16);
    }
    for (int s = 0; s < strips; ++s) {
      const int64_t b = b0 + 16 * s;
      const auto lanes = static_cast<size_t>(std::min<int64_t>(16, end - b));
      for (int32_t j = 0; j < dst.Height; ++j)
        std::memcpy(dst.Row(j) + b, out + s * outPart + static_cast<int64_t>(j) * 16, lanes);
    }
  }
#else
  (void)src, (void)dst, (void)channels, (void)taps, (void)x0, (void)x1;
#endif
}

}  // namespace pix
