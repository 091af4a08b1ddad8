// Fuzzes the JPEG reader through the I/O component, so marker keeping, IPTC
// parsing and the EXIF reader run too.
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
    io.LoadJpegFromStream(stream);
  } catch (const pix::EPixException&) {
    return 0;
  }
  // A load that gives up must say why.
  if (io.AbortFlag() && io.FailureReason() == pix::frNone) __builtin_trap();
  return 0;
}
