// Fuzzes the whole per-image road without the GUI: load by the type the first
// byte selects, grayscale, rotate and Mitchell shrink (fused or as separate
// calls), save to memory as JPEG, BMP and GIF.
#include "fuzz_common.h"
#include "io/pix_image.h"
#include "codecs/gif/gif_codec.h"

namespace {

constexpr int64_t kMaxProcessedPixels = int64_t{1} << 20;

void LoadByType(pix::TPixImage& image, uint8_t selector, pix::TPixStream& stream) {
  switch (selector % 3) {
    case 0: image.IO().LoadJpegFromStream(stream); break;
    case 1: image.IO().LoadBmpFromStream(stream); break;
    default: image.IO().LoadGifFromStream(stream); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (pix::InstallGifLzwCoders(), true);
  (void)installed;
  if (size < 1) return 0;
  fuzzsupport::CapAllocations();
  const uint8_t selector = data[0];
  pix::TPixImage image;
  pix::TPixMemoryStream in(data + 1, static_cast<int64_t>(size - 1));
  try {
    LoadByType(image, selector, in);
    if (image.AbortFlag() && image.IO().FailureReason() == pix::frNone) __builtin_trap();
    if (image.AbortFlag()) return 0;
    // Truncated files may legitimately claim big images; processing those only
    // measures the machine, so the road beyond loading is fuzzed on small ones.
    const pix::TBitmap* loaded = image.CurrentBitmap();
    if (static_cast<int64_t>(loaded->Width()) * loaded->Height() > kMaxProcessedPixels) return 0;
    if (selector & 0x04) image.ApplyGrayscale();
    const double angle = (selector & 0x08) ? 270.0 : 90.0;
    // The conversion's road (turn and fit in one) and the separate calls.
    if (selector & 0x40) {
      image.TurnAndFit(angle, 48, 48, pix::rfMitchell);
    } else {
      image.RotateByDegrees(angle, false);
      if (image.CurrentBitmap()->Width() > 48) image.ResampleToSize(48, -1, pix::rfMitchell);
      if (image.CurrentBitmap()->Height() > 48) image.ResampleToSize(-1, 48, pix::rfMitchell);
    }
    image.ParamRecord().JpegQuality = 10 * (1 + (selector >> 4) % 10);
    pix::TPixMemoryStream jpeg, bmpOut, gif;
    image.IO().SaveJpegToStream(jpeg);
    image.IO().SaveBmpToStream(bmpOut);
    image.IO().SaveGifToStream(gif);
  } catch (const pix::EPixException&) {
  }
  return 0;
}
