// Fuzzes the PNG reader through the I/O component (alpha plane and record
// included); a picture that loads and is small is written by our writer and
// must read back.
#include "codecs/png/png_codec.h"
#include "fuzz_common.h"
#include "imaging/pix_view.h"
#include "io/pix_image_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::CapAllocations();
  pix::TPixImageView view;
  pix::TPixImageIO io;
  io.SetAttachedView(&view);
  pix::TPixMemoryStream stream(data, static_cast<int64_t>(size));
  try {
    io.LoadStreamWithCodec(stream, pix::ftPNG, pix::ReadPngStream);
    if (io.AbortFlag()) {
      // A load that gives up must say why.
      if (io.FailureReason() == pix::frNone) __builtin_trap();
      return 0;
    }
    const pix::TBitmap& image = *io.Bitmap();
    if (static_cast<int64_t>(image.Width()) * image.Height() > 65536) return 0;
    pix::TPixMemoryStream out;
    io.SaveStreamWithCodec(out, pix::WritePngStream);
    if (io.AbortFlag()) return 0;
    out.Seek(0, pix::TSeekOrigin::soBeginning);
    io.LoadStreamWithCodec(out, pix::ftPNG, pix::ReadPngStream);
    if (io.AbortFlag() || io.DamageReason() != pix::frNone) __builtin_trap();
  } catch (const pix::EPixException&) {
  }
  return 0;
}
