#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/logic/conversion_settings.h"
#include "app/logic/profile_file.h"
#include "platform/file_attributes.h"
#include "support/test_support.h"

using namespace pix;

namespace {

TProfileFile WithContent(const pixtest::TempDir& dir, const std::string& content) {
  std::string path = dir.File("Snapcrate.ini");
  pixtest::WriteFile(path, content);
  return TProfileFile(path);
}

}  // namespace

TEST(ProfileFileRead, MissingFileSectionOrKeyGivesTheDefault) {
  pixtest::TempDir dir;
  TProfileFile missing(dir.File("none.ini"));
  EXPECT_EQ(missing.ReadString("Settings", "Source", "def"), "def");
  EXPECT_EQ(missing.ReadInteger("Settings", "MaxWidth", 200), 200);
  EXPECT_TRUE(missing.ReadBool("Settings", "Recursive", true));

  TProfileFile file = WithContent(dir, "[Other]\nSource=/x\n[Settings]\nDestination=/y\n");
  EXPECT_EQ(file.ReadString("Settings", "Source", "def"), "def");  // only in another section
  EXPECT_EQ(file.ReadString("Settings", "Destination", ""), "/y");
}

TEST(ProfileFileRead, NamesIgnoreCaseValuesAreTrimmedAndUnquoted) {
  pixtest::TempDir dir;
  TProfileFile file = WithContent(dir,
                                  "  [ settings ]\r\n"
                                  " SOURCE =  /home/me/My Photos  \r\n"
                                  "Destination=\"/out dir/\"\r\n"
                                  "Empty=\r\n");
  EXPECT_EQ(file.ReadString("Settings", "Source", ""), "/home/me/My Photos");
  EXPECT_EQ(file.ReadString("SETTINGS", "destination", ""), "/out dir/");
  EXPECT_EQ(file.ReadString("Settings", "Empty", "def"), "");  // present but empty is not missing
  EXPECT_EQ(file.ReadInteger("Settings", "Empty", 5), 5);
}

TEST(ProfileFileRead, IntegersFollowTheDecimalAndHexRules) {
  pixtest::TempDir dir;
  TProfileFile file = WithContent(dir,
                                  "[S]\nDec=-42\nPlus=+7\nHex=0x1F\nHexUpper=0XfF\nBareHex=0x\nBadHex=0xZZ\n"
                                  "Text=abc\nMixed=12abc\nHuge=99999999999\nAllBits=0xFFFFFFFF\nNineDigits=0x100000000\n"
                                  "Min=-2147483648\n");
  EXPECT_EQ(file.ReadInteger("S", "Dec", 0), -42);
  EXPECT_EQ(file.ReadInteger("S", "Plus", 0), 7);
  EXPECT_EQ(file.ReadInteger("S", "Hex", 0), 31);
  EXPECT_EQ(file.ReadInteger("S", "HexUpper", 0), 255);
  EXPECT_EQ(file.ReadInteger("S", "BareHex", 9), 9);  // two characters are not hexadecimal
  EXPECT_EQ(file.ReadInteger("S", "BadHex", 9), 9);
  EXPECT_EQ(file.ReadInteger("S", "Text", 200), 200);
  EXPECT_EQ(file.ReadInteger("S", "Mixed", 200), 200);
  EXPECT_EQ(file.ReadInteger("S", "Huge", 3), 3);
  EXPECT_EQ(file.ReadInteger("S", "AllBits", 0), -1);
  EXPECT_EQ(file.ReadInteger("S", "NineDigits", 4), 4);
  EXPECT_EQ(file.ReadInteger("S", "Min", 0), -2147483647 - 1);
}

TEST(ProfileFileRead, BooleansAreAnyNonZeroInteger) {
  pixtest::TempDir dir;
  TProfileFile file = WithContent(dir, "[S]\nA=1\nB=0\nC=-5\nD=0x10\nE=yes\n");
  EXPECT_TRUE(file.ReadBool("S", "A", false));
  EXPECT_FALSE(file.ReadBool("S", "B", true));
  EXPECT_TRUE(file.ReadBool("S", "C", false));
  EXPECT_TRUE(file.ReadBool("S", "D", false));
  EXPECT_TRUE(file.ReadBool("S", "E", true));  // not an integer: the default
  EXPECT_FALSE(file.ReadBool("S", "E", false));
}

TEST(ProfileFileRead, LongValuesAreCutToTheBufferWithoutSplittingACharacter) {
  pixtest::TempDir dir;
  std::string ascii(5000, 'a');
  // 2046 ASCII bytes then a two-byte character straddling byte 2047.
  std::string straddling = std::string(2046, 'b') + "\xC3\xA9" + "tail";
  TProfileFile file = WithContent(dir, "[S]\nA=" + ascii + "\nB=" + straddling + "\nC=ab" + std::string(1, '\0') + "cd\n");
  EXPECT_EQ(file.ReadString("S", "A", ""), std::string(kProfileBufferSize - 1, 'a'));
  EXPECT_EQ(file.ReadString("S", "B", ""), std::string(2046, 'b'));
  EXPECT_EQ(file.ReadString("S", "C", ""), "ab");
}

TEST(ProfileFileRead, EmptyAndBinaryFilesReadAsDefaults) {
  pixtest::TempDir dir;
  EXPECT_EQ(WithContent(dir, "").ReadInteger("Settings", "MaxWidth", 200), 200);
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 131) % 256);
  TProfileFile file = WithContent(dir, binary);
  EXPECT_EQ(file.ReadInteger("Settings", "MaxWidth", 200), 200);
  EXPECT_EQ(file.ReadString("Settings", "Source", "d"), "d");
}

TEST(ProfileFileWrite, CreatesTheFileAndReadsBackWhatItWrote) {
  pixtest::TempDir dir;
  std::string path = dir.File("new.ini");
  {
    TProfileFile file(path);
    file.WriteString("Settings", "Source", "/photos with spaces/");
    file.WriteInteger("Settings", "MaxWidth", -12);
    file.WriteBool("Settings", "Recursive", false);
  }
  EXPECT_EQ(pixtest::ReadFile(path), "[Settings]\nSource=/photos with spaces/\nMaxWidth=-12\nRecursive=0\n");
  TProfileFile again(path);
  EXPECT_EQ(again.ReadString("Settings", "Source", ""), "/photos with spaces/");
  EXPECT_EQ(again.ReadInteger("Settings", "MaxWidth", 0), -12);
  EXPECT_FALSE(again.ReadBool("Settings", "Recursive", true));
}

TEST(ProfileFileWrite, UpdatesInPlaceAndKeepsEveryOtherLine) {
  pixtest::TempDir dir;
  const std::string original =
      "; written by hand\r\n"
      "[Other]\r\n"
      "Source=keep me\r\n"
      "\r\n"
      "[settings]\r\n"
      "Weird line without equals\r\n"
      "source = old\r\n"
      "Extra=1\r\n"
      "\r\n"
      "[Last]\r\n"
      "X=y";
  std::string path = dir.File("Snapcrate.ini");
  pixtest::WriteFile(path, original);
  TProfileFile file(path);
  file.WriteString("Settings", "Source", "C:\\new \"quoted\"");
  file.WriteString("Settings", "Added", "2");
  file.WriteString("New", "K", "v");
  EXPECT_EQ(pixtest::ReadFile(path),
            "; written by hand\r\n"
            "[Other]\r\n"
            "Source=keep me\r\n"
            "\r\n"
            "[settings]\r\n"
            "Weird line without equals\r\n"
            "Source=C:\\new \"quoted\"\r\n"
            "Extra=1\r\n"
            "Added=2\r\n"
            "\r\n"
            "[Last]\r\n"
            "X=y\r\n"
            "[New]\r\n"
            "K=v\r\n");
}

TEST(ProfileFileWrite, ReadOnlyFileFailsWithItsPathAndStaysUntouched) {
  pixtest::TempDir dir;
  std::string path = dir.File("Snapcrate.ini");
  pixtest::WriteFile(path, "[Settings]\nSource=a\n");
  ASSERT_TRUE(SetReadOnly(path, true));
  TProfileFile file(path);
  try {
    file.WriteString("Settings", "Source", "b");
    FAIL() << "wrote a read-only file";
  } catch (const EProfileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    EXPECT_EQ(e.Path(), path);
  }
  EXPECT_EQ(file.ReadString("Settings", "Source", ""), "a");
  EXPECT_EQ(pixtest::ReadFile(path), "[Settings]\nSource=a\n");
  // A path that is a folder cannot be written either.
  TProfileFile folder(dir.Path().string());
  EXPECT_THROW(folder.WriteBool("Settings", "Recursive", true), EProfileWriteError);
}

TEST(ProfilePath, LivesInTheConfigFolderWhichIsCreated) {
  pixtest::TempDir dir;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  std::string config = (dir.Path() / "cfg" / "deeper").string();
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  EXPECT_EQ(ProfilePath("Snapcrate.ini"), config + "/Snapcrate.ini");
  EXPECT_TRUE(std::filesystem::is_directory(config));
  // A relative value is not a valid configuration folder.
  ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  if (!home.empty()) {
    EXPECT_EQ(ProfilePath("Snapcrate.ini"), home + "/.config/Snapcrate.ini");
  }
  if (old) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

TEST(ProfileFileRead, KeptHostileSettingsFilesReadAsExpected) {
  const std::string kept = PIXFOLD_TEST_DATA "/fuzz/fuzz_settings/";
  // Noise: every key keeps its default.
  const ConversionSettings noise = LoadConversionSettings(TProfileFile(kept + "binary.ini"));
  EXPECT_EQ(noise.Source, ConversionSettings{}.Source);
  EXPECT_EQ(noise.MaxWidth, ConversionSettings{}.MaxWidth);
  // A 5000-character Source: cut to what the read buffer holds.
  const ConversionSettings longValue = LoadConversionSettings(TProfileFile(kept + "long-value.ini"));
  EXPECT_EQ(longValue.Source.size(), static_cast<size_t>(kProfileBufferSize - 1));
  const size_t files = static_cast<size_t>(std::distance(std::filesystem::directory_iterator(kept),
                                                         std::filesystem::directory_iterator()));
  EXPECT_EQ(files, 2u) << "a new kept settings file needs its expected outcome here";
}
