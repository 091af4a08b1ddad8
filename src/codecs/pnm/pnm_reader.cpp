// ReadPnmStream: header, size checks, then the raw or plain raster row by row.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "codecs/common/image_limits.h"
#include "codecs/pnm/detail/pnm_header.h"
#include "codecs/pnm/pnm_codec.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using namespace pnm;

// Samples 0..maxval to 8 bits: v x 255 / maxval rounded half up, exact for
// maxval 255.
std::vector<uint8_t> ScaleTable(uint32_t maxVal) {
  std::vector<uint8_t> table(static_cast<size_t>(maxVal) + 1);
  for (uint64_t v = 0; v <= maxVal; ++v) table[v] = static_cast<uint8_t>((2 * v * 255 + maxVal) / (2 * uint64_t{maxVal}));
  return table;
}

// The fewest bytes the raster can take: raw rasters exactly their size; plain
// ones a character per PBM pixel, or a digit and a separator per sample.
int64_t MinRasterBytes(const TPnmHeader& h) {
  if (h.Bits) return h.Plain ? h.Width * h.Height : (h.Width + 7) / 8 * h.Height;
  const int64_t samples = h.Width * h.Height * h.Depth;
  return h.Plain ? 2 * samples - 1 : samples * h.SampleBytes();
}

class TRasterReader {
public:
  TRasterReader(TBufferedReader& reader, const TPnmHeader& h, TBitmap& image, TPixMask* alpha,
                TProgressRecord& progress)
      : m_reader(reader), m_h(h), m_image(image), m_alpha(alpha), m_progress(progress) {
    if (!h.Bits) m_scale = ScaleTable(h.MaxVal);
  }

  void Run() {
    const int32_t height = m_image.Height();
    if (!m_h.Bits && !UnscaledBytes())
      m_samples.resize(static_cast<size_t>(m_image.Width()) * static_cast<size_t>(m_h.Depth));
    if (!m_h.Plain) m_raw.resize(static_cast<size_t>(RawRowBytes()));
    for (int32_t y = 0; y < height; ++y) {
      m_progress.ReportStep(y, height);
      if (m_progress.Aborted()) return;
      const bool whole = m_h.Bits ? ReadBitRow(m_image.ScanLine(y)) : ReadSampleRow(y);
      if (!whole) return;
    }
  }

private:
  int64_t RawRowBytes() const {
    return m_h.Bits ? (m_h.Width + 7) / 8 : m_h.Width * m_h.Depth * m_h.SampleBytes();
  }

  // The rest of the picture stays black; the load goes on as damaged.
  void Damaged(TFailureReason why) { m_progress.NoteDamage(why); }

  // PBM: 1 is black, the image's set bits are white.
  bool ReadBitRow(uint8_t* out) {
    const int64_t bytes = (m_h.Width + 7) / 8;
    bool whole = true;
    if (m_h.Plain) {
      std::memset(out, 0, static_cast<size_t>(bytes));
      for (int64_t x = 0; x < m_h.Width; ++x) {
        const int c = SkipSpaceAndComments(m_reader);
        if (c != '0' && c != '1') {
          Damaged(c < 0 ? frTruncated : frCorruptData);
          whole = false;
          break;
        }
        uint8_t taken = 0;
        m_reader.Next(taken);
        if (c == '0') out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    } else {
      const int64_t got = m_reader.Read(out, bytes);
      if (got < bytes) {
        std::memset(out + got, 0xFF, static_cast<size_t>(bytes - got));
        Damaged(frTruncated);
        whole = false;
      }
      for (int64_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(~out[i]);
    }
    // Bits past the width are padding: cleared, so equal pictures hold equal bytes.
    if (m_h.Width % 8) out[bytes - 1] &= static_cast<uint8_t>(0xFF00 >> (m_h.Width % 8));
    return whole;
  }

  // One decimal sample of a plain raster; false (and the damage noted) when
  // the data ends or holds something else.
  bool ReadPlainSample(uint32_t& value) {
    const int c = SkipSpaceAndComments(m_reader);
    if (c < '0' || c > '9') {
      Damaged(c < 0 ? frTruncated : frCorruptData);
      return false;
    }
    uint64_t v = 0;
    uint8_t digit = 0;
    for (int d = m_reader.Peek(); d >= '0' && d <= '9'; d = m_reader.Peek()) {
      m_reader.Next(digit);
      v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(digit - '0'), std::numeric_limits<uint32_t>::max());
    }
    value = static_cast<uint32_t>(v);
    return true;
  }

  // Fills m_samples with the row's samples; returns how many arrived.
  size_t ReadSamples() {
    const size_t count = m_samples.size();
    if (m_h.Plain) {
      for (size_t i = 0; i < count; ++i)
        if (!ReadPlainSample(m_samples[i])) return i;
      return count;
    }
    const int64_t got = m_reader.Read(m_raw.data(), static_cast<int64_t>(m_raw.size()));
    if (got < static_cast<int64_t>(m_raw.size())) Damaged(frTruncated);
    const size_t arrived = static_cast<size_t>(got) / static_cast<size_t>(m_h.SampleBytes());
    if (m_h.SampleBytes() == 1) {
      std::copy(m_raw.begin(), m_raw.begin() + static_cast<std::ptrdiff_t>(arrived), m_samples.begin());
    } else {
      for (size_t i = 0; i < arrived; ++i) m_samples[i] = static_cast<uint32_t>(m_raw[2 * i] << 8 | m_raw[2 * i + 1]);
    }
    return arrived;
  }

  uint8_t Scaled(uint32_t v) {
    if (v > m_h.MaxVal) {
      Damaged(frCorruptData);
      v = m_h.MaxVal;
    }
    return m_scale[v];
  }

  // Raw 8-bit gray and RGB at maxval 255, the common case, need no scaling.
  bool UnscaledBytes() const { return !m_h.Plain && m_h.MaxVal == 255 && !m_h.Alpha; }
  bool ReadUnscaledRow(int32_t y) {
    const int64_t want = static_cast<int64_t>(m_raw.size());
    const int64_t got = m_reader.Read(m_raw.data(), want);
    if (got < want) Damaged(frTruncated);
    uint8_t* out = m_image.ScanLine(y);
    const uint8_t* in = m_raw.data();
    if (m_h.Depth == 3) {
      for (int64_t x = 0, n = got / 3; x < n; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    } else {
      for (int64_t x = 0; x < got; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
    }
    return got == want;
  }

  bool ReadSampleRow(int32_t y) {
    if (UnscaledBytes()) return ReadUnscaledRow(y);
    const size_t arrived = ReadSamples();
    const int depth = m_h.Depth;
    const int64_t pixels = static_cast<int64_t>(arrived) / depth;
    uint8_t* out = m_image.ScanLine(y);
    uint8_t* alpha = m_h.Alpha && m_alpha ? m_alpha->ScanLine(y) : nullptr;
    const uint32_t* in = m_samples.data();
    for (int64_t x = 0; x < pixels; ++x, in += depth, out += 3) {
      if (m_h.Color()) {
        out[0] = Scaled(in[2]);
        out[1] = Scaled(in[1]);
        out[2] = Scaled(in[0]);
      } else {
        out[0] = out[1] = out[2] = Scaled(in[0]);
      }
      if (alpha) alpha[x] = Scaled(in[depth - 1]);
    }
    return arrived == m_samples.size();
  }

  TBufferedReader& m_reader;
  const TPnmHeader& m_h;
  TBitmap& m_image;
  TPixMask* m_alpha;
  TProgressRecord& m_progress;
  std::vector<uint8_t> m_scale;
  std::vector<uint32_t> m_samples;
  std::vector<uint8_t> m_raw;
};

void FillParams(const TPnmHeader& h, TIOParams& params) {
  params.Width = static_cast<int32_t>(std::min<int64_t>(h.Width, std::numeric_limits<int32_t>::max()));
  params.Height = static_cast<int32_t>(std::min<int64_t>(h.Height, std::numeric_limits<int32_t>::max()));
  params.BitsPerSample = h.Bits ? 1 : 8;
  params.SamplesPerPixel = h.Color() ? 3 : 1;
  const TResolution res = DefaultResolution();
  params.DpiX = res.DpiX;
  params.DpiY = res.DpiY;
  params.FreeColorMap();
}

}  // namespace

void ReadPnmStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                   TProgressRecord& progress) {
  const int64_t available = BytesLeft(stream);
  TBufferedReader reader(stream, available);
  TPnmHeader h;
  if (const TFailureReason fault = ReadPnmHeader(reader, h); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  FillParams(h, params);
  const TPixelFormat format = h.Bits ? TPixelFormat::Bilevel : TPixelFormat::TrueColor;
  if (const TFailureReason fault = ImageSizeFault(h.Width, h.Height, format); fault != frNone) {
    progress.Abort(fault);
    return;
  }
  if (paramsOnly) return;
  // Nothing is allocated for a raster the file cannot hold.
  if (available - reader.Consumed() < MinRasterBytes(h)) {
    progress.Abort(frTruncated);
    return;
  }
  const auto width = static_cast<int32_t>(h.Width);
  const auto height = static_cast<int32_t>(h.Height);
  image.Allocate(width, height, format);
  if (h.Alpha && alpha)
    alpha->Allocate(width, height, 8);
  else
    MakeOpaqueAlpha(alpha, width, height);
  TRasterReader(reader, h, image, alpha, progress).Run();
}

}  // namespace pix
