#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"
#include "imaging/pixel_block.h"

using namespace pix;

namespace {

constexpr size_t kMiB = size_t{1} << 20;

bool AllZero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

}  // namespace

TEST(PixelBlockKeeping, ANextLargerPhotoRunsOnTheReleasedBlock) {
  ReleaseKeptPixelBlocks();
  const uint8_t* first;
  {
    TPixelBlock block;
    ASSERT_TRUE(block.AllocateForOverwrite(36 * kMiB));
    first = block.Data();
    std::memset(block.Data(), 0xAB, 36 * kMiB);
  }
  EXPECT_EQ(KeptPixelBlockBytes(), 36 * kMiB);
  TPixelBlock next;
  ASSERT_TRUE(next.AllocateForOverwrite(48 * kMiB));  // a larger photo: the same block, grown in place
  EXPECT_EQ(next.Data(), first);
  EXPECT_EQ(KeptPixelBlockBytes(), 0u);
  // A zero-filled request clears the pages the block used, and the rest never held anything.
  std::memset(next.Data(), 0xCD, 48 * kMiB);
  next.Release();
  TPixelBlock zeroed;
  ASSERT_TRUE(zeroed.Allocate(60 * kMiB));
  EXPECT_EQ(zeroed.Data(), first);
  EXPECT_TRUE(AllZero(zeroed.Data(), 60 * kMiB));
}

TEST(PixelBlockKeeping, AtMostTwoBlocksAreKeptAndTheThreadCanGiveThemBack) {
  ReleaseKeptPixelBlocks();
  {
    std::vector<TPixelBlock> blocks(4);
    size_t size = 5 * kMiB;
    for (TPixelBlock& b : blocks) {
      ASSERT_TRUE(b.AllocateForOverwrite(size));
      size += kMiB;
    }
  }
  // The two that used the most pages are the ones kept.
  EXPECT_EQ(KeptPixelBlockBytes(), 7 * kMiB + 8 * kMiB);
  ReleaseKeptPixelBlocks();
  EXPECT_EQ(KeptPixelBlockBytes(), 0u);
}

TEST(PixelBlockKeeping, EachThreadKeepsItsOwn) {
  ReleaseKeptPixelBlocks();
  std::vector<std::thread> workers;
  for (int t = 0; t < 3; ++t)
    workers.emplace_back([t] {
      for (int photo = 0; photo < 20; ++photo) {
        TBitmap image, snapshot;
        image.ReshapeForOverwrite(1500 + 10 * t + photo, 1000, TPixelFormat::TrueColor);
        std::memset(image.Bits(), photo, static_cast<size_t>(image.ByteSize()));
        CopyImage(image, snapshot);
        ASSERT_EQ(0, std::memcmp(image.Bits(), snapshot.Bits(), static_cast<size_t>(image.ByteSize())));
      }
      EXPECT_LE(KeptPixelBlockBytes(), size_t{2 * 4620 * 1000});  // two of the largest photo
    });
  for (auto& w : workers) w.join();
  EXPECT_EQ(KeptPixelBlockBytes(), 0u);  // nothing of theirs came to this thread
}

TEST(PixelBlockKeeping, ASmallPictureDoesNotHoldALargeBlock) {
  ReleaseKeptPixelBlocks();
  TBitmap image;
  image.ReshapeForOverwrite(3000, 4000, TPixelFormat::TrueColor);
  const uint8_t* large = image.Bits();
  image.ReshapeForOverwrite(240, 320, TPixelFormat::TrueColor);
  EXPECT_NE(image.Bits(), large);
  EXPECT_GE(KeptPixelBlockBytes(), size_t{3000 * 4000 * 3});
  image.ReshapeForOverwrite(2900, 4000, TPixelFormat::TrueColor);
  EXPECT_EQ(image.Bits(), large);
}

TEST(PixMaskPending, AJustSizedPlaneReadsZeroWithoutMemoryUntilWritten) {
  TPixMask plane(4000, 3000, 8);
  EXPECT_EQ(plane.GetPixel(3999, 2999), 0);
  EXPECT_TRUE(AllZero(plane.ScanLine(1500), 4000));
  plane.SetPixel(7, 3, 200);
  EXPECT_EQ(plane.GetPixel(7, 3), 200);
  TPixMask bits(13, 5, 1);
  EXPECT_EQ(bits.GetPixel(12, 4), 0);
  bits.SetPixel(12, 4, 1);
  EXPECT_EQ(bits.GetPixel(12, 4), 1);
  EXPECT_EQ(bits.GetPixel(11, 4), 0);
}
