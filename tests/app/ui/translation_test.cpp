#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QTextBrowser>
#include <QTreeWidget>
#include <filesystem>
#include <map>

#include "app/ui/about_win.h"
#include "app/ui/album_print.h"
#include "app/ui/file_exists_win.h"
#include "app/ui/help_win.h"
#include "app/ui/main_win.h"
#include "app/ui/slideshow_win.h"
#include "app/ui/small_widgets.h"
#include "app/ui/ui_language.h"
#include "platform/translate.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;
namespace fs = std::filesystem;

namespace {

// Puts a language in place for one test and English back after it.
class TranslationTest : public ::testing::Test {
protected:
  TranslationTest() { uitest::App(); }
  ~TranslationTest() override { RemoveTranslations(); }

  uitest::ConfigHome m_config;
};

QString Plain(QString text) { return text.remove(QLatin1Char('&')); }

// The mnemonic letters of texts, lower-cased, with the texts that use each.
std::map<QChar, QStringList> Mnemonics(const QStringList& texts) {
  std::map<QChar, QStringList> letters;
  for (const QString& text : texts) {
    const qsizetype at = QString(text).replace(QStringLiteral("&&"), QStringLiteral("__")).indexOf(QLatin1Char('&'));
    if (at >= 0 && at + 1 < text.size()) letters[text[at + 1].toLower()].append(text);
  }
  return letters;
}

// Every text of window that a mnemonic can reach without opening a menu:
// group boxes, buttons, labels and the menu bar's titles.
QStringList WindowTexts(QWidget* window) {
  QStringList texts;
  for (auto* group : window->findChildren<QGroupBox*>()) texts.append(group->title());
  for (auto* button : window->findChildren<QAbstractButton*>()) texts.append(button->text());
  for (auto* label : window->findChildren<QLabel*>()) texts.append(label->text());
  if (auto* window_ = qobject_cast<QMainWindow*>(window))
    for (QAction* menu : window_->menuBar()->actions()) texts.append(menu->text());
  return texts;
}

void ExpectUniqueMnemonics(const QStringList& texts, const QString& where) {
  for (const auto& [letter, users] : Mnemonics(texts))
    EXPECT_EQ(users.size(), 1) << where.toStdString() << ": &" << QString(letter).toStdString() << " in "
                               << users.join(QStringLiteral(" | ")).toStdString();
}

}  // namespace

TEST(UiLanguage, TheFirstEnglishOrTranslatedLanguageOfTheUserWins) {
  EXPECT_EQ(ChooseLanguage({"de-DE", "de-Latn-DE", "de"}), "de");
  EXPECT_EQ(ChooseLanguage({"fr_CA"}), "fr");
  EXPECT_EQ(ChooseLanguage({"pt-BR", "es-MX", "de"}), "es");
  // English before a translation keeps the window English.
  EXPECT_EQ(ChooseLanguage({"en-GB", "de-DE"}), "");
  EXPECT_EQ(ChooseLanguage({"C"}), "");
  EXPECT_EQ(ChooseLanguage({"ja-JP"}), "");
  EXPECT_EQ(ChooseLanguage({}), "");
}

TEST_F(TranslationTest, GermanCaptionsAndAFailureReasonInTheStatus) {
  pixtest::TempDir tree;
  const fs::path source = tree.Path() / "src";
  fs::create_directories(source);
  for (const char* name : {"a.jpg", "b.jpg"}) pixtest::WriteFile((source / name).string(), "image");
  m_config.Write("[Settings]\nSource=" + source.string() + "\nDestination=" + (tree.Path() / "dst").string() + "\n");
  ASSERT_EQ(InstallTranslations(QLocale(QStringLiteral("de_DE"))), "de");

  TfrmMainWin win;
  win.SetConvertOne([](TPixImage&, const ConversionSettings&, const std::string& from, const std::string&,
                       TReplaceMode) {
    TConvertOutcome outcome;
    outcome.Written = fs::path(from).filename() == "b.jpg";
    outcome.Reason = outcome.Written ? frNone : frCorruptData;
    return outcome;
  });
  win.show();
  EXPECT_EQ(Child<QGroupBox>(&win, "grpPath")->title(), "&Pfad");
  EXPECT_EQ(Child<QAbstractButton>(&win, "btnStartConvert")->text(), "Konvertierung &starten");
  EXPECT_EQ(Child<QAbstractButton>(&win, "cbScanRecursive")->text(), "Unterordner einbeziehen");
  EXPECT_EQ(Child<QAction>(&win, "UsingPixfold1")->text(), "Pixfold &verwenden …");

  Child<QPushButton>(&win, "btnStartConvert")->click();
  ASSERT_TRUE(uitest::WaitFor([&win] { return !win.Busy(); }));
  auto* list = Child<QTreeWidget>(&win, "lstFiles");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(0)->text(2), "fehlgeschlagen: beschädigte Daten");
  EXPECT_EQ(list->topLevelItem(1)->text(2), "konvertiert");
  EXPECT_EQ(Child<TElidedLabel>(&win, "lblFileToName")->toolTip(), "1 konvertiert, 1 fehlgeschlagen, 0 übersprungen");

  // Back in English, the layers below the window speak English again.
  RemoveTranslations();
  EXPECT_EQ(GetTranslateFunction(), nullptr);
  EXPECT_EQ(LocalFailureText(frCorruptData), "corrupt data");
}

// For each language: mnemonics unique where they act, captions as wide as
// their controls (the options never scroll sideways, the dialogs have fixed
// sizes), and a help page that names the controls as the window does.
TEST_F(TranslationTest, EveryLanguageKeepsMnemonicsUniqueCaptionsWithinTheWindowAndHelpInStep) {
  for (const char* language : {"en", "de", "fr", "es"}) {
    SCOPED_TRACE(language);
    const QString chosen = InstallTranslations(QLocale(QString::fromLatin1(language)));
    EXPECT_EQ(chosen, language == std::string("en") ? QString() : QString::fromLatin1(language));

    TfrmMainWin win;
    win.show();
    ExpectUniqueMnemonics(WindowTexts(&win), QStringLiteral("main window"));
    auto* options = Child<QScrollArea>(&win, "oOptions");
    EXPECT_LE(options->widget()->minimumSizeHint().width(), options->viewport()->width());

    TfrmFileExists prompt(&win);
    prompt.show();
    ExpectUniqueMnemonics(WindowTexts(&prompt), QStringLiteral("file exists"));
    for (auto* answer : prompt.findChildren<QAbstractButton*>())
      EXPECT_LE(answer->sizeHint().width(), answer->width()) << answer->text().toStdString();

    // The English print and slideshow choices share a letter between two
    // controls; the translations keep theirs apart.
    TfrmPrintOptions print(3, 20, &win);
    TfrmSlideshowOptions slideshow(20, 20, 240, 320, &win);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&print, &slideshow}) {
      dialog->show();
      if (!chosen.isEmpty()) ExpectUniqueMnemonics(WindowTexts(dialog), dialog->windowTitle());
      for (auto* button : dialog->findChildren<QAbstractButton*>())
        EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
    }

    TfrmAbout about(&win);
    about.show();
    for (auto* label : about.findChildren<QLabel*>())
      EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();

    Child<QAction>(&win, "UsingPixfold1")->trigger();
    auto* help = win.findChild<TfrmHelp*>();
    ASSERT_NE(help, nullptr);
    const QString page = Child<QTextBrowser>(help, "oWebBrowser")->toPlainText();
    QStringList named;
    for (const char* name : {"cbScanRecursive", "rbSaveAsJpg", "rbSaveAsOriginal", "cbConvertPNG", "cbConvertTIFF",
                             "cbConvertHEIF", "cbConvertOther", "cbAutoOrient", "cbBlackWhite", "rbNoRotation",
                             "rb90Left", "rb90Rigth", "btnStartConvert", "btnStopConverting"})
      named.append(Plain(Child<QAbstractButton>(&win, name)->text()));
    auto* metadata = Child<QComboBox>(&win, "cbxMetadata");
    for (int i = 0; i < metadata->count(); ++i) named.append(metadata->itemText(i));
    for (auto* answer : prompt.findChildren<QAbstractButton*>())
      if (answer->objectName() != QLatin1String("btnOk")) named.append(answer->text());
    for (const QString& caption : named) EXPECT_TRUE(page.contains(caption)) << caption.toStdString();
    help->close();
  }
}

TEST(TranslatedProgram, StartedWithAGermanLocaleItReportsInGerman) {
  pixtest::TempDir tree;
  const fs::path source = tree.Path() / "src";
  fs::create_directories(source);
  pixtest::WriteFile((source / "corrupt.jpg").string(), "\xFF\xD8\xFF\xE0\x00\x10JFIF and then nothing sensible");
  pixtest::WriteFile(tree.File("Snapcrate.ini"), "[Settings]\nSource=" + source.string() +
                                                     "\nDestination=" + (tree.Path() / "dst").string() + "\n");
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) env.remove(QString::fromLatin1(name));
  env.insert("LANG", "de_DE.UTF-8");
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(tree.Path().string()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(PIXFOLD_BINARY), {"/START"});
  ASSERT_TRUE(program.waitForFinished(60000));
  const std::string said = program.readAllStandardError().toStdString();
  EXPECT_NE(said.find("corrupt.jpg: fehlgeschlagen: unvollständige Datei\n"), std::string::npos) << said;
  EXPECT_NE(said.find("0 konvertiert, 1 fehlgeschlagen, 0 übersprungen\n"), std::string::npos) << said;
  EXPECT_EQ(program.exitCode(), 1);
}
