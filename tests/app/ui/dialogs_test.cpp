#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBrowser>

#include "app/ui/about_win.h"
#include "app/ui/file_exists_win.h"
#include "app/ui/help_win.h"
#include "app/ui/main_win.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;

namespace {

class DialogsTest : public ::testing::Test {
protected:
  DialogsTest() { uitest::App(); }
  uitest::ConfigHome m_config;
};

}  // namespace

TEST_F(DialogsTest, FileExistsOpensOnReplaceWithThePathShown) {
  QString shownPath;
  bool replaceChecked = false;
  bool replaceFocused = false;
  QString title;
  QSize size;
  uitest::WhenModal([&](QWidget* dialog) {
    title = dialog->windowTitle();
    size = dialog->size();
    shownPath = Child<QLabel>(dialog, "lblFile")->text();
    auto* replace = Child<QRadioButton>(dialog, "rbReplace");
    replaceChecked = replace->isChecked();
    replaceFocused = dialog->focusWidget() == replace;
    dialog->close();  // the close box counts like OK
  });
  EXPECT_EQ(AskFileExists(nullptr, "/out/Photo.jpg"), FileExistsAnswer::ReplaceThis);
  EXPECT_EQ(title, "File exists");
  EXPECT_EQ(size, QSize(522, 261));
  EXPECT_EQ(shownPath, "/out/Photo.jpg");
  EXPECT_TRUE(replaceChecked);
  EXPECT_TRUE(replaceFocused);
}

TEST_F(DialogsTest, FileExistsAnswersAreNumberedInTheirOrder) {
  const char* buttons[] = {"rbReplace", "rbReplaceAll", "rbSkip", "rbSkipAll", "rbRename", "rbRenameAll", "rbCancel"};
  for (int i = 0; i < 7; ++i) {
    QString caption;
    uitest::WhenModal([&, i](QWidget* dialog) {
      auto* rb = Child<QRadioButton>(dialog, buttons[i]);
      caption = rb->text();
      rb->click();
      Child<QPushButton>(dialog, "btnOk")->click();
    });
    EXPECT_EQ(static_cast<int>(AskFileExists(nullptr, "/x.jpg")), i + 1) << buttons[i];
    EXPECT_FALSE(caption.isEmpty());
  }
  // With no answer checked at all the run is cancelled.
  TfrmFileExists dialog(nullptr);
  for (QRadioButton* rb : dialog.findChildren<QRadioButton*>()) {
    rb->setAutoExclusive(false);
    rb->setChecked(false);
  }
  EXPECT_EQ(dialog.Answer(), FileExistsAnswer::CancelRun);
}

TEST_F(DialogsTest, AboutBoxShowsVersionOneOneEveryTime) {
  TfrmMainWin win;
  win.show();
  for (int round = 0; round < 2; ++round) {
    QString version;
    QString title;
    uitest::WhenModal([&](QWidget* dialog) {
      title = dialog->windowTitle();
      version = Child<QLabel>(dialog, "lblVersionNo")->text();
      Child<QPushButton>(dialog, "btnClose")->click();
    });
    Child<QAction>(&win, "About1")->trigger();
    EXPECT_EQ(title, "About Pixfold");
    EXPECT_EQ(version, "v 1.1");
  }
  EXPECT_TRUE(win.findChildren<TfrmAbout*>().isEmpty());  // destroyed when closed
}

TEST_F(DialogsTest, HelpWindowShowsTheShippedPageBesideTheWindow) {
  TfrmMainWin win;
  win.show();
  EXPECT_EQ(Child<QAction>(&win, "UsingPixfold1")->shortcut(), QKeySequence(QKeySequence::HelpContents));
  Child<QAction>(&win, "UsingPixfold1")->trigger();
  auto* help = win.findChild<TfrmHelp*>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(help->isModal()) << "the main window stays usable";
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  const QString title = help->windowTitle();
  const QString text = Child<QTextBrowser>(help, "oWebBrowser")->toPlainText();
  const bool hasStatusBar = help->findChild<QStatusBar*>() != nullptr;
  // Asked again, the same window comes to the front.
  Child<QAction>(&win, "UsingPixfold1")->trigger();
  EXPECT_EQ(win.findChildren<TfrmHelp*>().size(), 1);
  help->close();
  EXPECT_EQ(title, "Help");
  EXPECT_TRUE(hasStatusBar);
  for (const char* topic : {"Include subdirectories", "Palm Zire (160x160)", "Only rotate landscape",
                            "Save all files that exists in the destination folder with another name",
                            "Cancel image conversion", "/START", "/OVERWRITE", "Snapcrate.ini"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(topic))) << topic;
}

TEST_F(DialogsTest, FolderChooserFillsTheMatchingEditOnlyWhenAFolderIsChosen) {
  pixtest::TempDir folder;
  TfrmMainWin win;
  win.show();
  auto* source = Child<QLineEdit>(&win, "sleSourcePath");
  auto* destination = Child<QLineEdit>(&win, "sleDestinationPath");
  QString title;
  uitest::WhenModal([&](QWidget* modal) {
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(chooser, nullptr);
    title = chooser->windowTitle();
    EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
    chooser->selectFile(QString::fromStdString(folder.Path().string()));
    static_cast<QDialog*>(chooser)->accept();  // QFileDialog hides accept()
  });
  Child<QPushButton>(&win, "btnSelDestinationPatn")->click();
  EXPECT_EQ(title, "Select destination folder");
  EXPECT_EQ(destination->text().toStdString(), folder.Path().string());
  EXPECT_TRUE(source->text().isEmpty());

  source->setText("/kept");
  uitest::WhenModal([&](QWidget* modal) {
    title = modal->windowTitle();
    qobject_cast<QDialog*>(modal)->reject();
  });
  Child<QPushButton>(&win, "btnSelSourcePath")->click();
  EXPECT_EQ(title, "Select source folder");
  EXPECT_EQ(source->text(), "/kept");
}
