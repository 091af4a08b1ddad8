#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/imaging_threads.h"
#include "imaging/pix_image_proc.h"
#include "imaging/resample_passes.h"
#include "imaging/streamed_fit.h"
#include "proc_test_images.h"
#include "support/test_support.h"

using namespace pix;
using proctest::SameImage;
using proctest::ViewRig;

namespace {

constexpr TResampleFilter kAllFilters[] = {rfNone,     rfTriangle, rfHermite, rfBell,
                                           rfBSpline,  rfLanczos3, rfMitchell};

// The separate calls TurnAndFit stands for, as the conversion made them.
void TurnThenFit(TPixImageProc& proc, double angle, int32_t maxWidth, int32_t maxHeight, TResampleFilter filter) {
  proc.RotateByDegrees(angle, false);
  if (proc.Bitmap()->Width() > maxWidth) proc.ResampleToSize(maxWidth, -1, filter);
  if (proc.Bitmap()->Height() > maxHeight) proc.ResampleToSize(-1, maxHeight, filter);
}

struct Case {
  int32_t w, h, maxWidth, maxHeight;
};

// Pictures that need two resamples, the width one only, the height one only,
// and none; odd sides throughout, and a 2 x 1 strip at the filterable edge.
const Case kCases[] = {{37, 23, 10, 12}, {37, 23, 10, 100}, {23, 37, 100, 12}, {37, 23, 40, 40},
                       {61, 45, 9, 7},   {45, 61, 31, 8},   {2, 1, 1, 1},     {5, 3, 1, 2}};

// Runs both ways on equal rigs and compares everything the caller can see.
void ExpectSameAsSeparateCalls(double angle, const Case& c, TResampleFilter filter, bool autoUndo,
                               TPixelFormat format = TPixelFormat::TrueColor, bool paintAlpha = false) {
  ViewRig fused(c.w, c.h, 7, format), separate(c.w, c.h, 7, format);
  for (ViewRig* rig : {&fused, &separate}) {
    rig->proc.AutoUndo = autoUndo;
    if (paintAlpha) rig->view.AlphaPlane()->SetPixel(1, 0, 17);
  }
  std::vector<int> fusedSteps, separateSteps;
  fused.proc.OnProgress = [&](TPixObject*, int per) { fusedSteps.push_back(per); };
  separate.proc.OnProgress = [&](TPixObject*, int per) { separateSteps.push_back(per); };
  TBitmap* identity = &fused.Image();
  fused.proc.TurnAndFit(angle, c.maxWidth, c.maxHeight, filter);
  TurnThenFit(separate.proc, angle, c.maxWidth, c.maxHeight, filter);
  const std::string what = "angle " + std::to_string(angle) + ", " + std::to_string(c.w) + "x" +
                           std::to_string(c.h) + " into " + std::to_string(c.maxWidth) + "x" +
                           std::to_string(c.maxHeight) + ", filter " + std::to_string(filter) +
                           (autoUndo ? ", undo" : "");
  EXPECT_EQ(&fused.Image(), identity) << what;
  EXPECT_TRUE(SameImage(fused.Image(), separate.Image())) << what;
  EXPECT_TRUE(SameImage(fused.proc.UndoBitmap(), separate.proc.UndoBitmap())) << what;
  EXPECT_EQ(fused.changes, separate.changes) << what;
  EXPECT_EQ(fusedSteps, separateSteps) << what;
  const TPixMask& a = *fused.view.AlphaPlane();
  const TPixMask& b = *separate.view.AlphaPlane();
  ASSERT_EQ(a.Width(), b.Width()) << what;
  ASSERT_EQ(a.Height(), b.Height()) << what;
  EXPECT_EQ(a.Full(), b.Full()) << what;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y)) << what;
}

}  // namespace

TEST(TurnAndFit, MatchesTurnThenResampleForBothTurnsEveryFilterAndSize) {
  for (double angle : {90.0, 270.0, -90.0})
    for (TResampleFilter filter : kAllFilters)
      for (const Case& c : kCases) ExpectSameAsSeparateCalls(angle, c, filter, true);
}

TEST(TurnAndFit, MatchesWithoutUndoOnThePlainEngineAndOnTwoThreads) {
  pixtest::ScopedSetting<bool> plain(PlainResamplingForced, ForcePlainResampling, true);
  for (double angle : {90.0, 270.0})
    for (const Case& c : kCases) ExpectSameAsSeparateCalls(angle, c, rfMitchell, false);
  pixtest::ScopedSetting<int> threads(ImagingThreads, SetImagingThreads, 2);
  for (double angle : {90.0, 270.0})
    for (const Case& c : kCases) ExpectSameAsSeparateCalls(angle, c, rfLanczos3, true);
}

TEST(TurnAndFit, OtherAnglesBilevelImagesAndPaintedAlphaTakeTheSeparateCalls) {
  for (double angle : {0.0, 180.0, 30.0, 450.0})
    ExpectSameAsSeparateCalls(angle, {37, 23, 10, 12}, rfMitchell, true);
  ExpectSameAsSeparateCalls(90, {37, 23, 10, 12}, rfMitchell, true, TPixelFormat::Bilevel);
  ExpectSameAsSeparateCalls(270, {37, 23, 10, 100}, rfMitchell, true, TPixelFormat::Bilevel);
  // A painted alpha plane of a non-square picture is replaced by the view
  // when the turn changes the size; of a square one it is resampled unturned.
  ExpectSameAsSeparateCalls(90, {37, 23, 10, 12}, rfMitchell, true, TPixelFormat::TrueColor, true);
  ExpectSameAsSeparateCalls(90, {31, 31, 10, 12}, rfMitchell, true, TPixelFormat::TrueColor, true);
}

TEST(TurnAndFit, SnapshotIsTheTurnedPictureAndRestoresIt) {
  ViewRig fused(40, 30, 3), separate(40, 30, 3);
  fused.proc.TurnAndFit(90, 24, 32, rfMitchell);  // one resample: 30 x 40 -> 24 x 32
  separate.proc.RotateByDegrees(90, false);
  ASSERT_TRUE(SameImage(fused.proc.UndoBitmap(), separate.Image()));
  EXPECT_EQ(fused.proc.UndoBitmap().Width(), 30);
  fused.proc.RestoreUndoSnapshot();
  EXPECT_TRUE(SameImage(fused.Image(), separate.Image()));
}

namespace {

// The streamed form fed the rows of a picture from the top (only the first
// rowsGiven of them), against OrientUpright and TurnAndFit on the picture
// with the rows never given black.
bool ExpectStreamedSameAsWhole(int32_t orientation, double angle, const Case& c, TResampleFilter filter,
                               int32_t rowsGiven = -1) {
  ViewRig whole(c.w, c.h, 11);
  TBitmap source;
  CopyImage(whole.Image(), source);
  if (rowsGiven >= 0)
    for (int32_t y = rowsGiven; y < c.h; ++y) std::memset(whole.Image().ScanLine(y), 0, 3 * static_cast<size_t>(c.w));
  const std::string what = "orientation " + std::to_string(orientation) + ", angle " + std::to_string(angle) + ", " +
                           std::to_string(c.w) + "x" + std::to_string(c.h) + " into " + std::to_string(c.maxWidth) +
                           "x" + std::to_string(c.maxHeight) + ", filter " + std::to_string(filter);
  TStreamedTurnAndFit fit(angle, c.maxWidth, c.maxHeight, filter);
  if (!fit.Start(c.w, c.h, orientation)) {
    // Declined where TurnAndFit takes the separate calls (nothing to shrink,
    // a side too short to filter): the caller loads the whole picture.
    EXPECT_FALSE(fit.Fits(c.w, c.h, orientation)) << what;
    return false;
  }
  const int32_t given = rowsGiven >= 0 ? rowsGiven : c.h;
  for (int32_t y = 0; y < given; ++y) {
    std::memcpy(fit.RowTarget(y), source.ScanLine(y), 3 * static_cast<size_t>(c.w));
    fit.RowDone(y);
  }
  TBitmap streamed;
  fit.Finish(streamed);
  whole.proc.OrientUpright(orientation);
  whole.proc.TurnAndFit(angle, c.maxWidth, c.maxHeight, filter);
  EXPECT_TRUE(SameImage(streamed, whole.Image())) << what;
  return true;
}

}  // namespace

TEST(StreamedTurnAndFit, MatchesUprightThenTurnAndFitForEveryOrientationTurnAndFilter) {
  // Besides the small cases, pictures tall enough that the band slides, and
  // a strong shrink.
  const Case large[] = {{301, 157, 40, 30}, {157, 301, 30, 40}, {203, 97, 23, 50}, {640, 480, 24, 32}, {128, 128, 9, 7}};
  for (int32_t orientation = 1; orientation <= 8; ++orientation)
    for (double angle : {90.0, 270.0})
      for (TResampleFilter filter : {rfMitchell, rfLanczos3, rfTriangle}) {
        for (const Case& c : kCases) ExpectStreamedSameAsWhole(orientation, angle, c, filter);
        for (const Case& c : large) EXPECT_TRUE(ExpectStreamedSameAsWhole(orientation, angle, c, filter));
      }
}

TEST(StreamedTurnAndFit, RowsNeverGivenAreBlackAndOtherEnginesAgree) {
  for (int32_t orientation : {1, 6, 3, 7}) {
    ExpectStreamedSameAsWhole(orientation, 90, {301, 157, 40, 30}, rfMitchell, 80);
    ExpectStreamedSameAsWhole(orientation, 270, {157, 301, 30, 40}, rfMitchell, 0);
  }
  pixtest::ScopedSetting<int> threads(ImagingThreads, SetImagingThreads, 2);
  for (int32_t orientation : {1, 5, 8}) ExpectStreamedSameAsWhole(orientation, 90, {301, 157, 40, 30}, rfMitchell);
  pixtest::ScopedSetting<bool> plain(PlainResamplingForced, ForcePlainResampling, true);
  for (int32_t orientation : {2, 6}) ExpectStreamedSameAsWhole(orientation, 270, {203, 97, 23, 50}, rfMitchell);
}
