#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include "app/ui/main_win.h"
#include "app/ui/small_widgets.h"
#include "app/ui/platform_bindings.h"
#include "platform/default_resolution.h"
#include "platform/file_attributes.h"
#include "platform/system_colors.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;

namespace {

class MainWinTest : public ::testing::Test {
protected:
  MainWinTest() { uitest::App(); }

  // A window shown with the settings file holding ini (none when empty).
  std::unique_ptr<TfrmMainWin> Shown(const std::string& ini = "", const QStringList& args = {}) {
    if (!ini.empty()) m_config.Write(ini);
    auto win = std::make_unique<TfrmMainWin>();
    win->SetArguments(args);
    win->show();
    return win;
  }

  static bool Visible(QWidget* win, const char* name) { return !Child<QWidget>(win, name)->isHidden(); }
  static bool Enabled(QWidget* win, const char* name) { return Child<QWidget>(win, name)->isEnabled(); }
  static int Spin(QWidget* win, const char* name) { return Child<QSpinBox>(win, name)->value(); }
  static bool Checked(QWidget* win, const char* name) { return Child<QAbstractButton>(win, name)->isChecked(); }

  uitest::ConfigHome m_config;
};

}  // namespace

TEST_F(MainWinTest, FirstStartWithoutASettingsFile) {
  auto win = Shown();
  EXPECT_EQ(win->windowTitle(), "Pixfold");
  // Opens at its designed width, tall enough for every option, and may be resized.
  EXPECT_EQ(win->centralWidget()->width(), 530);
  EXPECT_GE(win->centralWidget()->height(), 483);
  EXPECT_LT(win->minimumSize().height(), 483);
  EXPECT_GT(win->maximumSize().height(), 483);
  EXPECT_EQ(Child<QComboBox>(win.get(), "cbxImageSize")->currentIndex(), 0);
  EXPECT_EQ(Spin(win.get(), "spnMaxWidth"), 240);
  EXPECT_EQ(Spin(win.get(), "spnMaxHeight"), 320);
  EXPECT_FALSE(Enabled(win.get(), "spnMaxWidth"));
  EXPECT_FALSE(Enabled(win.get(), "spnMaxHeight"));
  EXPECT_TRUE(Checked(win.get(), "rb90Left"));
  EXPECT_TRUE(Visible(win.get(), "cbLandscapeOnly"));
  EXPECT_TRUE(Visible(win.get(), "lblLandscapeOnly"));
  EXPECT_FALSE(Checked(win.get(), "cbLandscapeOnly"));
  EXPECT_EQ(Child<QSlider>(win.get(), "oJPGDetail")->value(), 7);
  for (const char* name : {"cbConvertJPG", "cbConvertGIF", "cbConvertBMP", "rbSaveAsJpg", "cbScanRecursive"})
    EXPECT_TRUE(Checked(win.get(), name)) << name;
  EXPECT_FALSE(Checked(win.get(), "rbSaveAsOriginal"));
  EXPECT_FALSE(Checked(win.get(), "cbBlackWhite"));
  EXPECT_TRUE(Child<QLineEdit>(win.get(), "sleSourcePath")->text().isEmpty());
  EXPECT_TRUE(Child<QLineEdit>(win.get(), "sleDestinationPath")->text().isEmpty());
  EXPECT_FALSE(Enabled(win.get(), "btnStartConvert"));
  EXPECT_TRUE(Visible(win.get(), "btnStartConvert"));
  EXPECT_FALSE(Visible(win.get(), "btnStopConverting"));
  EXPECT_EQ(Child<TElidedLabel>(win.get(), "lblFileToName")->FullText(), ".");
  EXPECT_EQ(Child<QProgressBar>(win.get(), "oProgressBar")->maximum(), 100);
  EXPECT_GE(Child<QWidget>(win.get(), "imgConvert")->width(), 100);
  EXPECT_GE(Child<QWidget>(win.get(), "imgConvert")->height(), 100);
  for (const char* name : {"cbConvertPNG", "cbConvertTIFF", "cbConvertOther", "cbConvertHEIF", "cbAutoOrient"})
    EXPECT_TRUE(Checked(win.get(), name)) << name;
  EXPECT_EQ(Child<QComboBox>(win.get(), "cbxMetadata")->currentIndex(), 0);
  EXPECT_EQ(Child<QLabel>(win.get(), "lblJPGQualityValue")->text(), "70 %");
  EXPECT_FALSE(win->AutoStart());
  EXPECT_FALSE(Child<QTimer>(win.get(), "oStartTimer")->isActive());
  auto* list = Child<QTreeWidget>(win.get(), "lstFiles");
  EXPECT_EQ(list->headerItem()->text(0), "Subfolder");
  EXPECT_EQ(list->headerItem()->text(1), "File");
  EXPECT_EQ(list->columnWidth(0), 150);
  QStringList presets;
  for (int i = 0; i < Child<QComboBox>(win.get(), "cbxImageSize")->count(); ++i)
    presets << Child<QComboBox>(win.get(), "cbxImageSize")->itemText(i);
  EXPECT_EQ(presets, (QStringList{"MS Pocket PC (240x320)", "Palm Tungstein (320x320)", "Palm Zire (160x160)",
                                  "P800/P900 (208x320)", "User defined"}));
}

TEST_F(MainWinTest, StoredSizesStayOnlyWithTheUserDefinedPreset) {
  auto user = Shown("[Settings]\nSizeCategory=4\nMaxWidth=1000\nMaxHeight=50\n");
  EXPECT_TRUE(Enabled(user.get(), "spnMaxWidth"));
  EXPECT_TRUE(Enabled(user.get(), "spnMaxHeight"));
  EXPECT_EQ(Spin(user.get(), "spnMaxWidth"), 1000);
  EXPECT_EQ(Spin(user.get(), "spnMaxHeight"), 50);

  auto zire = Shown("[Settings]\nSizeCategory=2\nMaxWidth=1000\n");
  EXPECT_EQ(Spin(zire.get(), "spnMaxWidth"), 160);
  EXPECT_EQ(Spin(zire.get(), "spnMaxHeight"), 160);
  EXPECT_FALSE(Enabled(zire.get(), "spnMaxWidth"));

  auto none = Shown("[Settings]\nSizeCategory=9\nMaxWidth=640\nMaxHeight=480\n");
  EXPECT_EQ(Child<QComboBox>(none.get(), "cbxImageSize")->currentIndex(), -1);
  EXPECT_FALSE(Enabled(none.get(), "spnMaxWidth"));
  EXPECT_EQ(Spin(none.get(), "spnMaxWidth"), 640);
  EXPECT_EQ(Spin(none.get(), "spnMaxHeight"), 480);
}

TEST_F(MainWinTest, OutOfRangeAndNonNumericValuesAreClampedOrDefaulted) {
  auto low = Shown("[Settings]\nJPGQuality=0\nSizeCategory=4\nMaxWidth=abc\nMaxHeight=-7\nRotation=5\n");
  EXPECT_EQ(Child<QSlider>(low.get(), "oJPGDetail")->value(), 1);
  EXPECT_EQ(Spin(low.get(), "spnMaxWidth"), 200);
  EXPECT_EQ(Spin(low.get(), "spnMaxHeight"), 1);
  EXPECT_TRUE(Checked(low.get(), "rbNoRotation"));
  EXPECT_FALSE(Visible(low.get(), "cbLandscapeOnly"));
  EXPECT_FALSE(Visible(low.get(), "lblLandscapeOnly"));

  auto high = Shown("[Settings]\nJPGQuality=15\nSizeCategory=4\nMaxWidth=123456789\nMaxHeight=0x10\n");
  EXPECT_EQ(Child<QSlider>(high.get(), "oJPGDetail")->value(), 10);
  EXPECT_EQ(Spin(high.get(), "spnMaxWidth"), 99999999);
  EXPECT_EQ(Spin(high.get(), "spnMaxHeight"), 16);
}

TEST_F(MainWinTest, CloseSavesWhatTheControlsShowAndTheNextStartRestoresIt) {
  auto win = Shown("[Other]\nKeep=me\n");
  Child<QLineEdit>(win.get(), "sleSourcePath")->setText("/pics");
  Child<QLineEdit>(win.get(), "sleDestinationPath")->setText("/out");
  Child<QComboBox>(win.get(), "cbxImageSize")->setCurrentIndex(3);
  Child<QRadioButton>(win.get(), "rb90Rigth")->setChecked(true);
  Child<QCheckBox>(win.get(), "cbLandscapeOnly")->setChecked(true);
  Child<QRadioButton>(win.get(), "rbSaveAsOriginal")->setChecked(true);
  Child<QCheckBox>(win.get(), "cbConvertBMP")->setChecked(false);
  Child<QCheckBox>(win.get(), "cbBlackWhite")->setChecked(true);
  Child<QSlider>(win.get(), "oJPGDetail")->setValue(9);
  win->close();
  EXPECT_EQ(pixtest::ReadFile(m_config.SettingsFile()),
            "[Other]\nKeep=me\n[Settings]\nSource=/pics\nDestination=/out\nRecursive=1\nMaxHeight=320\n"
            "MaxWidth=208\nConvertToGrayscale=1\nConvertToJPG=0\nConvertJPG=1\nConvertGIF=1\nConvertBMP=0\n"
            "LandscapeOnly=1\nJPGQuality=9\nRotation=2\nSizeCategory=3\nConvertPNG=1\nConvertTIFF=1\n"
            "ConvertOther=1\nConvertHEIF=1\nAutoOrient=1\nMetadata=0\nThreads=0\n");
  auto again = Shown();
  EXPECT_EQ(again->CurrentSettings().Source, "/pics");
  EXPECT_TRUE(Checked(again.get(), "rb90Rigth"));
  EXPECT_TRUE(Checked(again.get(), "rbSaveAsOriginal"));
  EXPECT_TRUE(Enabled(again.get(), "btnStartConvert"));
  EXPECT_EQ(Spin(again.get(), "spnMaxWidth"), 208);
}

TEST_F(MainWinTest, UnwritableSettingsFileIsReportedAndTheWindowStillCloses) {
  m_config.Write("[Settings]\nSource=/before\n");
  ASSERT_TRUE(SetReadOnly(m_config.SettingsFile(), true));
  auto win = Shown();
  Child<QLineEdit>(win.get(), "sleSourcePath")->setText("/after");
  QString message;
  uitest::CloseNextMessage(&message);
  win->close();
  EXPECT_EQ(message, QString::fromStdString("Unable to write to " + m_config.SettingsFile()));
  EXPECT_FALSE(win->isVisible());
  EXPECT_EQ(pixtest::ReadFile(m_config.SettingsFile()), "[Settings]\nSource=/before\n");
  // Unattended, nobody is there to read a message: it goes to standard error
  // and the program ends all the same.
  auto unattended = std::make_unique<TfrmMainWin>();
  unattended->SetArguments({"/START"});
  unattended->show();
  ASSERT_TRUE(uitest::WaitFor([&] { return !unattended->isVisible(); }));
  EXPECT_EQ(unattended->ExitStatus(), 2) << "the blank destination refused the run";
}

TEST_F(MainWinTest, StartNeedsTextInBothFolderEdits) {
  auto win = Shown("[Settings]\nSource=/a\nDestination=/b\n");
  auto* source = Child<QLineEdit>(win.get(), "sleSourcePath");
  auto* destination = Child<QLineEdit>(win.get(), "sleDestinationPath");
  EXPECT_TRUE(Enabled(win.get(), "btnStartConvert"));
  source->clear();
  EXPECT_FALSE(Enabled(win.get(), "btnStartConvert"));
  source->setText("x");
  destination->clear();
  EXPECT_FALSE(Enabled(win.get(), "btnStartConvert"));
  destination->setText(" ");  // nothing else about the texts is checked here
  EXPECT_TRUE(Enabled(win.get(), "btnStartConvert"));
}

TEST_F(MainWinTest, LandscapeOptionShowsOnlyWithARotationAndKeepsItsState) {
  auto win = Shown("[Settings]\nLandscapeOnly=1\nRotation=1\n");
  EXPECT_TRUE(Visible(win.get(), "cbLandscapeOnly"));
  Child<QRadioButton>(win.get(), "rbNoRotation")->click();
  EXPECT_FALSE(Visible(win.get(), "cbLandscapeOnly"));
  EXPECT_FALSE(Visible(win.get(), "lblLandscapeOnly"));
  EXPECT_TRUE(Checked(win.get(), "cbLandscapeOnly"));
  Child<QRadioButton>(win.get(), "rb90Rigth")->click();
  EXPECT_TRUE(Visible(win.get(), "cbLandscapeOnly"));
  EXPECT_TRUE(Visible(win.get(), "lblLandscapeOnly"));
}

TEST_F(MainWinTest, ChoosingAPresetSetsTheSizesAndUserDefinedUnlocksThem) {
  auto win = Shown();
  auto* presets = Child<QComboBox>(win.get(), "cbxImageSize");
  presets->setCurrentIndex(1);
  EXPECT_EQ(Spin(win.get(), "spnMaxWidth"), 320);
  EXPECT_EQ(Spin(win.get(), "spnMaxHeight"), 320);
  presets->setCurrentIndex(4);
  EXPECT_TRUE(Enabled(win.get(), "spnMaxWidth"));
  EXPECT_EQ(Spin(win.get(), "spnMaxWidth"), 320);
  Child<QSpinBox>(win.get(), "spnMaxWidth")->setValue(777);
  presets->setCurrentIndex(3);
  EXPECT_FALSE(Enabled(win.get(), "spnMaxHeight"));
  EXPECT_EQ(Spin(win.get(), "spnMaxWidth"), 208);
  EXPECT_EQ(win->MaxWidthValue(), 208);
}

TEST_F(MainWinTest, CommandLineIsReadOnEveryShow) {
  auto start = Shown("", {"/start", "/overwrite"});
  EXPECT_TRUE(start->AutoStart());
  EXPECT_TRUE(start->Overwrite());
  auto* timer = Child<QTimer>(start.get(), "oStartTimer");
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 100);
  timer->stop();
  start->hide();
  start->SetArguments({"/OVERWRITE", "/START"});
  start->show();
  EXPECT_FALSE(start->AutoStart());
  EXPECT_FALSE(start->Overwrite());
  EXPECT_FALSE(timer->isActive());
}

TEST(PlatformBindings, ResolutionAndButtonFaceComeFromTheSession) {
  uitest::App();
  InstallPlatformBindings();
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(DefaultResolution().DpiX, qRound(screen->logicalDotsPerInchX()));
  EXPECT_EQ(DefaultResolution().DpiY, qRound(screen->logicalDotsPerInchY()));
  QPalette palette = QGuiApplication::palette();
  palette.setColor(QPalette::Button, QColor(12, 34, 56));
  QGuiApplication::setPalette(palette);
  EXPECT_EQ(ResolveColor(clBtnFace), RGBColor(12, 34, 56));
  ResetPlatformBindings();
  QGuiApplication::setPalette(QPalette());
  EXPECT_EQ(ResolveColor(clBtnFace), RGBColor(240, 240, 240));
}
