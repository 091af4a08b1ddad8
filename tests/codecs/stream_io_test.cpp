#include <gtest/gtest.h>

#include "codecs/common/stream_io.h"
#include "platform/stream.h"

using namespace pix;

TEST(CheckedWrites, ShortWriteSetsAbortAndStopsLaterWrites) {
  TPixMemoryStream m;
  m.SetWriteLimit(5);
  bool abort = false;
  TFailureReason reason = frNone;
  TProgressRecord progress{.Aborting = &abort, .Reason = &reason};
  EXPECT_TRUE(WriteLE32(m, 0x04030201, progress));
  EXPECT_FALSE(abort);
  EXPECT_FALSE(WriteLE16(m, 0xBEEF, progress));
  EXPECT_TRUE(abort);
  EXPECT_EQ(reason, frDiskFull) << "a stream that takes no more bytes reads as a full disk";
  m.SetWriteLimit(-1);
  EXPECT_FALSE(WriteByte(m, 1, progress));  // sticky: nothing more is written
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Bytes()[0], 1);
  EXPECT_EQ(m.Bytes()[3], 4);
  m.Seek(0, TSeekOrigin::soBeginning);
  uint32_t v = 0;
  EXPECT_TRUE(ReadLE32(m, v));
  EXPECT_EQ(v, 0x04030201u);
  uint16_t w = 0;
  EXPECT_FALSE(ReadLE16(m, w));  // one byte left
}
