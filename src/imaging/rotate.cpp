#include "imaging/rotate.h"

#include <cmath>

#include "imaging/orient.h"
#include "imaging/pix_image_proc.h"

namespace pix {

double NormalisedAngle(double angle) {
  // fmod of the truncated thousandths is exact and keeps the sign, so huge
  // angles reduce like small ones instead of wrapping around 32 bits.
  const long double thousandths = std::trunc(static_cast<long double>(angle) * 1000);
  return static_cast<double>(std::fmod(thousandths, 360000.0L) / 1000);
}

namespace {

// The EXIF orientations whose upright form is a left turn by 0 to 3 quarters.
constexpr int kLeftTurnOrientation[4] = {1, 8, 3, 6};

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
  TPixMask* alpha = AlphaPlane();
  const bool alphaFollows = alpha && alpha->Width() == current->Width() && alpha->Height() == current->Height();
  // Whole quarter turns first, each starting from the previous result.
  int leftTurns = 0;
  while (f > 45) {
    f = Minus90(f);
    turn(QuarterTurnLeft);
    ++leftTurns;
  }
  while (f < -45) {
    f = Plus90(f);
    turn(QuarterTurnRight);
    --leftTurns;
  }
  if (f == 0) {
    if (current != image) CopyImage(*current, *image);
    // The alpha plane turns with the picture: transparency must survive a
    // turn (a JPEG output lays it over white afterwards).
    if (alphaFollows && (leftTurns & 3) != 0) OrientPlaneToUpright(*alpha, kLeftTurnOrientation[leftTurns & 3]);
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
