// A folder of garbage named like pictures: the real pipeline must fail every
// file cleanly, the run must finish and the window must come back idle.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <random>

#include "app/ui/main_win.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;
namespace fs = std::filesystem;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string Le32(uint32_t v) { return Bytes({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)}); }

// Headers that promise far more than the file holds, cut files, and noise.
std::map<std::string, std::string> GarbageFiles() {
  std::map<std::string, std::string> files;
  std::mt19937 random(20041205);
  for (const char* ext : {"jpg", "gif", "bmp", "jpeg"}) {
    for (int i = 0; i < 3; ++i) {
      std::string noise(static_cast<size_t>(random() % 5000), '\0');
      for (char& c : noise) c = static_cast<char>(random());
      files[std::string("noise") + std::to_string(i) + "." + ext] = noise;
    }
    files[std::string("empty.") + ext] = "";
  }
  files["sof-giant.jpg"] = Bytes({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0xFF, 0xDC, 0xFF, 0xDC, 0x03, 1, 0x22, 0,
                                  2, 0x11, 1, 3, 0x11, 1, 0xFF, 0xDA});
  files["cut.jpg"] = Bytes({0xFF, 0xD8, 0xFF});
  files["giant.gif"] = std::string("GIF89a") + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0, 0, 0x2C, 0, 0, 0, 0, 0xFF,
                                                      0xFF, 0xFF, 0xFF, 0x00, 0x08, 0x02, 0x4C, 0x01, 0x00, 0x3B});
  files["no-data.gif"] = std::string("GIF87a") + Bytes({4, 0, 4, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255});
  std::string bmp = "BM" + Le32(54) + Le32(0) + Le32(54) + Le32(40) + Le32(30000) + Le32(30000) +
                    Bytes({1, 0, 24, 0}) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0);
  files["giant.bmp"] = bmp;
  std::string twoBit = "BM" + Le32(0) + Le32(0) + Le32(70) + Le32(40) + Le32(64) + Le32(64) + Bytes({1, 0, 2, 0}) +
                       Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(4) + Le32(0);
  files["two-bit.bmp"] = twoBit + std::string(300, '\x55');
  return files;
}

}  // namespace

TEST(GarbageRun, EveryRowStaysUncheckedAndTheWindowReturnsToIdle) {
  uitest::App();
  pixtest::TempDir tree;
  const fs::path source = tree.Path() / "in", destination = tree.Path() / "out";
  fs::create_directories(source / "sub");
  const auto files = GarbageFiles();
  for (const auto& [name, bytes] : files) pixtest::WriteFile((source / "sub" / name).string(), bytes);

  uitest::ConfigHome config;
  config.Write("[Settings]\nSource=" + source.string() + "\nDestination=" + destination.string() +
               "\nRecursive=1\nConvertToJPG=0\nRotation=1\nSizeCategory=0\n");
  TfrmMainWin win;
  win.show();
  Child<QPushButton>(&win, "btnStartConvert")->click();
  ASSERT_TRUE(uitest::WaitFor([&] { return !win.Busy(); }, 60000));

  auto* list = Child<QTreeWidget>(&win, "lstFiles");
  ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(files.size()));
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    EXPECT_NE(list->topLevelItem(i)->checkState(0), Qt::Checked) << list->topLevelItem(i)->text(1).toStdString();
  EXPECT_FALSE(Child<QWidget>(&win, "btnStartConvert")->isHidden());
  EXPECT_TRUE(Child<QWidget>(&win, "btnStopConverting")->isHidden());
  EXPECT_TRUE(Child<QWidget>(&win, "grpPath")->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
