#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "app/album_fixtures.h"
#include "app/logic/slideshow.h"
#include "imaging/fit_box.h"
#include "imaging/stretch_plain.h"

using namespace pix;

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void WriteSolid(const std::string& path, int32_t w, int32_t h, TColor colour) {
  TBitmap bmp(w, h);
  bmp.Canvas().Brush.Color = colour;
  bmp.Canvas().FillRect({0, 0, w, h});
  TPixImageIO io;
  io.SetBitmap(&bmp);
  io.SaveBmpToFile(path);
}

// A show of three solid pictures of other shapes on a 40 x 30 device.
class SlideShowTest : public ::testing::Test {
protected:
  SlideShowTest() {
    WriteSolid(dir.File("a.bmp"), 80, 30, RGBColor(200, 0, 0));
    WriteSolid(dir.File("b.bmp"), 30, 60, RGBColor(0, 200, 0));
    WriteSolid(dir.File("c.bmp"), 40, 30, RGBColor(0, 0, 200));
    paths = {dir.File("a.bmp"), dir.File("b.bmp"), dir.File("c.bmp")};
    options.DeviceWidth = 40;
    options.DeviceHeight = 30;
    options.SecondsPerPicture = 2;
    options.TransitionSeconds = 1;
  }
  std::unique_ptr<TBitmap> Slide(int i) {
    TPixImage image;
    auto slide = std::make_unique<TBitmap>();
    MakeSlide(image, paths[static_cast<size_t>(i)], 40, 30, *slide);
    return slide;
  }
  static void Start(TSlideShow& show) {
    ASSERT_TRUE(WaitUntil([&] { return show.SlideReady(0); }));
    ASSERT_TRUE(show.Advance(0));
    ASSERT_TRUE(WaitUntil([&] { return show.SlideReady(1); }));
  }
  pixtest::TempDir dir;
  std::vector<std::string> paths;
  TSlideShowOptions options;
};

}  // namespace

TEST(MakeSlide, FitsThePictureIntoTheDeviceAndCentresItOnBlack) {
  pixtest::TempDir dir;
  WriteSolid(dir.File("wide.bmp"), 200, 100, RGBColor(250, 250, 250));
  TPixImage image;
  TBitmap slide;
  ASSERT_EQ(MakeSlide(image, dir.File("wide.bmp"), 40, 40, slide), frNone);
  ASSERT_EQ(slide.Width(), 40);
  ASSERT_EQ(slide.Height(), 40);
  // 40 x 20 in rows 10..29.
  EXPECT_EQ(slide.ScanLine(9)[60], 0);
  EXPECT_EQ(slide.ScanLine(10)[60], 250);
  EXPECT_EQ(slide.ScanLine(29)[60], 250);
  EXPECT_EQ(slide.ScanLine(30)[60], 0);
  // A picture smaller than the device is not enlarged; a broken one is black.
  WriteSolid(dir.File("small.bmp"), 10, 10, RGBColor(250, 250, 250));
  ASSERT_EQ(MakeSlide(image, dir.File("small.bmp"), 40, 40, slide), frNone);
  EXPECT_EQ(slide.ScanLine(14)[15 * 3], 0);
  EXPECT_EQ(slide.ScanLine(15)[15 * 3], 250);
  EXPECT_EQ(slide.ScanLine(24)[24 * 3], 250);
  EXPECT_EQ(slide.ScanLine(25)[25 * 3], 0);
  EXPECT_EQ(MakeSlide(image, dir.File("none.bmp"), 40, 40, slide), frCannotOpen);
  EXPECT_EQ(slide.Width(), 40);
  EXPECT_EQ(slide.ScanLine(20)[60], 0);
}

TEST(DeviceScaleFor, TheLargestWholeEnlargementThatFits) {
  EXPECT_EQ(DeviceScaleFor(240, 320, 1920, 1080), 3);
  EXPECT_EQ(DeviceScaleFor(320, 320, 1920, 1080), 3);
  EXPECT_EQ(DeviceScaleFor(160, 160, 1920, 1080), 6);
  EXPECT_EQ(DeviceScaleFor(4000, 3000, 1920, 1080), 1);
}

TEST_F(SlideShowTest, ShowsEachPictureForItsTimeThenChangesThroughTheTransition) {
  TSlideShow show(paths, options);
  Start(show);
  EXPECT_EQ(show.Index(), 0);
  EXPECT_TRUE(SamePixels(show.Frame(), *Slide(0)));
  EXPECT_FALSE(show.Advance(1.9));
  show.Advance(2.0);  // the picture has had its time: the transition starts
  EXPECT_TRUE(show.InTransition());
  EXPECT_EQ(show.Index(), 1);
  ASSERT_TRUE(show.Advance(2.5));
  TBitmap expected;
  ASSERT_TRUE(TransitionFrame(*Slide(0), *Slide(1), teCrossFade, 500, 1000, expected));
  EXPECT_TRUE(SamePixels(show.Frame(), expected));
  ASSERT_TRUE(show.Advance(3.0));
  EXPECT_FALSE(show.InTransition());
  EXPECT_TRUE(SamePixels(show.Frame(), *Slide(1)));
}

TEST_F(SlideShowTest, KeysStepThroughTheAlbumBothWaysAndPauseHoldsThePicture) {
  TSlideShow show(paths, options);
  Start(show);
  show.Previous(0.5);  // from the first back to the last
  EXPECT_EQ(show.Index(), 2);
  ASSERT_TRUE(WaitUntil([&] { return show.SlideReady(2); }));
  show.Advance(0.5);
  show.Next(0.6);  // completes the transition to the last, then on to the first
  EXPECT_TRUE(SamePixels(show.Frame(), *Slide(2)));
  EXPECT_EQ(show.Index(), 0);
  ASSERT_TRUE(WaitUntil([&] { return show.SlideReady(0); }));
  show.Advance(0.7);
  show.Advance(1.8);
  EXPECT_TRUE(SamePixels(show.Frame(), *Slide(0)));

  show.SetPaused(true, 2.0);
  show.Advance(10.0);
  EXPECT_FALSE(show.InTransition());
  EXPECT_EQ(show.Index(), 0);
  // It had stood 0.2 of its 2 seconds when paused: 1.8 are left.
  show.SetPaused(false, 10.0);
  ASSERT_TRUE(WaitUntil([&] { return show.SlideReady(1); }));
  show.Advance(11.7);
  EXPECT_FALSE(show.InTransition());
  show.Advance(11.85);
  EXPECT_TRUE(show.InTransition());
}

TEST_F(SlideShowTest, WithoutLoopTheShowStopsAtTheLastPicture) {
  options.Loop = false;
  options.Effect = teCut;
  TSlideShow show(paths, options);
  Start(show);
  show.Previous(0.1);
  EXPECT_EQ(show.Index(), 0);
  for (double t = 2; t < 20; t += 0.5) {
    WaitUntil([&] { return show.SlideReady(show.Index()); });
    show.Advance(t);
  }
  EXPECT_EQ(show.Index(), 2);
  EXPECT_TRUE(SamePixels(show.Frame(), *Slide(2)));
}

TEST_F(SlideShowTest, FramesAreEnlargedByWholePixelsOnABiggerScreen) {
  options.Scale = 3;
  TSlideShow show(paths, options);
  Start(show);
  const std::unique_ptr<TBitmap> slide = Slide(0);
  ASSERT_EQ(show.Frame().Width(), 120);
  ASSERT_EQ(show.Frame().Height(), 90);
  for (int32_t y = 0; y < 90; ++y)
    for (int32_t x = 0; x < 120; ++x)
      ASSERT_EQ(0, std::memcmp(show.Frame().ScanLine(y) + x * 3, slide->ScanLine(y / 3) + (x / 3) * 3, 3)) << x << "," << y;
}
