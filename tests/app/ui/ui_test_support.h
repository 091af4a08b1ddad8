#pragma once
// Helpers for driving the Qt windows headless.
#include <QApplication>
#include <QWidget>
#include <functional>
#include <string>

#include "support/test_support.h"

namespace uitest {

// The one QApplication of the test program (offscreen unless told otherwise).
QApplication& App();

// Processes events until cond() holds or timeoutMs pass; returns cond().
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 5000);

// Once a modal window is up, hands it to handle (which should close it).
void WhenModal(std::function<void(QWidget*)> handle);

// Closes the next modal message box and keeps its text in *text.
void CloseNextMessage(QString* text);

template <typename T>
T* Child(QWidget* parent, const char* name) {
  return parent->findChild<T*>(QString::fromLatin1(name));
}

// Points XDG_CONFIG_HOME, and XDG_CACHE_HOME below it, at a fresh folder for
// the life of the object.
class ConfigHome {
public:
  ConfigHome();
  ~ConfigHome();
  std::string SettingsFile() const { return m_dir.File("Snapcrate.ini"); }
  void Write(const std::string& ini) const { pixtest::WriteFile(SettingsFile(), ini); }

private:
  pixtest::TempDir m_dir;
  std::string m_saved;
  bool m_hadValue = false;
  std::string m_savedCache;
  bool m_hadCache = false;
};

}  // namespace uitest
