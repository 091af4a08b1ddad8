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
    RotateBilevel(*image, OwnBackground() != 0, this, OnProgress, angle);
    NotifyImageChanged();
    return;
  }
  BeginOperation();
  double f = NormalisedAngle(angle);
  TBitmap turned;
  if (f >= -45 && f <= 45) CopyImage(*image, turned);
  // Whole quarter turns first; each intermediate goes back into the image so
  // the next turn starts from it.
  while (f > 45) {
    f = Minus90(f);
    QuarterTurnLeft(*image, turned);
    if (f <= 45) break;
    CopyImage(turned, *image);
  }
  while (f < -45) {
    f = Plus90(f);
    QuarterTurnRight(*image, turned);
    if (f >= -45) break;
    CopyImage(turned, *image);
  }
  if (f == 0) {
    CopyImage(turned, *image);
  } else {
    const TColor bg = ResolveColor(Background());
    ShearRotate(turned, *image, f, antialias, TPixelTriple{BlueOf(bg), GreenOf(bg), RedOf(bg)}, this, OnProgress);
  }
  NotifyImageChanged();
}

}  // namespace pix
