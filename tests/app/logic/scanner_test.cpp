// Scanning through SANE's own "test" backend: a configuration folder of the
// tests' making lists only that backend, so the real SANE library, dll
// loader and backend run; no hardware is involved.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/logic/scanner.h"
#include "support/sane_test_config.h"

using namespace pix;

namespace {

constexpr auto kWait = std::chrono::seconds(30);

using SaneConfig = pixtest::SaneTestConfig;

template <typename T>
T Get(std::future<T> future) {
  EXPECT_EQ(future.wait_for(kWait), std::future_status::ready);
  return future.get();
}

// Every pixel with blue, green and red alike.
bool AllGray(const TBitmap& bmp) {
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int32_t x = 0; x < bmp.Width(); ++x) {
      const uint8_t* p = bmp.ScanLine(y) + x * 3;
      if (p[0] != p[1] || p[1] != p[2]) return false;
    }
  return true;
}

int Distinct(const TBitmap& bmp) {
  std::vector<uint32_t> seen;
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int32_t x = 0; x < bmp.Width(); ++x) {
      const uint8_t* p = bmp.ScanLine(y) + x * 3;
      const uint32_t c = p[0] | (p[1] << 8) | (p[2] << 16);
      if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
    }
  return static_cast<int>(seen.size());
}

const std::string kColourPattern = "test-picture \"Color pattern\"\nresolution 50\nbr_x 40.0\nbr_y 30.0\n";

}  // namespace

TEST(Scanner, FindsTheTestDeviceAndItsResolutionsAndModes) {
  SaneConfig config(kColourPattern);
  TScannerSession session;
  const std::vector<TScannerDevice> devices = Get(session.Devices());
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].Name, "test:0");
  const TScannerOptions options = Get(session.Options("test:0"));
  EXPECT_EQ(options.Error, "");
  EXPECT_EQ(options.Resolution, 50);
  EXPECT_NE(std::find(options.Modes.begin(), options.Modes.end(), "Color"), options.Modes.end());
  EXPECT_NE(std::find(options.Modes.begin(), options.Modes.end(), "Gray"), options.Modes.end());
  ASSERT_FALSE(options.Resolutions.empty());
  EXPECT_TRUE(std::is_sorted(options.Resolutions.begin(), options.Resolutions.end()));
  EXPECT_NE(std::find(options.Resolutions.begin(), options.Resolutions.end(), 300), options.Resolutions.end());
  EXPECT_NE(Get(session.Options("nosuchbackend:0")).Error, "");
}

TEST(Scanner, ScansAPageInColourAndInGrayAtTheAskedResolution) {
  SaneConfig config(kColourPattern);
  TScannerSession session;
  std::vector<int> progress;
  TScanResult colour = Get(session.Scan({"test:0", 75, "Color"}, [&](int p) { progress.push_back(p); }));
  ASSERT_TRUE(colour.Ok()) << colour.Error;
  EXPECT_EQ(colour.Resolution, 75);
  // 40 x 30 mm at 75 dpi.
  EXPECT_NEAR(colour.Picture->Width(), 118, 2);
  EXPECT_NEAR(colour.Picture->Height(), 89, 2);
  EXPECT_FALSE(AllGray(*colour.Picture));
  EXPECT_GT(Distinct(*colour.Picture), 4);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);

  TScanResult gray = Get(session.Scan({"test:0", 50, "Gray"}));
  ASSERT_TRUE(gray.Ok()) << gray.Error;
  EXPECT_TRUE(AllGray(*gray.Picture));
  EXPECT_NEAR(gray.Picture->Width(), 79, 2);
}

TEST(Scanner, ReadsThreePassSixteenBitAndLineArtPages) {
  {
    SaneConfig config(kColourPattern + "mode Color\nthree-pass true\n");
    TScannerSession session;
    TScanResult threePass = Get(session.Scan({"test:0", 0, ""}));
    ASSERT_TRUE(threePass.Ok()) << threePass.Error;
    EXPECT_FALSE(AllGray(*threePass.Picture));
  }
  {
    SaneConfig config(kColourPattern + "mode Color\ndepth 16\n");
    TScannerSession session;
    TScanResult deep = Get(session.Scan({"test:0", 0, ""}));
    ASSERT_TRUE(deep.Ok()) << deep.Error;
    EXPECT_GT(Distinct(*deep.Picture), 4);
  }
  {
    // A solid black page at one bit per pixel: set bits are black.
    SaneConfig config("test-picture \"Solid black\"\nmode Gray\ndepth 1\nresolution 50\nbr_x 20.0\nbr_y 20.0\n");
    TScannerSession session;
    TScanResult lines = Get(session.Scan({"test:0", 0, ""}));
    ASSERT_TRUE(lines.Ok()) << lines.Error;
    EXPECT_EQ(lines.Picture->ScanLine(5)[15], 0);
    EXPECT_EQ(Distinct(*lines.Picture), 1);
  }
}

TEST(Scanner, AScanStoppedOnTheWayComesBackCancelled) {
  // A slow page: each read waits 20 ms.
  SaneConfig config(kColourPattern + "read-delay true\nread-delay-duration 20000\nread-limit true\nread-limit-size 64\n");
  TScannerSession session;
  std::atomic<bool> started{false};
  std::future<TScanResult> scan = session.Scan({"test:0", 0, ""}, [&](int) { started = true; });
  while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  session.Cancel();
  const TScanResult result = Get(std::move(scan));
  EXPECT_TRUE(result.Cancelled);
  EXPECT_FALSE(result.Ok());
}

TEST(Scanner, WithoutABackendThereIsNoDeviceAndAMissingOneFailsToScan) {
  SaneConfig config("", false);
  TScannerSession session;
  EXPECT_TRUE(Get(session.Devices()).empty());
  const TScanResult result = Get(session.Scan({"nosuchbackend:0", 0, ""}));
  EXPECT_FALSE(result.Ok());
  EXPECT_NE(result.Error, "");
}
