// WritePnmStream: P4, P5 or P6 with maxval 255.
#include <string>
#include <vector>

#include "codecs/common/stream_io.h"
#include "codecs/pnm/pnm_codec.h"

namespace pix {

namespace {

bool IsGray(const TBitmap& image) {
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* p = image.ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x, p += 3)
      if (p[0] != p[1] || p[1] != p[2]) return false;
  }
  return true;
}

void WriteRows(TBufferedWriter& out, const TBitmap& image, char magic, TProgressRecord& progress) {
  const int32_t width = image.Width(), height = image.Height();
  const size_t rowBytes = magic == '4' ? (static_cast<size_t>(width) + 7) / 8
                                       : static_cast<size_t>(width) * (magic == '5' ? 1 : 3);
  std::vector<uint8_t> row(rowBytes);
  for (int32_t y = 0; y < height; ++y) {
    progress.ReportStep(y, height);
    if (progress.Aborted()) return;
    const uint8_t* in = image.ScanLine(y);
    if (magic == '4') {
      // PBM's 1 is black; padding bits past the width are written as 0.
      for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(~in[i]);
      if (width % 8) row[rowBytes - 1] &= static_cast<uint8_t>(0xFF00 >> (width % 8));
    } else if (magic == '5') {
      for (int32_t x = 0; x < width; ++x) row[x] = in[3 * x];
    } else {
      for (int32_t x = 0; x < width; ++x) {
        row[3 * x] = in[3 * x + 2];
        row[3 * x + 1] = in[3 * x + 1];
        row[3 * x + 2] = in[3 * x];
      }
    }
    out.Write(row.data(), static_cast<int64_t>(rowBytes));
  }
}

}  // namespace

void WritePnmStream(TPixStream& stream, TBitmap& image, const TPixMask*, TIOParams& params,
                    TProgressRecord& progress) {
  ConvertToTrueColor(image);
  char magic = '6';
  if (image.PixelFormat() == TPixelFormat::Bilevel)
    magic = '4';
  else if (params.SamplesPerPixel == 1 && params.BitsPerSample == 8 && IsGray(image))
    magic = '5';
  std::string header = std::string("P") + magic + "\n" + std::to_string(image.Width()) + " " +
                       std::to_string(image.Height()) + "\n";
  if (magic != '4') header += "255\n";
  TBufferedWriter out(stream, progress);
  out.Write(header.data(), static_cast<int64_t>(header.size()));
  WriteRows(out, image, magic, progress);
  out.Flush();
}

}  // namespace pix
