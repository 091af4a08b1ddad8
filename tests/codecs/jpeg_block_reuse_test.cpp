// Decoding into a recycled pixel block: rows the decoder did not reach must
// be cleared, never left with the block's previous picture.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/jpeg/jpeg_codec.h"

using namespace pix;

TEST(JpegBlockReuse, AnInterruptedDecodeClearsTheRowsItNeverWrote) {
  const int32_t side = 1200;  // large enough for a recycled mapping
  TBitmap picture(side, side);
  std::memset(picture.Bits(), 0x80, static_cast<size_t>(picture.ByteSize()));
  TPixMemoryStream jpeg;
  TIOParams params;
  bool aborted = false;
  TProgressRecord write;
  write.Aborting = &aborted;
  WriteJpegStream(jpeg, picture, params, write);
  ASSERT_FALSE(aborted);

  {
    TBitmap stale(side, side);
    std::memset(stale.Bits(), 0xCD, static_cast<size_t>(stale.ByteSize()));
  }  // released: its block waits for the next image of this size

  TBitmap decoded;
  TPixProgressEvent stopHalfway = [&](TPixObject*, int per) {
    if (per >= 50) aborted = true;
  };
  TProgressRecord read;
  read.Aborting = &aborted;
  read.Handler = &stopHalfway;
  jpeg.Seek(0, TSeekOrigin::soBeginning);
  ReadJpegStream(jpeg, decoded, params, false, read);
  ASSERT_TRUE(aborted);
  ASSERT_EQ(decoded.Height(), side);
  EXPECT_NE(decoded.ScanLine(0)[0], 0);  // written before the stop
  for (int32_t y = side - 10; y < side; ++y)
    for (int64_t x = 0; x < decoded.RowStride(); ++x) ASSERT_EQ(decoded.ScanLine(y)[x], 0) << y << "," << x;
}
