#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/album_fixtures.h"
#include "app/logic/fitted_picture.h"
#include "app/logic/thumbnail_album.h"
#include "app/logic/thumbnail_disk_cache.h"
#include "codecs/common/marker_lists.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// The orientation pattern's colours: red top, blue bottom, green corner.
void ExpectPattern(const TBitmap& bmp) {
  const uint8_t* top = bmp.ScanLine(bmp.Height() / 4) + (bmp.Width() / 2) * 3;
  const uint8_t* bottom = bmp.ScanLine(bmp.Height() * 3 / 4) + (bmp.Width() / 2) * 3;
  EXPECT_GT(top[2], 180);
  EXPECT_LT(top[0], 60);
  EXPECT_GT(bottom[0], 180);
  EXPECT_LT(bottom[2], 60);
}

// An album of count BMP photos of 1000 x 750 (each takes a while to make).
std::vector<std::string> MakeAlbum(const pixtest::TempDir& dir, int count, int32_t w = 1000, int32_t h = 750) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    paths.push_back(dir.File("p" + std::to_string(100 + i) + ".bmp"));
    albumtest::WriteBmp(paths.back(), w, h);
  }
  return paths;
}

struct Recorder {
  std::mutex Mutex;
  std::vector<int> Order;
  TThumbnailAlbum::TReadyEvent Event() {
    return [this](uint64_t, int index) {
      std::lock_guard<std::mutex> lock(Mutex);
      Order.push_back(index);
    };
  }
  size_t Size() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Order.size();
  }
};

}  // namespace

TEST(LoadFittedPicture, JpegUsesTheCodecsScaledDecodeAndOurMitchellShrink) {
  pixtest::TempDir dir;
  albumtest::WriteJpeg(dir.File("a.jpg"), 1600, 1200);
  TPixImage image;
  TBitmap thumbnail;
  ASSERT_EQ(LoadFittedPicture(image, dir.File("a.jpg"), 96, 96, false, thumbnail), frNone);
  EXPECT_EQ(thumbnail.Width(), 96);
  EXPECT_EQ(thumbnail.Height(), 72);
  EXPECT_EQ(thumbnail.PixelFormat(), TPixelFormat::TrueColor);
  // 1/8 still covers 96 x 96 on both sides (200 x 150).
  EXPECT_EQ(image.ParamRecord().JpegScaleDenominator, 8);
  ExpectPattern(thumbnail);
  // The component is left small: no full-size picture stays behind.
  EXPECT_LE(image.CurrentBitmap()->ByteSize(), 4);
}

TEST(LoadFittedPicture, OtherTypesAreOurResamplingOfTheWholePictureByteForByte) {
  pixtest::TempDir dir;
  albumtest::WriteBmp(dir.File("a.bmp"), 640, 480);
  TPixImage image;
  TBitmap fitted;
  ASSERT_EQ(LoadFittedPicture(image, dir.File("a.bmp"), 100, 100, false, fitted), frNone);
  TPixImage reference;
  reference.LoadFromFile(dir.File("a.bmp"));
  reference.ResampleToSize(100, 75, rfMitchell);
  EXPECT_TRUE(SamePixels(fitted, *reference.CurrentBitmap()));
  // Enlarged only when asked: a printed picture fills its box.
  ASSERT_EQ(LoadFittedPicture(image, dir.File("a.bmp"), 1000, 1000, false, fitted), frNone);
  EXPECT_EQ(fitted.Width(), 640);
  ASSERT_EQ(LoadFittedPicture(image, dir.File("a.bmp"), 1280, 1280, true, fitted), frNone);
  EXPECT_EQ(fitted.Width(), 1280);
  EXPECT_EQ(fitted.Height(), 960);
  // Dots twice as wide as high: half as many across.
  ASSERT_EQ(LoadFittedPicture(image, dir.File("a.bmp"), 1000, 1000, true, fitted, 2.0), frNone);
  EXPECT_EQ(fitted.Width(), 1000);
  EXPECT_EQ(fitted.Height(), 375);
}

TEST(LoadFittedPicture, FailuresComeBackWithTheirReasonAndAnEmptyPicture) {
  pixtest::TempDir dir;
  pixtest::WriteFile(dir.File("junk.jpg"), "this is not a picture at all");
  ASSERT_EQ(::mkfifo(dir.File("pipe.jpg").c_str(), 0600), 0);
  TPixImage image;
  TBitmap picture(5, 5);
  EXPECT_EQ(LoadFittedPicture(image, dir.File("missing.jpg"), 96, 96, false, picture), frCannotOpen);
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(LoadFittedPicture(image, dir.File("junk.jpg"), 96, 96, false, picture), frNotThisFormat);
  EXPECT_EQ(LoadFittedPicture(image, dir.File("pipe.jpg"), 96, 96, false, picture), frNotAFile);
  EXPECT_EQ(LoadFittedPicture(image, dir.File("notes.txt"), 96, 96, false, picture), frNoCodec);
}

TEST(ThumbnailAlbum, MakesOnlyWhatIsAskedForNearestToTheMiddleOfTheScreenFirst) {
  pixtest::TempDir dir;
  const std::vector<std::string> paths = MakeAlbum(dir, 21);
  Recorder ready;
  TThumbnailAlbum album({.Box = 64, .Workers = 1}, ready.Event());
  album.SetFiles(paths);
  album.SetVisibleRange(0, 20);  // focus 10
  for (int i = 0; i < 21; ++i) EXPECT_EQ(album.Request(i), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ready.Size() == 21; }));
  // The first one may have been taken before the rest were asked for; from
  // the middle one on, each is at least as far from it as the one before.
  const size_t middle = ready.Order[0] == 10 ? 0 : 1;
  ASSERT_EQ(ready.Order[middle], 10);
  for (size_t i = middle + 1; i < ready.Order.size(); ++i)
    EXPECT_GE(std::abs(ready.Order[i] - 10), std::abs(ready.Order[i - 1] - 10)) << i;
  const std::shared_ptr<const TBitmap> thumbnail = album.Request(3);
  ASSERT_NE(thumbnail, nullptr);
  EXPECT_EQ(thumbnail->Width(), 64);
  EXPECT_EQ(thumbnail->Height(), 48);
  ExpectPattern(*thumbnail);
  EXPECT_EQ(album.Stats().Made, 21);
  EXPECT_EQ(album.Stats().InMemory, 21);
}

TEST(ThumbnailAlbum, StaysWithinItsMemoryBoundButKeepsWhatIsOnTheScreen) {
  pixtest::TempDir dir;
  const std::vector<std::string> paths = MakeAlbum(dir, 12, 200, 150);
  Recorder ready;
  const int64_t one = RowStrideFor(64, TPixelFormat::TrueColor) * 48;
  TThumbnailAlbum album({.Box = 64, .Workers = 2, .MemoryBytes = 4 * one}, ready.Event());
  album.SetFiles(paths);
  album.SetVisibleRange(0, 5);
  for (int i = 0; i < 6; ++i) album.Request(i);
  ASSERT_TRUE(WaitUntil([&] { return ready.Size() == 6; }));
  // Six on the screen exceed the bound of four, and all six stay.
  EXPECT_EQ(album.Stats().InMemory, 6);
  album.SetVisibleRange(6, 11);
  for (int i = 6; i < 12; ++i) album.Request(i);
  ASSERT_TRUE(WaitUntil([&] { return ready.Size() == 12; }));
  const TThumbnailAlbum::TStats stats = album.Stats();
  EXPECT_EQ(stats.InMemory, 6);
  EXPECT_EQ(stats.MemoryBytes, 6 * one);
  EXPECT_EQ(stats.Evicted, 6);
  // An evicted thumbnail is made again when it comes back into view.
  album.SetVisibleRange(0, 5);
  EXPECT_EQ(album.Request(0), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return album.Request(0) != nullptr; }));
  EXPECT_EQ(album.Stats().Made, 13);
}

TEST(ThumbnailAlbum, ScrollingAwayDropsQueuedWorkAndANewSetKeepsThumbnailsOfPathsThatStay) {
  pixtest::TempDir dir;
  const std::vector<std::string> paths = MakeAlbum(dir, 40, 300, 200);
  Recorder ready;
  TThumbnailAlbum album({.Box = 32, .Workers = 1}, ready.Event());
  album.SetFiles(paths);
  album.SetVisibleRange(0, 3);
  for (int i = 0; i < 4; ++i) album.Request(i);
  ASSERT_TRUE(WaitUntil([&] { return ready.Size() == 4; }));
  album.SetVisibleRange(30, 33);
  for (int i = 30; i < 34; ++i) album.Request(i);
  // Asked for, then scrolled far away before they were made: dropped.
  album.SetVisibleRange(10, 13);
  ASSERT_TRUE(WaitUntil([&] { return album.State(30) != TThumbnailAlbum::TState::Building && album.State(31) != TThumbnailAlbum::TState::Building; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_LE(album.Stats().Made, 6);
  EXPECT_EQ(album.State(33), TThumbnailAlbum::TState::Absent);

  const uint64_t before = album.Generation();
  std::vector<std::string> reordered = {paths[2], paths[39], paths[0]};
  const uint64_t after = album.SetFiles(reordered);
  EXPECT_GT(after, before);
  EXPECT_NE(album.Request(0), nullptr);  // paths[2], made before
  EXPECT_NE(album.Request(2), nullptr);  // paths[0]
  EXPECT_EQ(album.Request(1), nullptr);
  EXPECT_EQ(album.Request(7), nullptr);  // out of range
}

TEST(ThumbnailAlbum, FailedPicturesSayWhyAndAreNotTriedAgain) {
  pixtest::TempDir dir;
  pixtest::WriteFile(dir.File("bad.jpg"), std::string(100, 'x'));
  Recorder ready;
  TThumbnailAlbum album({.Box = 32}, ready.Event());
  album.SetFiles({dir.File("bad.jpg")});
  album.SetVisibleRange(0, 0);
  album.Request(0);
  ASSERT_TRUE(WaitUntil([&] { return ready.Size() == 1; }));
  EXPECT_EQ(album.State(0), TThumbnailAlbum::TState::Failed);
  EXPECT_EQ(album.Failure(0), frNotThisFormat);
  EXPECT_EQ(album.Request(0), nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(album.Stats().Failed, 1);
}

TEST(ThumbnailDiskCache, ASecondSessionReadsThumbnailsBackUntilThePictureChanges) {
  pixtest::TempDir dir;
  const std::vector<std::string> paths = MakeAlbum(dir, 3, 400, 300);
  const std::string cache = dir.File("cache/pixfold/thumbnails");
  auto session = [&](int64_t& made, int64_t& fromDisk) {
    Recorder ready;
    TThumbnailAlbum album({.Box = 48, .DiskFolder = cache}, ready.Event());
    album.SetFiles(paths);
    album.SetVisibleRange(0, 2);
    for (int i = 0; i < 3; ++i) album.Request(i);
    ASSERT_TRUE(WaitUntil([&] { return ready.Size() == 3; }));
    made = album.Stats().Made;
    fromDisk = album.Stats().FromDisk;
  };
  int64_t made = 0, fromDisk = 0;
  session(made, fromDisk);
  EXPECT_EQ(made, 3);
  session(made, fromDisk);
  EXPECT_EQ(made, 0);
  EXPECT_EQ(fromDisk, 3);

  // The cache file carries its key in a comment marker.
  const TThumbnailDiskCache disk(cache);
  const std::string file = disk.FileFor(paths[0], 48);
  EXPECT_NE(albumtest::JpegSegment(file, 0xFE).find(paths[0]), std::string::npos);
  // A picture written anew, a damaged cache file: both made again.
  fs::last_write_time(paths[1], fs::last_write_time(paths[1]) + std::chrono::seconds(5));
  pixtest::WriteFile(disk.FileFor(paths[2], 48), "garbage");
  session(made, fromDisk);
  EXPECT_EQ(made, 2);
  EXPECT_EQ(fromDisk, 1);
  TPixImage image;
  TBitmap back;
  EXPECT_FALSE(disk.Load(image, paths[0], 64, back)) << "another size is another thumbnail";
  ASSERT_TRUE(disk.Load(image, paths[0], 48, back));
  EXPECT_EQ(back.Width(), 48);
  EXPECT_EQ(back.Height(), 36);
}

TEST(ThumbnailDiskCache, LivesUnderTheXdgCacheHome) {
  const char* savedCache = std::getenv("XDG_CACHE_HOME");
  const std::string keep = savedCache ? savedCache : "";
  setenv("XDG_CACHE_HOME", "/tmp/somewhere", 1);
  EXPECT_EQ(DefaultThumbnailFolder(), "/tmp/somewhere/pixfold/thumbnails");
  setenv("XDG_CACHE_HOME", "relative", 1);
  const char* home = std::getenv("HOME");
  if (home) {
    EXPECT_EQ(DefaultThumbnailFolder(), std::string(home) + "/.cache/pixfold/thumbnails");
  }
  if (savedCache)
    setenv("XDG_CACHE_HOME", keep.c_str(), 1);
  else
    unsetenv("XDG_CACHE_HOME");
}
