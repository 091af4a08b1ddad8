#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/ui/main_win.h"
#include "platform/file_attributes.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;
namespace fs = std::filesystem;

namespace {

// A source tree, a destination, and a window whose conversion and "File
// exists" answers are scripted and recorded.
class RunTest : public ::testing::Test {
protected:
  RunTest() {
    uitest::App();
    m_source = m_tree.Path() / "src";
    m_destination = m_tree.Path() / "dst";
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) Touch(m_source / name, "image");
    fs::create_directories(m_destination);
  }

  static void Touch(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    pixtest::WriteFile(path.string(), bytes);
  }

  std::unique_ptr<TfrmMainWin> Window(const QStringList& args = {}, bool saveAsJpg = true) {
    m_config.Write("[Settings]\nSource=" + m_source.string() + "\nDestination=" + m_destination.string() +
                   "\nConvertToJPG=" + (saveAsJpg ? "1" : "0") + "\n");
    auto win = std::make_unique<TfrmMainWin>();
    win->SetArguments(args);
    win->SetConvertOne([this, w = win.get()](const std::string& source, const std::string& destination) {
      m_converted.push_back(fs::path(source).lexically_relative(m_source).string() + ">" +
                            fs::path(destination).lexically_relative(m_destination).string());
      m_busySeen = m_busySeen && w->Busy() && QApplication::overrideCursor() != nullptr &&
                   !Child<QWidget>(w, "grpPath")->isEnabled() && !Child<QWidget>(w, "grpConversion")->isEnabled() &&
                   Child<QWidget>(w, "btnStartConvert")->isHidden() &&
                   !Child<QWidget>(w, "btnStopConverting")->isHidden();
      if (m_onConvert) m_onConvert(m_converted.size());
      if (fs::path(source).filename() == m_failing) return false;
      pixtest::WriteFile(destination, "converted");
      return true;
    });
    win->SetAskFileExists([this](const std::string& destination) {
      m_asked.push_back(fs::path(destination).lexically_relative(m_destination).string());
      if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question about " << destination;
        return FileExistsAnswer::CancelRun;
      }
      FileExistsAnswer a = m_answers.front();
      m_answers.erase(m_answers.begin());
      return a;
    });
    win->show();
    return win;
  }

  static void Run(TfrmMainWin* win) { Child<QPushButton>(win, "btnStartConvert")->click(); }

  // "x" for a checked row, "-" for an unchecked one, in list order.
  static std::string Checks(TfrmMainWin* win) {
    auto* list = Child<QTreeWidget>(win, "lstFiles");
    std::string out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      out += list->topLevelItem(i)->checkState(0) == Qt::Checked ? 'x' : '-';
    return out;
  }

  static bool Idle(TfrmMainWin* win) {
    return !win->Busy() && QApplication::overrideCursor() == nullptr && !Child<QWidget>(win, "btnStartConvert")->isHidden() &&
           Child<QWidget>(win, "btnStopConverting")->isHidden() && Child<QWidget>(win, "grpPath")->isEnabled() &&
           Child<QWidget>(win, "grpConversion")->isEnabled();
  }

  void ExistingDestinations(std::initializer_list<const char*> names) {
    for (const char* name : names) Touch(m_destination / name, "old");
  }

  using Strings = std::vector<std::string>;

  uitest::ConfigHome m_config;
  pixtest::TempDir m_tree;
  fs::path m_source;
  fs::path m_destination;
  Strings m_converted;
  Strings m_asked;
  std::vector<FileExistsAnswer> m_answers;
  std::string m_failing;
  std::function<void(size_t)> m_onConvert;
  bool m_busySeen = true;
};

}  // namespace

TEST_F(RunTest, ConvertsEveryListedFileIntoTheSameRelativePlace) {
  Touch(m_source / "Sub" / "e.GIF", "gif");
  Touch(m_source / "Sub" / "f.bmp", "bmp");
  Touch(m_source / "notes.txt", "text");
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(m_converted, (Strings{"a.jpg>a.jpg", "b.jpg>b.jpg", "c.jpg>c.jpg", "d.jpg>d.jpg", "Sub/e.GIF>Sub/e.jpg",
                                  "Sub/f.bmp>Sub/f.jpg"}));
  EXPECT_TRUE(m_busySeen);
  EXPECT_TRUE(Idle(win.get()));
  EXPECT_EQ(Checks(win.get()), "xxxxxx");
  auto* list = Child<QTreeWidget>(win.get(), "lstFiles");
  EXPECT_EQ(list->topLevelItem(4)->text(0), "Sub");
  EXPECT_EQ(list->topLevelItem(4)->text(1), "e.GIF");
  auto* bar = Child<QProgressBar>(win.get(), "oProgressBar");
  EXPECT_EQ(bar->maximum(), 6);
  EXPECT_EQ(bar->value(), 6);
  EXPECT_EQ(Child<QLabel>(win.get(), "lblFileToName")->text().toStdString(), (m_destination / "Sub" / "f.jpg").string());
  EXPECT_TRUE(m_asked.empty());
}

TEST_F(RunTest, OriginalTypesKeepTheirNamesAndFailedFilesStayUnchecked) {
  Touch(m_source / "e.GIF", "gif");
  m_failing = "b.jpg";
  auto win = Window({}, false);
  Run(win.get());
  EXPECT_EQ(m_converted, (Strings{"a.jpg>a.jpg", "b.jpg>b.jpg", "c.jpg>c.jpg", "d.jpg>d.jpg", "e.GIF>e.GIF"}));
  EXPECT_EQ(Checks(win.get()), "x-xxx");
}

TEST_F(RunTest, AConversionThatThrowsCountsAsFailed) {
  auto win = Window();
  win->SetConvertOne([](const std::string& source, const std::string&) -> bool {
    if (fs::path(source).filename() == "b.jpg") throw std::runtime_error("disk full");
    return true;
  });
  Run(win.get());
  EXPECT_EQ(Checks(win.get()), "x-xx");
  EXPECT_TRUE(Idle(win.get()));
}

TEST_F(RunTest, MissingSourceGivesAnEmptyListAndAnIdleWindow) {
  fs::remove_all(m_source);
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(Child<QTreeWidget>(win.get(), "lstFiles")->topLevelItemCount(), 0);
  EXPECT_TRUE(m_converted.empty());
  EXPECT_TRUE(Idle(win.get()));
  auto* bar = Child<QProgressBar>(win.get(), "oProgressBar");
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_GT(bar->maximum(), bar->minimum());  // not the endless busy bar
}

TEST_F(RunTest, SkipAllAtTheFirstPromptSkipsEveryExistingFile) {
  ExistingDestinations({"a.jpg", "c.jpg", "d.jpg"});
  m_answers = {FileExistsAnswer::SkipAll};
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(m_asked, (Strings{"a.jpg"}));
  EXPECT_EQ(m_converted, (Strings{"b.jpg>b.jpg"}));
  EXPECT_EQ(Checks(win.get()), "-x--");
}

TEST_F(RunTest, ReplaceThisAsksAgainAtTheNextExistingFile) {
  ExistingDestinations({"a.jpg", "c.jpg"});
  m_answers = {FileExistsAnswer::ReplaceThis, FileExistsAnswer::SkipThis};
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(m_asked, (Strings{"a.jpg", "c.jpg"}));
  EXPECT_EQ(Checks(win.get()), "xx-x");
  EXPECT_EQ(pixtest::ReadFile((m_destination / "c.jpg").string()), "old");
}

TEST_F(RunTest, ReplaceThisKeepsTheOldFileUntilItsReplacementIsWritten) {
  ExistingDestinations({"a.jpg", "b.jpg", "c.jpg"});
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) SetReadOnly((m_destination / name).string(), true);
  m_answers = {FileExistsAnswer::ReplaceThis, FileExistsAnswer::ReplaceThis, FileExistsAnswer::ReplaceThis};
  auto win = Window();
  // a converts; b fails after writing half a file; c fails by throwing.
  win->SetConvertOne([this](const std::string& source, const std::string& destination) -> bool {
    const std::string name = fs::path(source).filename().string();
    // The old file is out of the way while the new one is written.
    EXPECT_FALSE(fs::exists(destination)) << name;
    pixtest::WriteFile(destination, name == "a.jpg" ? "converted" : "half");
    if (name == "b.jpg") return false;
    if (name == "c.jpg") throw std::runtime_error("disk full");
    return true;
  });
  Run(win.get());
  EXPECT_EQ(Checks(win.get()), "x--x");
  EXPECT_EQ(pixtest::ReadFile((m_destination / "a.jpg").string()), "converted");
  for (const char* name : {"b.jpg", "c.jpg"}) {
    EXPECT_EQ(pixtest::ReadFile((m_destination / name).string()), "old") << name;
    EXPECT_TRUE(IsReadOnly((m_destination / name).string())) << name;
  }
  // Nothing is left beside them.
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(m_destination)) ++entries;
  EXPECT_EQ(entries, 4u);
}

TEST_F(RunTest, ReplaceAllWritesOverWithoutAskingAgain) {
  ExistingDestinations({"a.jpg", "b.jpg", "d.jpg"});
  m_answers = {FileExistsAnswer::ReplaceAll};
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(m_asked, (Strings{"a.jpg"}));
  EXPECT_EQ(Checks(win.get()), "xxxx");
  EXPECT_EQ(pixtest::ReadFile((m_destination / "d.jpg").string()), "converted");
}

TEST_F(RunTest, RenameAnswersPickFreeNames) {
  ExistingDestinations({"a.jpg", "b.jpg", "b_1.jpg", "c.jpg"});
  m_answers = {FileExistsAnswer::RenameThis, FileExistsAnswer::RenameAll};
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(m_asked, (Strings{"a.jpg", "b.jpg"}));
  EXPECT_EQ(m_converted, (Strings{"a.jpg>a_1.jpg", "b.jpg>b_2.jpg", "c.jpg>c_1.jpg", "d.jpg>d.jpg"}));
  EXPECT_EQ(Checks(win.get()), "xxxx");
  EXPECT_EQ(pixtest::ReadFile((m_destination / "a.jpg").string()), "old");
}

TEST_F(RunTest, CancelAtTheSecondPromptEndsTheRunAndAutoStartCloses) {
  ExistingDestinations({"b.jpg", "c.jpg"});
  m_answers = {FileExistsAnswer::ReplaceThis, FileExistsAnswer::CancelRun};
  auto win = Window({"/START"});
  ASSERT_TRUE(uitest::WaitFor([&] { return !win->isVisible(); }));
  EXPECT_EQ(m_asked, (Strings{"b.jpg", "c.jpg"}));
  EXPECT_EQ(Checks(win.get()), "xx--");
  EXPECT_TRUE(win->StopRequested());
  EXPECT_TRUE(Idle(win.get()));
  EXPECT_TRUE(fs::exists(m_config.SettingsFile()));
}

TEST_F(RunTest, AutoStartRunsShortlyAfterShowingAndClosesTheWindow) {
  auto win = Window({"/start"});
  EXPECT_TRUE(m_converted.empty());  // nothing runs before the timer
  ASSERT_TRUE(uitest::WaitFor([&] { return !win->isVisible(); }));
  EXPECT_EQ(Checks(win.get()), "xxxx");
  std::string saved = pixtest::ReadFile(m_config.SettingsFile());
  EXPECT_NE(saved.find("JPGQuality=7"), std::string::npos) << saved;
}

TEST_F(RunTest, OverwriteNeverAsks) {
  ExistingDestinations({"a.jpg", "b.jpg"});
  auto win = Window({"anything", "/Overwrite"});
  Run(win.get());
  EXPECT_TRUE(m_asked.empty());
  EXPECT_EQ(Checks(win.get()), "xxxx");
}

TEST_F(RunTest, AGifCounterpartThatExistsAsJpgIsAskedAbout) {
  Touch(m_source / "e.gif", "gif");
  ExistingDestinations({"e.jpg"});
  m_answers = {FileExistsAnswer::SkipThis};
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(m_asked, (Strings{"e.jpg"}));
}

TEST_F(RunTest, StopDuringFileKLeavesRowsFromKOnUnchecked) {
  auto win = Window();
  // The click arrives with the messages processed just before the third file.
  m_onConvert = [&](size_t n) {
    if (n == 2) QMetaObject::invokeMethod(Child<QPushButton>(win.get(), "btnStopConverting"), "click", Qt::QueuedConnection);
  };
  Run(win.get());
  EXPECT_EQ(m_converted.size(), 2u);
  EXPECT_EQ(Checks(win.get()), "xx--");
  EXPECT_TRUE(Idle(win.get()));
}

TEST_F(RunTest, StopBeforeAnExistingFileNeitherAsksNorDeletes) {
  ExistingDestinations({"b.jpg"});
  m_answers = {FileExistsAnswer::ReplaceThis};
  auto win = Window();
  m_onConvert = [&](size_t n) {
    if (n == 1) QMetaObject::invokeMethod(Child<QPushButton>(win.get(), "btnStopConverting"), "click", Qt::QueuedConnection);
  };
  Run(win.get());
  EXPECT_TRUE(m_asked.empty());
  EXPECT_EQ(pixtest::ReadFile((m_destination / "b.jpg").string()), "old");
  EXPECT_EQ(Checks(win.get()), "x---");
}

TEST_F(RunTest, ClosingDuringARunStopsItAndClosesOnceIdle) {
  auto win = Window();
  m_onConvert = [&](size_t n) {
    if (n == 1) QMetaObject::invokeMethod(win.get(), "close", Qt::QueuedConnection);
  };
  Run(win.get());
  EXPECT_EQ(Checks(win.get()), "x---");
  EXPECT_FALSE(win->isVisible());
  EXPECT_TRUE(Idle(win.get()));
  EXPECT_TRUE(fs::exists(m_config.SettingsFile()));
}

TEST_F(RunTest, TheSameFolderIsRefusedHoweverItIsWritten) {
  fs::create_directory_symlink(m_source, m_tree.Path() / "alias");
  const std::string src = m_source.string();
  for (const std::string& destination :
       {src, src + "/", src + "/./", " " + src + " ", src + "/x/..", (m_tree.Path() / "alias").string()}) {
    auto win = Window();
    Child<QLineEdit>(win.get(), "sleDestinationPath")->setText(QString::fromStdString(destination));
    QString message;
    uitest::CloseNextMessage(&message);
    Run(win.get());
    EXPECT_EQ(message, "Source and destination directory should be different.") << destination;
    EXPECT_TRUE(m_converted.empty()) << destination;
    EXPECT_EQ(Child<QTreeWidget>(win.get(), "lstFiles")->topLevelItemCount(), 0);
    EXPECT_TRUE(Idle(win.get()));
  }
}

TEST_F(RunTest, FoldersDifferingInCaseOrNestedAreAccepted) {
  Touch(m_tree.Path() / "SRC" / "z.jpg", "image");
  auto win = Window();
  Child<QLineEdit>(win.get(), "sleDestinationPath")->setText(QString::fromStdString((m_tree.Path() / "SRC").string()));
  Run(win.get());
  EXPECT_EQ(m_converted.size(), 4u);
  m_converted.clear();
  Child<QLineEdit>(win.get(), "sleDestinationPath")->setText(QString::fromStdString((m_source / "thumbs").string()));
  Run(win.get());
  EXPECT_EQ(m_converted.size(), 4u);
}

TEST_F(RunTest, UnderAutoStartARefusedRunLeavesTheWindowOpen) {
  m_config.Write("[Settings]\nSource=" + m_source.string() + "\nDestination=" + m_source.string() + "/\n");
  TfrmMainWin win;
  win.SetArguments({"/START"});
  QString message;
  uitest::CloseNextMessage(&message);
  win.show();
  ASSERT_TRUE(uitest::WaitFor([&] { return !message.isEmpty(); }));
  EXPECT_EQ(message, "Source and destination directory should be different.");
  uitest::WaitFor([] { return false; }, 150);
  EXPECT_TRUE(win.isVisible());
  EXPECT_TRUE(Idle(&win));
}
