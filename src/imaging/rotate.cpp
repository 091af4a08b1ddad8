#include "imaging/rotate.h"

#include <cmath>

#include "imaging/pix_image_proc.h"

namespace pix {

double NormalisedAngle(double angle) {
  // fmod of the truncated thousandths is exact and keeps the sign, so huge
  // angles reduce like small ones instead of wrapping around 32 bits.
  const long double thousandths = std::trunc(static_cast<long double>(angle) * 1000);
  return static_cast<double>(std::fmod(thousandths, 360000.0L) / 1000);
}

namespace {

double Minus90(double f) { return static_cast<double>(static_cast<long double>(f) - 90); }
double Plus90(double f) { return static_cast<double>(static_cast<long double>(f) + 90); }

}  // namespace

void TPixImageProc::RotateByDegrees(double angle, bool antialias) {
  TBitmap* image = Bitmap();
  if (!image || angle == 0 || !std::isfinite(angle)) return;
  if (image->PixelFormat() != TPixelFormat::TrueColor) {
    BeginOperation();
    RotateBilevel(*image, OwnBackground() != 0, ProgressRecord(), angle);
    NotifyImageChanged();
    return;
  }
  // With AutoUndo the picture moves into the snapshot; turns read from it and
  // write straight into the image, so no third full-size copy exists.
  const TBitmap* current = &BeginReplacingOperation(*image);
  double f = NormalisedAngle(angle);
  auto turn = [&](void (*quarterTurn)(const TBitmap&, TBitmap&)) {
    if (current == image) {
      TBitmap turned;
      quarterTurn(*image, turned);
      image->SwapContent(turned);
    } else {
      quarterTurn(*current, *image);  // the image's block (the old snapshot's) is reused
      current = image;
    }
  };
  // Whole quarter turns first, each starting from the previous result.
  while (f > 45) {
    f = Minus90(f);
    turn(QuarterTurnLeft);
  }
  while (f < -45) {
    f = Plus90(f);
    turn(QuarterTurnRight);
  }
  if (f == 0) {
    if (current != image) CopyImage(*current, *image);
  } else {
    TBitmap source;
    if (current == image) {
      CopyImage(*image, source);
      current = &source;
    }
    const TColor bg = ResolveColor(Background());
    ShearRotate(*current, *image, f, antialias, TPixelTriple{BlueOf(bg), GreenOf(bg), RedOf(bg)}, ProgressRecord());
  }
  NotifyImageChanged();
}

}  // namespace pix
