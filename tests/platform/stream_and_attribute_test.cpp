#include <gtest/gtest.h>

#include <cstring>

#include "platform/default_resolution.h"
#include "platform/file_attributes.h"
#include "platform/pix_exception.h"
#include "platform/stream.h"
#include "platform/system_colors.h"
#include "support/test_support.h"

using namespace pix;

TEST(FileStream, WritesSeeksAndReadsBack) {
  pixtest::TempDir dir;
  std::string path = dir.File("a.bin");
  {
    TPixFileStream out(path, TFileMode::fmCreate);
    EXPECT_EQ(out.Write("hello world", 11), 11);
    EXPECT_EQ(out.Seek(0, TSeekOrigin::soBeginning), 0);
    EXPECT_EQ(out.Write("J", 1), 1);
    EXPECT_EQ(out.Size(), 11);
    EXPECT_EQ(out.Seek(-5, TSeekOrigin::soEnd), 6);
  }
  TPixFileStream in(path, TFileMode::fmOpenRead);
  char buf[32] = {};
  EXPECT_EQ(in.Read(buf, 32), 11);  // short read at the end returns what was there
  EXPECT_STREQ(buf, "Jello world");
  EXPECT_EQ(in.Read(buf, 1), 0);
  EXPECT_EQ(in.Seek(-4, TSeekOrigin::soCurrent), 7);
}

TEST(FileStream, OpenFailuresThrowWithPathAndSystemText) {
  pixtest::TempDir dir;
  std::string missing = dir.File("missing.jpg");
  try {
    TPixFileStream s(missing, TFileMode::fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EPixStreamError& e) {
    EXPECT_EQ(e.Path(), missing);
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
  EXPECT_THROW(TPixFileStream(dir.File("no/such/folder/x.jpg"), TFileMode::fmCreate), EPixStreamError);
  EXPECT_THROW(TPixFileStream(dir.Path().string(), TFileMode::fmOpenRead), EPixStreamError);
}

TEST(FileAttributes, ReadOnlyFileCannotBeCreatedOverEvenByRoot) {
  pixtest::TempDir dir;
  std::string path = dir.File("locked.jpg");
  pixtest::WriteFile(path, "original");
  EXPECT_FALSE(IsReadOnly(path));
  ASSERT_TRUE(SetReadOnly(path, true));
  EXPECT_TRUE(IsReadOnly(path));
  EXPECT_THROW(TPixFileStream(path, TFileMode::fmCreate), EPixStreamError);
  EXPECT_EQ(pixtest::ReadFile(path), "original");  // nothing was truncated
  // Reading a read-only file is fine.
  EXPECT_NO_THROW(TPixFileStream(path, TFileMode::fmOpenRead));
  ASSERT_TRUE(ClearReadOnly(path));
  EXPECT_FALSE(IsReadOnly(path));
  EXPECT_NO_THROW(TPixFileStream(path, TFileMode::fmCreate));
  EXPECT_FALSE(IsReadOnly(dir.File("absent")));
  EXPECT_FALSE(SetReadOnly(dir.File("absent"), true));
}

TEST(MemoryStream, GrowsOnWriteAndHonoursWriteLimit) {
  TPixMemoryStream m;
  EXPECT_EQ(m.Write("abc", 3), 3);
  m.Seek(5, TSeekOrigin::soBeginning);
  EXPECT_EQ(m.Write("z", 1), 1);
  ASSERT_EQ(m.Size(), 6);
  EXPECT_EQ(m.Bytes()[3], 0);  // the gap is zero-filled
  m.SetWriteLimit(2);
  EXPECT_EQ(m.Write("1234", 4), 2);
  EXPECT_EQ(m.Write("5", 1), 0);
  m.Seek(0, TSeekOrigin::soBeginning);
  char buf[16];
  EXPECT_EQ(m.Read(buf, 16), 8);
  EXPECT_EQ(m.Seek(-100, TSeekOrigin::soCurrent), 0);
}

TEST(SystemColors, BuiltInAndInstalledResolvers) {
  EXPECT_EQ(ResolveColor(clBtnFace), RGBColor(240, 240, 240));
  EXPECT_EQ(ResolveColor(0x00123456), 0x00123456u);
  SetSystemColorResolver([](TColor) { return RGBColor(1, 2, 3); });
  EXPECT_EQ(ResolveColor(clBtnFace), RGBColor(1, 2, 3));
  SetSystemColorResolver(nullptr);
  EXPECT_EQ(ResolveColor(clBtnFace), RGBColor(240, 240, 240));
  EXPECT_EQ(RedOf(RGBColor(1, 2, 3)), 1);
  EXPECT_EQ(BlueOf(RGBColor(1, 2, 3)), 3);
}

TEST(DefaultResolution, StartsAt96AndIgnoresNonPositive) {
  TResolution before = DefaultResolution();
  EXPECT_EQ(before.DpiX, 96);
  EXPECT_EQ(before.DpiY, 96);
  SetDefaultResolution(120, 0);
  EXPECT_EQ(DefaultResolution().DpiX, 120);
  EXPECT_EQ(DefaultResolution().DpiY, 96);
  SetDefaultResolution(96, 96);
}
