#include "app/ui/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "platform/translate.h"

namespace pix {

namespace {

QTranslator* g_own = nullptr;
QTranslator* g_qt = nullptr;
QString g_language;

std::string QtTranslate(const char* context, const char* sourceText, const char* disambiguation, int n) {
  return QCoreApplication::translate(context, sourceText, disambiguation, n).toStdString();
}

// A translator for file (a .qm file name without its folder) from folder, or
// null when it is not there.
QTranslator* Load(const QString& file, const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(file, folder) && QCoreApplication::installTranslator(translator)) return translator;
  delete translator;
  return nullptr;
}

// The C and POSIX locales mean untranslated messages, whatever LANGUAGE says
// (as gettext has it); Qt would still read LANGUAGE.
bool PlainCLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray value = qgetenv(name);
    if (value.isEmpty()) continue;
    return value == "C" || value == "POSIX" || value.startsWith("C.");
  }
  return true;
}

}  // namespace

const QStringList& TranslatedLanguages() {
  static const QStringList languages{QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("es")};
  return languages;
}

QString ChooseLanguage(const QStringList& uiLanguages) {
  for (const QString& entry : uiLanguages) {
    const QString language = entry.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
    if (language == QLatin1String("en") || language == QLatin1String("c")) return QString();
    if (TranslatedLanguages().contains(language)) return language;
  }
  return QString();
}

QString InstallTranslations(const QLocale& locale) {
  RemoveTranslations();
  const QString language = ChooseLanguage(locale.uiLanguages());
  if (language.isEmpty()) return QString();
  g_own = Load(QStringLiteral("pixfold_") + language, QStringLiteral(":/i18n"));
  if (!g_own) return QString();
  g_qt = Load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  g_language = language;
  SetTranslateFunction(QtTranslate);
  return language;
}

QString InstallSystemTranslations() {
  if (PlainCLocale()) {
    RemoveTranslations();
    return QString();
  }
  return InstallTranslations(QLocale::system());
}

void RemoveTranslations() {
  SetTranslateFunction(nullptr);
  for (QTranslator** translator : {&g_own, &g_qt}) {
    if (!*translator) continue;
    QCoreApplication::removeTranslator(*translator);
    delete *translator;
    *translator = nullptr;
  }
  g_language.clear();
}

QString UiLanguage() { return g_language; }

}  // namespace pix
