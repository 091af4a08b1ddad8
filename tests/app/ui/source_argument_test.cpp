#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "app/ui/main_win.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;

TEST(SourceArgument, AFolderArgumentFillsTheSourceAfterTheSettingsWereLoaded) {
  uitest::App();
  uitest::ConfigHome config;
  pixtest::TempDir tmp;
  const std::string album = tmp.File("album");
  std::filesystem::create_directories(album);
  config.Write("[Settings]\nSource=/saved/source\nDestination=/saved/destination\n");
  TfrmMainWin win;
  win.SetArguments({QString::fromStdString(album), QStringLiteral("/OVERWRITE")});
  win.show();
  EXPECT_EQ(Child<QLineEdit>(&win, "sleSourcePath")->text().toStdString(), album);
  EXPECT_EQ(Child<QLineEdit>(&win, "sleDestinationPath")->text(), "/saved/destination");
  EXPECT_TRUE(Child<QPushButton>(&win, "btnStartConvert")->isEnabled());
  // The folder is taken out before the places are counted: "/OVERWRITE" is first, so it does nothing.
  EXPECT_FALSE(win.AutoStart());
  EXPECT_FALSE(win.Overwrite());
  EXPECT_EQ(win.CurrentSettings().Source, album);
}
