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

#include <chrono>
#include <mutex>
#include <thread>

#include "app/logic/safe_output.h"
#include "app/ui/main_win.h"
#include "app/ui/small_widgets.h"
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

  // Writes text as the real conversion writes its files: whole or not at all.
  static TConvertOutcome WriteSafely(const std::string& destination, TReplaceMode replace, const std::string& text) {
    fs::create_directories(fs::path(destination).parent_path());
    TSafeOutput output(destination, replace);
    pixtest::WriteFile(output.TemporaryPath(), text);
    TConvertOutcome outcome;
    outcome.Reason = output.Commit();
    outcome.Written = outcome.Reason == frNone;
    outcome.WrittenPath = destination;
    return outcome;
  }

  std::unique_ptr<TfrmMainWin> Window(const QStringList& args = {}, bool saveAsJpg = true, int threads = 1) {
    m_config.Write("[Settings]\nSource=" + m_source.string() + "\nDestination=" + m_destination.string() +
                   "\nConvertToJPG=" + (saveAsJpg ? "1" : "0") + "\nThreads=" + std::to_string(threads) + "\n");
    auto win = std::make_unique<TfrmMainWin>();
    win->SetArguments(args);
    // Called on the run's workers.
    win->SetConvertOne([this](TPixImage&, const ConversionSettings&, const std::string& source,
                              const std::string& destination, TReplaceMode replace) {
      size_t n;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_converted.push_back(fs::path(source).lexically_relative(m_source).string() + ">" +
                              fs::path(destination).lexically_relative(m_destination).string());
        n = m_converted.size();
      }
      if (m_onConvert) m_onConvert(n);
      if (fs::path(source).filename() == m_failing) {
        TConvertOutcome failed;
        failed.Reason = frCorruptData;
        return failed;
      }
      return WriteSafely(destination, replace, "converted");
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

  // Starts a run as a click does, checks the busy state it puts the window
  // in, and waits for the run to end.
  void Run(TfrmMainWin* win) {
    Child<QPushButton>(win, "btnStartConvert")->click();
    if (win->Busy())
      m_busySeen = m_busySeen && QApplication::overrideCursor() != nullptr &&
                   !Child<QWidget>(win, "grpPath")->isEnabled() && !Child<QWidget>(win, "grpConversion")->isEnabled() &&
                   Child<QWidget>(win, "btnStartConvert")->isHidden() &&
                   !Child<QWidget>(win, "btnStopConverting")->isHidden();
    EXPECT_TRUE(uitest::WaitFor([win] { return !win->Busy(); }));
  }

  static std::string Status(TfrmMainWin* win, int row) {
    return Child<QTreeWidget>(win, "lstFiles")->topLevelItem(row)->text(2).toStdString();
  }

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
  std::mutex m_mutex;
};

}  // namespace

TEST_F(RunTest, SeveralWorkersReportInRowOrder) {
  for (int i = 0; i < 12; ++i) Touch(m_source / ("p" + std::to_string(i + 10) + ".jpg"), "image");
  m_failing = "p13.jpg";
  auto win = Window({}, true, 3);
  m_onConvert = [](size_t n) { std::this_thread::sleep_for(std::chrono::milliseconds(n % 3 == 0 ? 20 : 1)); };
  Run(win.get());
  EXPECT_EQ(Checks(win.get()), "xxxxxxx-xxxxxxxx");
  EXPECT_EQ(Status(win.get(), 7), "failed: corrupt data");
  EXPECT_EQ(Status(win.get(), 8), "converted");
  EXPECT_EQ(Child<TElidedLabel>(win.get(), "lblFileToName")->FullText(), "15 converted, 1 failed, 0 skipped");
  EXPECT_EQ(win->ExitStatus(), 1);
}

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
  EXPECT_EQ(Child<TElidedLabel>(win.get(), "lblFileToName")->FullText(), "6 converted, 0 failed, 0 skipped");
  EXPECT_EQ(Status(win.get(), 5), "converted");
  EXPECT_EQ(win->ExitStatus(), 0);
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
  win->SetConvertOne([](TPixImage&, const ConversionSettings&, const std::string& source,
                        const std::string& destination, TReplaceMode replace) -> TConvertOutcome {
    if (fs::path(source).filename() == "b.jpg") throw std::runtime_error("disk full");
    return WriteSafely(destination, replace, "converted");
  });
  Run(win.get());
  EXPECT_EQ(Checks(win.get()), "x-xx");
  EXPECT_EQ(Status(win.get(), 1), "failed: cannot write the file");
  EXPECT_TRUE(Idle(win.get()));
}

TEST_F(RunTest, AMissingOrEmptySourceSaysSoAndLeavesAnIdleWindow) {
  fs::remove_all(m_source);
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(Child<QTreeWidget>(win.get(), "lstFiles")->topLevelItemCount(), 0);
  EXPECT_TRUE(m_converted.empty());
  EXPECT_TRUE(Idle(win.get()));
  EXPECT_EQ(Child<TElidedLabel>(win.get(), "lblFileToName")->FullText().toStdString(),
            "The source folder does not exist: " + m_source.string());
  EXPECT_EQ(win->ExitStatus(), 2);
  auto* bar = Child<QProgressBar>(win.get(), "oProgressBar");
  EXPECT_GT(bar->maximum(), bar->minimum());  // not the endless busy bar
  fs::create_directories(m_source);
  Touch(m_source / "notes.txt", "text");
  Run(win.get());
  EXPECT_EQ(Child<TElidedLabel>(win.get(), "lblFileToName")->FullText().toStdString(), "No pictures to convert in " + m_source.string());
  EXPECT_EQ(win->ExitStatus(), 0);
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
  win->SetConvertOne([](TPixImage&, const ConversionSettings&, const std::string& source,
                        const std::string& destination, TReplaceMode replace) -> TConvertOutcome {
    const std::string name = fs::path(source).filename().string();
    if (name == "a.jpg" || name == "d.jpg") return WriteSafely(destination, replace, "converted");
    TSafeOutput output(destination, replace);
    pixtest::WriteFile(output.TemporaryPath(), "half");
    // The old file stays in place while the new one is written.
    EXPECT_EQ(pixtest::ReadFile(destination), "old") << name;
    if (name == "c.jpg") throw std::runtime_error("disk full");
    return TConvertOutcome{};
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
  // The click arrives while the second file converts.
  m_onConvert = [&](size_t n) {
    if (n == 2) win->btnStopConvertingClick();
  };
  Run(win.get());
  EXPECT_EQ(m_converted.size(), 2u);
  EXPECT_EQ(Checks(win.get()), "xx--");
  EXPECT_EQ(Child<TElidedLabel>(win.get(), "lblFileToName")->FullText(), "Stopped after 2 of 4");
  auto* bar = Child<QProgressBar>(win.get(), "oProgressBar");
  EXPECT_EQ(bar->value(), 2) << "a stopped run does not fill the bar";
  EXPECT_TRUE(Idle(win.get()));
}

TEST_F(RunTest, StopBeforeAnExistingFileNeitherAsksNorDeletes) {
  ExistingDestinations({"b.jpg"});
  m_answers = {FileExistsAnswer::ReplaceThis};
  auto win = Window();
  m_onConvert = [&](size_t n) {
    if (n == 1) win->btnStopConvertingClick();
  };
  Run(win.get());
  EXPECT_TRUE(m_asked.empty());
  EXPECT_EQ(pixtest::ReadFile((m_destination / "b.jpg").string()), "old");
  EXPECT_EQ(Checks(win.get()), "x---");
}

TEST_F(RunTest, ClosingDuringARunStopsItAndClosesOnceIdle) {
  auto win = Window();
  m_onConvert = [&](size_t n) {
    if (n == 1) QMetaObject::invokeMethod(win.get(), "close", Qt::BlockingQueuedConnection);
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

TEST_F(RunTest, UnderAutoStartABlankFolderStartsNothingAndEndsWithStatus2) {
  m_config.Write("[Settings]\nSource=   \nDestination=" + m_destination.string() + "\n");
  TfrmMainWin win;
  win.SetArguments({"/START"});
  win.show();
  ASSERT_TRUE(uitest::WaitFor([&] { return !win.isVisible(); }));
  EXPECT_TRUE(m_converted.empty());
  EXPECT_EQ(win.ExitStatus(), 2);
  EXPECT_EQ(Child<TElidedLabel>(&win, "lblFileToName")->FullText(), "Choose a source folder and a destination folder.");
}

TEST_F(RunTest, FolderNamesThatAreNotUtf8KeepTheirBytes) {
  const std::string odd = "caf\xE9";  // Latin-1, not UTF-8
  m_source = m_tree.Path() / ("src-" + odd);
  m_destination = m_tree.Path() / ("dst-" + odd);
  Touch(m_source / "a.jpg", "image");
  auto win = Window();
  Run(win.get());
  EXPECT_EQ(m_converted, (Strings{"a.jpg>a.jpg"}));
  EXPECT_TRUE(fs::exists(m_destination / "a.jpg"));
  win->close();
  const std::string saved = pixtest::ReadFile(m_config.SettingsFile());
  EXPECT_NE(saved.find("Source=" + m_source.string() + "\n"), std::string::npos);
  EXPECT_NE(saved.find("Destination=" + m_destination.string() + "\n"), std::string::npos);
}
