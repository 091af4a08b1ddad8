#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace uitest {

namespace {

class SessionEnd : public ::testing::Environment {
public:
  explicit SessionEnd(QApplication* app) : m_app(app) {}
  void TearDown() override {
    delete m_app;
    m_app = nullptr;
  }

private:
  QApplication* m_app;
};

}  // namespace

QApplication& App() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  // Destroyed when the tests are done rather than among the exit-time
  // statics, where Qt's input-device clean-up crashes once a plain widget
  // has been on the screen.
  static QApplication* app = [] {
    auto* created = new QApplication(argc, argv);
    ::testing::AddGlobalTestEnvironment(new SessionEnd(created));
    return created;
  }();
  return *app;
}

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void WhenModal(std::function<void(QWidget*)> handle) {
  auto* timer = new QTimer(&App());
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, handle] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    handle(modal);
  });
  timer->start();
}

void CloseNextMessage(QString* text) {
  WhenModal([text](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (text) *text = box->text();
      box->button(QMessageBox::Ok)->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      if (text) *text = QStringLiteral("<not a message box: %1>").arg(dialog->windowTitle());
      dialog->reject();
    }
  });
}

ConfigHome::ConfigHome() {
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
    m_hadValue = true;
    m_saved = old;
  }
  ::setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
  if (const char* old = std::getenv("XDG_CACHE_HOME")) {
    m_hadCache = true;
    m_savedCache = old;
  }
  ::setenv("XDG_CACHE_HOME", (m_dir.Path() / "cache").c_str(), 1);
}

ConfigHome::~ConfigHome() {
  if (m_hadValue)
    ::setenv("XDG_CONFIG_HOME", m_saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  if (m_hadCache)
    ::setenv("XDG_CACHE_HOME", m_savedCache.c_str(), 1);
  else
    ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace uitest
