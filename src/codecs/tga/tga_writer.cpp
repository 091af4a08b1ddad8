// WriteTgaStream: header, image ID, rows bottom-up (RLE per row), extension
// area and TGA 2.0 footer.
#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/common/stream_io.h"
#include "codecs/palette/bilevel.h"
#include "codecs/tga/detail/tga_format.h"
#include "codecs/tga/tga_codec.h"
#include "imaging/grayscale.h"

namespace pix {

namespace {

using namespace tga;

constexpr int kMaxSide = 65535;
constexpr int kMaxPacket = 128;
constexpr int kMaxIdLength = 255;

// One row of count pixels of bytes each as RLE packets that stay in the row.
void EncodeRow(const uint8_t* row, int64_t count, int bytes, TBufferedWriter& out) {
  auto same = [row, bytes](int64_t a, int64_t b) {
    return std::memcmp(row + a * bytes, row + b * bytes, static_cast<size_t>(bytes)) == 0;
  };
  for (int64_t i = 0; i < count;) {
    int64_t run = 1;
    while (i + run < count && run < kMaxPacket && same(i, i + run)) ++run;
    if (run >= 2) {
      out.Put(static_cast<uint8_t>(0x80 | (run - 1)));
      out.Write(row + i * bytes, bytes);
      i += run;
      continue;
    }
    // A raw packet ends where the next run of two starts.
    int64_t j = i + 1;
    while (j < count && j - i < kMaxPacket && !(j + 1 < count && same(j, j + 1))) ++j;
    out.Put(static_cast<uint8_t>(j - i - 1));
    out.Write(row + i * bytes, (j - i) * bytes);
    i = j;
  }
}

// Stored pixels of image row y: gray, BGR or BGRA.
void StoredRow(const TBitmap& image, const TPixMask* alpha, int32_t y, int bytes, uint8_t* out) {
  const uint8_t* in = image.ScanLine(y);
  const int32_t width = image.Width();
  if (bytes == 3) {
    std::memcpy(out, in, static_cast<size_t>(width) * 3);
  } else if (bytes == 4) {
    const uint8_t* a = alpha->ScanLine(y);
    for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
      std::memcpy(out, in, 3);
      out[3] = a[x];
    }
  } else {
    for (int32_t x = 0; x < width; ++x, in += 3)
      out[x] = (in[0] == in[1] && in[1] == in[2]) ? in[0] : GrayValue(in[0], in[1], in[2]);
  }
}

}  // namespace

void WriteTgaStream(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                    TProgressRecord& progress) {
  ConvertToTrueColor(image);
  const int32_t width = image.Width(), height = image.Height();
  if (width > kMaxSide || height > kMaxSide) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  TBitmap expanded;
  const TBitmap* source = &image;
  if (image.PixelFormat() == TPixelFormat::Bilevel) {
    ExpandBilevel(image, expanded);
    source = &expanded;
  }
  const bool gray = params.TgaGrayLevel;
  const bool withAlpha = !gray && !AlphaIsOpaque(alpha, width, height);
  const int bytes = gray ? 1 : withAlpha ? 4 : 3;
  const bool rle = params.TgaCompressed;

  TTgaHeader h;
  h.IdLength = static_cast<uint8_t>(std::min<size_t>(params.TgaImageName.size(), kMaxIdLength));
  h.ImageType = static_cast<uint8_t>((gray ? ttGray : ttTrueColor) | (rle ? ttRleFlag : 0));
  h.XOrigin = static_cast<uint16_t>(std::clamp(params.TgaXPos, 0, kMaxSide));
  h.YOrigin = static_cast<uint16_t>(std::clamp(params.TgaYPos, 0, kMaxSide));
  h.Width = static_cast<uint16_t>(std::max(width, 0));
  h.Height = static_cast<uint16_t>(std::max(height, 0));
  h.PixelBits = static_cast<uint8_t>(bytes * 8);
  h.Descriptor = withAlpha ? 8 : 0;
  uint8_t raw[kHeaderSize];
  BuildHeader(h, raw);

  TBufferedWriter out(stream, progress);
  out.Write(raw, kHeaderSize);
  out.Write(params.TgaImageName.data(), h.IdLength);
  std::vector<uint8_t> row(static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(bytes));
  for (int32_t k = 0; k < height; ++k) {
    progress.ReportStep(k, height);
    if (progress.Aborted()) return;
    StoredRow(*source, alpha, height - 1 - k, bytes, row.data());
    if (rle)
      EncodeRow(row.data(), width, bytes, out);
    else
      out.Write(row.data(), static_cast<int64_t>(row.size()));
  }

  TTgaExtension ext;
  ext.Author = params.TgaAuthor;
  ext.Comments = params.TgaDescriptor;
  ext.Date = params.TgaDate;
  ext.KeyColor = params.TgaBackground;
  ext.AspectRatio = params.TgaAspectRatio;
  ext.Gamma = params.TgaGamma;
  ext.AttributesType = withAlpha ? 3 : 0;
  const int64_t extensionAt = out.Written();
  uint8_t area[kExtensionSize];
  BuildExtension(ext, area);
  out.Write(area, kExtensionSize);
  uint8_t footer[kFooterSize] = {};
  // An area beyond the 32-bit offset's reach is written but not pointed at.
  PutLE32(footer, extensionAt <= 0xFFFFFFFF ? static_cast<uint32_t>(extensionAt) : 0u);
  std::memcpy(footer + 8, kSignature, sizeof kSignature);
  out.Write(footer, kFooterSize);
  out.Flush();
}

}  // namespace pix
