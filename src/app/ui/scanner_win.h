#pragma once
// "Acquire from scanner": looks for scanners off the window's thread (with a
// time limit), lets the user pick a device, resolution and mode, scans, shows
// the page and saves it as a JPEG into the source folder under the next free
// name (scan_1.jpg, scan_2.jpg, ...).
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/logic/scanner.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace pix {

class TPixImageWidget;

class TfrmScanner : public QDialog {
  Q_OBJECT

public:
  // folder gives the source folder at the moment of saving; saved is told
  // the path of each picture saved.
  TfrmScanner(std::function<std::string()> folder, std::function<void(const std::string&)> saved, QWidget* owner,
              int discoveryTimeoutMs = 20000);
  ~TfrmScanner() override;

  // Set when the dialog closed itself because no scanner was found (or none
  // answered in time): what to tell the user.
  const QString& NoScannerText() const { return m_noScanner; }

  // The last picture saved ("" before any).
  const std::string& SavedPath() const { return m_savedPath; }
  QString StatusText() const;

  void btnScanClick();
  void btnSaveScanClick();

private:
  void PollDevices();
  void DeviceChanged();
  void PollOptions();
  void PollScan();
  void UpdateControls();

  std::function<std::string()> m_folder;
  std::function<void(const std::string&)> m_saved;
  int m_discoveryTimeoutMs;
  std::unique_ptr<TScannerSession> m_session;
  std::vector<TScannerDevice> m_devices;
  std::future<std::vector<TScannerDevice>> m_discovery;
  std::future<TScannerOptions> m_options;
  std::future<TScanResult> m_scan;
  // Written by the scan's progress on the session's thread, which may
  // outlive the dialog when a backend hangs.
  std::shared_ptr<std::atomic<int>> m_percent = std::make_shared<std::atomic<int>>(0);
  QElapsedTimer m_discoveryClock;
  QString m_noScanner;
  int m_resolution = 0;
  bool m_scanning = false;
  bool m_havePicture = false;
  std::string m_savedPath;
  QTimer m_poll;

  QComboBox* cbxScanner = nullptr;
  QComboBox* cbxResolution = nullptr;
  QComboBox* cbxScanMode = nullptr;
  QPushButton* btnScan = nullptr;
  QPushButton* btnSaveScan = nullptr;
  QPushButton* btnCancelScan = nullptr;
  QProgressBar* oScanProgress = nullptr;
  QLabel* lblScanStatus = nullptr;
  TPixImageWidget* imgScan = nullptr;
};

}  // namespace pix
