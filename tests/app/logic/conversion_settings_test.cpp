#include <gtest/gtest.h>

#include "app/logic/command_line.h"
#include "app/logic/conversion_settings.h"
#include "platform/file_attributes.h"
#include "support/test_support.h"

using namespace pix;

TEST(ConversionSettingsFile, MissingKeysGiveTheTableDefaults) {
  pixtest::TempDir dir;
  ConversionSettings s = LoadConversionSettings(TProfileFile(dir.File("Snapcrate.ini")));
  EXPECT_EQ(s.Source, "");
  EXPECT_EQ(s.Destination, "");
  EXPECT_TRUE(s.Recursive);
  EXPECT_EQ(s.MaxHeight, 200);
  EXPECT_EQ(s.MaxWidth, 200);
  EXPECT_FALSE(s.ConvertToGrayscale);
  EXPECT_TRUE(s.ConvertToJPG);
  EXPECT_TRUE(s.ConvertJPG && s.ConvertGIF && s.ConvertBMP);
  EXPECT_FALSE(s.LandscapeOnly);
  EXPECT_EQ(s.JPGQuality, 7);
  EXPECT_EQ(s.Rotation, kRotation90Left);
  EXPECT_EQ(s.SizeCategory, 0);
}

TEST(ConversionSettingsFile, SavesEveryKeyInOrderAndLoadsThemBack) {
  pixtest::TempDir dir;
  std::string path = dir.File("Snapcrate.ini");
  ConversionSettings s;
  s.Source = "/home/me/Pictures";
  s.Destination = "/media/palm/album ";
  s.Recursive = false;
  s.MaxHeight = 50;
  s.MaxWidth = 1000;
  s.ConvertToGrayscale = true;
  s.ConvertToJPG = false;
  s.ConvertGIF = false;
  s.LandscapeOnly = true;
  s.JPGQuality = 3;
  s.Rotation = kRotation90Right;
  s.SizeCategory = -1;
  {
    TProfileFile file(path);
    SaveConversionSettings(file, s);
  }
  EXPECT_EQ(pixtest::ReadFile(path),
            "[Settings]\nSource=/home/me/Pictures\nDestination=/media/palm/album \nRecursive=0\nMaxHeight=50\n"
            "MaxWidth=1000\nConvertToGrayscale=1\nConvertToJPG=0\nConvertJPG=1\nConvertGIF=0\nConvertBMP=1\n"
            "LandscapeOnly=1\nJPGQuality=3\nRotation=2\nSizeCategory=-1\nConvertPNG=1\nConvertTIFF=1\n"
            "ConvertOther=1\nConvertHEIF=1\nAutoOrient=1\nMetadata=0\nThreads=0\n");
  ConversionSettings back = LoadConversionSettings(TProfileFile(path));
  EXPECT_EQ(back.Source, s.Source);
  EXPECT_EQ(back.Destination, "/media/palm/album");  // blanks around a value are not kept by the file
  EXPECT_EQ(back.Recursive, s.Recursive);
  EXPECT_EQ(back.MaxHeight, 50);
  EXPECT_EQ(back.MaxWidth, 1000);
  EXPECT_EQ(back.ConvertToGrayscale, true);
  EXPECT_EQ(back.ConvertToJPG, false);
  EXPECT_EQ(back.ConvertGIF, false);
  EXPECT_EQ(back.LandscapeOnly, true);
  EXPECT_EQ(back.JPGQuality, 3);
  EXPECT_EQ(back.Rotation, kRotation90Right);
  EXPECT_EQ(back.SizeCategory, -1);
}

TEST(ConversionSettingsFile, AFailedWriteStopsBeforeTheRemainingKeys) {
  pixtest::TempDir dir;
  std::string path = dir.File("Snapcrate.ini");
  pixtest::WriteFile(path, "");
  ASSERT_TRUE(SetReadOnly(path, true));
  TProfileFile file(path);
  EXPECT_THROW(SaveConversionSettings(file, ConversionSettings{}), EProfileWriteError);
  EXPECT_EQ(pixtest::ReadFile(path), "");
}

TEST(CommandLine, OnlyTheFirstTwoArgumentsInTheirOwnPlaces) {
  struct Case {
    std::vector<std::string> args;
    bool autoStart;
    bool overwrite;
  };
  const Case cases[] = {
      {{}, false, false},
      {{"/START"}, true, false},
      {{"/start"}, true, false},
      {{"/start", "/overwrite"}, true, true},
      {{"/START", "/OVERWRITE", "/whatever"}, true, true},
      {{"/OVERWRITE"}, false, false},
      {{"/OVERWRITE", "/START"}, false, false},
      {{"x", "/Overwrite"}, false, true},
      {{"/START ", "/OVERWRITEX"}, false, false},
      {{"START"}, false, false},
      {{"/ſtart"}, true, false},  // Unicode case mapping: the long s upper-cases to S
  };
  for (const Case& c : cases) {
    TCommandLineFlags flags = ReadCommandLine(c.args);
    std::string shown;
    for (const auto& a : c.args) shown += "[" + a + "]";
    EXPECT_EQ(flags.AutoStart, c.autoStart) << shown;
    EXPECT_EQ(flags.Overwrite, c.overwrite) << shown;
  }
}

TEST(ConversionSettingsFile, EffectiveSettingsAreWhatTheControlsWouldShow) {
  ConversionSettings s;
  s.SizeCategory = 2, s.MaxWidth = 1000, s.JPGQuality = 15, s.Rotation = 7, s.Metadata = 9, s.Threads = -3;
  ConversionSettings e = EffectiveSettings(s);
  EXPECT_EQ(std::make_pair(e.MaxWidth, e.MaxHeight), std::make_pair(160, 160));
  EXPECT_EQ(e.JPGQuality, kMaxJpgQuality);
  EXPECT_EQ(e.Rotation, kRotationNone);
  EXPECT_EQ(e.Metadata, kMetadataKeepAll);
  EXPECT_EQ(e.Threads, 0);
  s.SizeCategory = kUserDefinedSize, s.MaxWidth = 0, s.MaxHeight = 1000, s.JPGQuality = 0;
  e = EffectiveSettings(s);
  EXPECT_EQ(std::make_pair(e.MaxWidth, e.MaxHeight), std::make_pair(1, 1000));
  EXPECT_EQ(e.JPGQuality, kMinJpgQuality);
}
