#pragma once
// The language the window speaks: English, or one of its translations, chosen
// by the user's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
#include <QLocale>
#include <QString>
#include <QStringList>

namespace pix {

// The languages Pixfold is translated into besides English ("de", "fr", "es").
const QStringList& TranslatedLanguages();

// The language for the user's languages in order of preference ("de-DE",
// "fr_CA", "en", as QLocale::uiLanguages() gives them): the first that is
// English or has a translation. "" stands for English, also when none matches.
QString ChooseLanguage(const QStringList& uiLanguages);

// Puts the translation for locale in place: Pixfold's own (built into the
// program) and Qt's for its standard dialogs and buttons (qtbase_xx.qm from
// Qt's translations folder, when installed there), and points the texts of
// the layers below the window (platform/translate.h) at them. Replaces what
// an earlier call put in place. Call after the QApplication is made and before
// any window; returns the language chosen ("" for English).
QString InstallTranslations(const QLocale& locale);
// The same for the user's locale; a C or POSIX locale stays English.
QString InstallSystemTranslations();

// Takes the translations out again: English everywhere.
void RemoveTranslations();

// The language InstallTranslations chose ("" for English).
QString UiLanguage();

}  // namespace pix
