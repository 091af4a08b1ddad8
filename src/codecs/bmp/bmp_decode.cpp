#include "codecs/bmp/detail/bmp_decode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/palette/bilevel.h"
#include "codecs/common/stream_io.h"

namespace pix::bmp {

namespace {

// Reads up to wanted bytes, never asking for more than the stream still holds,
// so a size claimed by a hostile header cannot drive the allocation.
std::vector<uint8_t> ReadBlock(TPixStream& stream, int64_t wanted) {
  const int64_t left = std::max<int64_t>(0, stream.Size() - stream.Position());
  const int64_t n = std::clamp<int64_t>(wanted, 0, left);
  std::vector<uint8_t> block(static_cast<size_t>(n));
  const int64_t got = n > 0 ? stream.Read(block.data(), n) : 0;
  block.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
  return block;
}

// Reads stored rows straight into image rows of the same layout (1 and 24
// bits). Returns the bytes that arrived, counted in stored order.
int64_t ReadStraightRows(TBmpDecodeJob& job) {
  TBitmap& image = job.Image;
  const int64_t stride = image.RowStride();
  // Bottom-up rows without a progress handler are one contiguous block in both
  // the file and the image.
  if (!job.TopDown && !job.Progress.HasHandler() && !job.Progress.Aborted())
    return std::max<int64_t>(0, job.Stream.Read(image.Bits(), image.ByteSize()));
  int64_t got = 0;
  for (int64_t k = 0; k < image.Height(); ++k) {
    if (!job.BeginRow(k)) break;
    const int64_t n = std::max<int64_t>(0, job.Stream.Read(job.Row(k), stride));
    got += n;
    if (n < stride) break;
  }
  return got;
}

// Pixels past the data that arrived are black, also after the 1-bit inversion.
void ClearUnreadRows(TBmpDecodeJob& job, int64_t got) {
  const int64_t stride = job.Image.RowStride();
  for (int64_t k = got / stride; k < job.Image.Height(); ++k) {
    const int64_t from = (k == got / stride) ? got % stride : 0;
    std::memset(job.Row(k) + from, 0, static_cast<size_t>(stride - from));
  }
}

void PutColor(uint8_t* out, const TRGB& c) {
  out[0] = c.b;
  out[1] = c.g;
  out[2] = c.r;
}

// Width of the lowest run of set bits.
int LowestRunWidth(uint32_t mask) {
  if (mask == 0) return 0;
  while ((mask & 1) == 0) mask >>= 1;
  int width = 0;
  while (mask & 1) {
    ++width;
    mask >>= 1;
  }
  return width;
}

// Right shift by a signed amount (a negative amount shifts left), kept to 8
// bits; unusual masks give shift amounts outside 0..31.
uint8_t ShiftTo8(uint32_t value, int shift) {
  if (shift >= 32 || shift <= -32) return 0;
  const uint64_t v = value;
  return static_cast<uint8_t>(shift >= 0 ? (v >> shift) : (v << -shift));
}

}  // namespace

void DecodeBilevelRows(TBmpDecodeJob& job) {
  const int64_t got = ReadStraightRows(job);
  if (got < job.Image.ByteSize()) job.NoteShortData();
  if (job.InvertBits) {
    InvertBilevel(job.Image);
    ClearUnreadRows(job, got);
  }
}

void DecodeTrueColorRows(TBmpDecodeJob& job) {
  if (ReadStraightRows(job) < job.Image.ByteSize()) job.NoteShortData();
}

void DecodeIndexedRows(TBmpDecodeJob& job) {
  TBitmap& image = job.Image;
  const int64_t rowSize = job.FileRowSize;
  const std::vector<uint8_t> block = ReadBlock(job.Stream, rowSize * image.Height());
  const int64_t blockSize = static_cast<int64_t>(block.size());
  if (blockSize < rowSize * image.Height()) job.NoteShortData();
  const int32_t width = image.Width();
  for (int64_t k = 0; k < image.Height(); ++k) {
    if (!job.BeginRow(k)) break;
    const int64_t avail = std::min(blockSize - k * rowSize, rowSize);
    if (avail <= 0) break;
    const uint8_t* in = block.data() + k * rowSize;
    uint8_t* out = job.Row(k);
    if (job.Depth == 8) {
      const int64_t n = std::min<int64_t>(width, avail);
      for (int64_t x = 0; x < n; ++x) PutColor(out + 3 * x, job.Palette[in[x]]);
    } else {
      const int64_t n = std::min<int64_t>(width, 2 * avail);
      for (int64_t x = 0; x < n; ++x) {
        const uint8_t byte = in[x >> 1];
        PutColor(out + 3 * x, job.Palette[(x & 1) ? (byte & 0x0F) : (byte >> 4)]);
      }
    }
  }
}

void DecodeRleData(TBmpDecodeJob& job) {
  const std::vector<uint8_t> block = ReadBlock(job.Stream, job.RleSize);
  TRleTarget target{job.Image, job.TopDown, job.Palette, job.Step};
  DecodeRle(block.data(), static_cast<int64_t>(block.size()), job.Depth, target, job.Progress);
}

void DecodeBitFieldRows(TBmpDecodeJob& job) {
  const uint32_t redMask = job.Masks[0], greenMask = job.Masks[1], blueMask = job.Masks[2];
  const int wr = LowestRunWidth(redMask), wg = LowestRunWidth(greenMask), wb = LowestRunWidth(blueMask);
  const int redShift = wr + wg + wb - 8;
  const int greenShift = wg + wb - 8;
  const int blueShift = -(8 - wb);
  const uint32_t blueLow = blueMask & 0xFF;

  TBitmap& image = job.Image;
  std::vector<uint8_t> row(static_cast<size_t>(job.FileRowSize));
  for (int64_t k = 0; k < image.Height(); ++k) {
    if (!job.BeginRow(k)) break;
    const int64_t got = std::max<int64_t>(0, job.Stream.Read(row.data(), job.FileRowSize));
    const int64_t n = std::min<int64_t>(image.Width(), got / 2);
    uint8_t* out = job.Row(k);
    for (int64_t x = 0; x < n; ++x) {
      const uint32_t v = GetLE16(row.data() + 2 * x);
      out[3 * x] = ShiftTo8((v & 0xFF) & blueLow, blueShift);
      out[3 * x + 1] = ShiftTo8(v & greenMask, greenShift);
      out[3 * x + 2] = ShiftTo8(v & redMask, redShift);
    }
    if (got < job.FileRowSize) {
      job.NoteShortData();
      break;
    }
  }
}

void DecodeQuadRows(TBmpDecodeJob& job) {
  TBitmap& image = job.Image;
  std::vector<uint8_t> row(static_cast<size_t>(job.FileRowSize));
  for (int64_t k = 0; k < image.Height(); ++k) {
    if (!job.BeginRow(k)) break;
    const int64_t got = std::max<int64_t>(0, job.Stream.Read(row.data(), job.FileRowSize));
    const int64_t n = std::min<int64_t>(image.Width(), got / 4);
    const uint8_t* in = row.data();
    uint8_t* out = job.Row(k);
    for (int64_t x = 0; x < n; ++x, in += 4, out += 3) std::memcpy(out, in, 3);
    if (job.Alpha) {
      uint8_t* alpha = job.AlphaRow(k);
      for (int64_t x = 0; x < n; ++x) alpha[x] = row[4 * x + 3];
    }
    if (got < job.FileRowSize) {
      job.NoteShortData();
      break;
    }
  }
}

}  // namespace pix::bmp
