// Fuzzes the JPEG reader through the I/O component, so marker keeping, IPTC
// parsing and the EXIF reader run too. Then decodes the same bytes into the
// streamed turn and fit the conversion uses and checks it against the whole
// picture brought upright, turned and fitted: the two must agree byte for
// byte, damaged files included.
#include <cstring>

#include "codecs/jpeg/jpeg_codec.h"
#include "fuzz_common.h"
#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"
#include "imaging/streamed_fit.h"
#include "io/pix_image_io.h"

namespace {

struct TQuietProgress {
  bool Aborted = false;
  pix::TFailureReason Reason = pix::frNone;
  pix::TProgressRecord Record;
  TQuietProgress() {
    Record.Aborting = &Aborted;
    Record.Reason = &Reason;
  }
};

// Starts the fit with an orientation, as the conversion's loader does.
struct TOrientedSink final : pix::TRowSink {
  pix::TStreamedTurnAndFit& Fit;
  int32_t Orientation;
  TOrientedSink(pix::TStreamedTurnAndFit& fit, int32_t orientation) : Fit(fit), Orientation(orientation) {}
  bool Start(int32_t width, int32_t height) override { return Fit.Start(width, height, Orientation); }
  uint8_t* RowTarget(int32_t y) override { return Fit.RowTarget(y); }
  void RowDone(int32_t y) override { Fit.RowDone(y); }
};

void CheckStreamedFit(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const int32_t orientation = 1 + data[size / 2] % 8;
  const double angle = size % 2 ? 90 : 270;
  constexpr int32_t kBoxWidth = 9, kBoxHeight = 7;

  pix::TPixImageView whole;
  pix::TIOParams wholeParams;
  TQuietProgress wholeProgress;
  {
    pix::TPixMemoryStream stream(data, static_cast<int64_t>(size));
    pix::ReadJpegStream(stream, *whole.CurrentBitmap(), wholeParams, false, wholeProgress.Record);
  }
  pix::TStreamedTurnAndFit fit(angle, kBoxWidth, kBoxHeight, pix::rfMitchell);
  pix::TBitmap untouched, streamed;
  pix::TIOParams streamedParams;
  TQuietProgress streamedProgress;
  {
    pix::TPixMemoryStream stream(data, static_cast<int64_t>(size));
    TOrientedSink sink(fit, orientation);
    pix::ReadJpegStream(stream, untouched, streamedParams, false, streamedProgress.Record, &sink);
  }
  if (wholeProgress.Aborted != streamedProgress.Aborted) __builtin_trap();
  if (!fit.Started()) return;
  fit.Finish(streamed);
  whole.UpdateView();
  pix::TPixImageProc proc;
  proc.SetAttachedView(&whole);
  proc.OrientUpright(orientation);
  proc.TurnAndFit(angle, kBoxWidth, kBoxHeight, pix::rfMitchell);
  const pix::TBitmap& expected = *whole.CurrentBitmap();
  if (expected.Width() != streamed.Width() || expected.Height() != streamed.Height()) __builtin_trap();
  for (int32_t y = 0; y < expected.Height(); ++y)
    if (std::memcmp(expected.ScanLine(y), streamed.ScanLine(y), 3 * static_cast<size_t>(expected.Width())) != 0)
      __builtin_trap();
}

}  // namespace

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
  try {
    CheckStreamedFit(data, size);
  } catch (const pix::EPixException&) {
  }
  return 0;
}
