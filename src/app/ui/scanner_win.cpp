#include "app/ui/scanner_win.h"

#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <chrono>

#include "app/logic/file_exists_policy.h"
#include "app/logic/paths.h"
#include "app/logic/safe_output.h"
#include "app/ui/pix_image_widget.h"
#include "platform/file_attributes.h"

namespace pix {

namespace {

constexpr int kPollMs = 50;
constexpr int kSavedQuality = 90;
constexpr int kPreviewWidth = 300;
constexpr int kPreviewHeight = 360;

template <typename T>
bool Ready(const std::future<T>& future) {
  return future.valid() && future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

QString Shown(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

}  // namespace

TfrmScanner::TfrmScanner(std::function<std::string()> folder, std::function<void(const std::string&)> saved,
                         QWidget* owner, int discoveryTimeoutMs)
    : QDialog(owner), m_folder(std::move(folder)), m_saved(std::move(saved)), m_discoveryTimeoutMs(discoveryTimeoutMs) {
  setObjectName(QStringLiteral("frmScanner"));
  setWindowTitle(tr("Acquire from scanner"));
  auto* row = new QHBoxLayout(this);
  auto* grid = new QGridLayout;
  cbxScanner = new QComboBox(this);
  cbxScanner->setObjectName(QStringLiteral("cbxScanner"));
  cbxScanner->setMinimumContentsLength(24);
  cbxResolution = new QComboBox(this);
  cbxResolution->setObjectName(QStringLiteral("cbxResolution"));
  cbxScanMode = new QComboBox(this);
  cbxScanMode->setObjectName(QStringLiteral("cbxScanMode"));
  btnScan = new QPushButton(tr("&Scan"), this);
  btnScan->setObjectName(QStringLiteral("btnScan"));
  btnScan->setDefault(true);
  btnCancelScan = new QPushButton(tr("S&top"), this);
  btnCancelScan->setObjectName(QStringLiteral("btnCancelScan"));
  btnSaveScan = new QPushButton(tr("Save to the &source folder"), this);
  btnSaveScan->setObjectName(QStringLiteral("btnSaveScan"));
  auto* btnClose = new QPushButton(tr("&Close"), this);
  oScanProgress = new QProgressBar(this);
  oScanProgress->setObjectName(QStringLiteral("oScanProgress"));
  oScanProgress->setRange(0, 100);
  oScanProgress->setTextVisible(false);
  lblScanStatus = new QLabel(tr("Looking for scanners..."), this);
  lblScanStatus->setObjectName(QStringLiteral("lblScanStatus"));
  lblScanStatus->setWordWrap(true);
  int r = 0;
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label(tr("Sc&anner"), cbxScanner), r, 0);
  grid->addWidget(cbxScanner, r++, 1);
  grid->addWidget(label(tr("&Resolution"), cbxResolution), r, 0);
  grid->addWidget(cbxResolution, r++, 1);
  grid->addWidget(label(tr("&Mode"), cbxScanMode), r, 0);
  grid->addWidget(cbxScanMode, r++, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnScan);
  buttons->addWidget(btnCancelScan);
  grid->addLayout(buttons, r++, 0, 1, 2);
  grid->addWidget(oScanProgress, r++, 0, 1, 2);
  grid->addWidget(lblScanStatus, r++, 0, 1, 2);
  grid->setRowStretch(r++, 1);
  grid->addWidget(btnSaveScan, r++, 0, 1, 2);
  grid->addWidget(btnClose, r++, 0, 1, 2);
  row->addLayout(grid);
  imgScan = new TPixImageWidget(kPreviewWidth, kPreviewHeight, this);
  imgScan->setObjectName(QStringLiteral("imgScan"));
  row->addWidget(imgScan, 1);

  connect(cbxScanner, &QComboBox::currentIndexChanged, this, &TfrmScanner::DeviceChanged);
  connect(btnScan, &QPushButton::clicked, this, &TfrmScanner::btnScanClick);
  connect(btnCancelScan, &QPushButton::clicked, this, [this] {
    if (m_session) m_session->Cancel();
  });
  connect(btnSaveScan, &QPushButton::clicked, this, &TfrmScanner::btnSaveScanClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

  m_session = std::make_unique<TScannerSession>();
  m_discovery = m_session->Devices();
  m_discoveryClock.start();
  m_poll.setInterval(kPollMs);
  connect(&m_poll, &QTimer::timeout, this, [this] {
    PollDevices();
    PollOptions();
    PollScan();
  });
  m_poll.start();
  UpdateControls();
}

TfrmScanner::~TfrmScanner() {
  m_poll.stop();
  if (m_session) m_session->Cancel();
}

QString TfrmScanner::StatusText() const { return lblScanStatus->text(); }

void TfrmScanner::PollDevices() {
  if (!m_discovery.valid()) return;
  if (!Ready(m_discovery)) {
    if (m_discoveryClock.elapsed() < m_discoveryTimeoutMs) return;
    // The session's thread is left to the backend; the dialog gives up.
    m_discovery = {};
    m_noScanner = tr("No scanner answered within %1 seconds.").arg(m_discoveryTimeoutMs / 1000);
    reject();
    return;
  }
  m_devices = m_discovery.get();
  if (m_devices.empty()) {
    m_noScanner = tr("No scanner was found. Connect a scanner, switch it on and try again.");
    reject();
    return;
  }
  for (const TScannerDevice& device : m_devices) {
    const QString model = QString::fromStdString(device.Vendor + " " + device.Model).trimmed();
    cbxScanner->addItem(model.isEmpty() ? QString::fromStdString(device.Name) : model,
                        QString::fromStdString(device.Name));
  }
  lblScanStatus->setText(QString());
  UpdateControls();
}

void TfrmScanner::DeviceChanged() {
  cbxResolution->clear();
  cbxScanMode->clear();
  if (cbxScanner->currentIndex() < 0) return;
  m_options = m_session->Options(cbxScanner->currentData().toString().toStdString());
  UpdateControls();
}

void TfrmScanner::PollOptions() {
  if (!Ready(m_options)) return;
  const TScannerOptions options = m_options.get();
  if (!options.Error.empty()) lblScanStatus->setText(QString::fromStdString(options.Error));
  for (int dpi : options.Resolutions) {
    cbxResolution->addItem(tr("%1 dpi").arg(dpi), dpi);
    if (dpi == options.Resolution) cbxResolution->setCurrentIndex(cbxResolution->count() - 1);
  }
  for (const std::string& mode : options.Modes) {
    cbxScanMode->addItem(QString::fromStdString(mode), QString::fromStdString(mode));
    if (mode == options.Mode) cbxScanMode->setCurrentIndex(cbxScanMode->count() - 1);
  }
  UpdateControls();
}

void TfrmScanner::btnScanClick() {
  if (m_scanning || cbxScanner->currentIndex() < 0) return;
  TScanRequest request;
  request.Device = cbxScanner->currentData().toString().toStdString();
  request.Resolution = cbxResolution->currentData().toInt();
  request.Mode = cbxScanMode->currentData().toString().toStdString();
  m_percent->store(0);
  m_scan = m_session->Scan(std::move(request), [percent = m_percent](int p) { percent->store(p); });
  m_scanning = true;
  lblScanStatus->setText(tr("Scanning..."));
  UpdateControls();
}

void TfrmScanner::PollScan() {
  if (!m_scanning) return;
  oScanProgress->setValue(m_percent->load());
  if (!Ready(m_scan)) return;
  TScanResult result = m_scan.get();
  m_scanning = false;
  if (result.Ok()) {
    TPixImage& image = imgScan->Image();
    image.CurrentBitmap()->SwapContent(*result.Picture);
    image.Update();
    m_resolution = result.Resolution;
    m_havePicture = true;
    oScanProgress->setValue(100);
    lblScanStatus->setText(tr("Scanned %1 x %2 pixels%3.")
                               .arg(image.CurrentBitmap()->Width())
                               .arg(image.CurrentBitmap()->Height())
                               .arg(m_resolution > 0 ? tr(" at %1 dpi").arg(m_resolution) : QString()));
  } else {
    oScanProgress->setValue(0);
    lblScanStatus->setText(result.Cancelled ? tr("The scan was stopped.")
                                            : QString::fromStdString(result.Error));
  }
  UpdateControls();
}

void TfrmScanner::btnSaveScanClick() {
  if (!m_havePicture || m_scanning) return;
  const std::string folder = m_folder ? m_folder() : std::string();
  if (folder.empty() || !DirectoryExists(folder)) {
    lblScanStatus->setText(tr("Choose an existing source folder in the window first."));
    return;
  }
  const std::string path = NextFreeName(ComposeFilePath(folder, "", "scan.jpg"));
  TPixImage& image = imgScan->Image();
  TIOParams& params = image.ParamRecord();
  params.JpegQuality = kSavedQuality;
  params.JpegColorSpace = jcYCbCr;
  params.MarkerList().Clear();
  params.IptcInfo().Clear();
  if (m_resolution > 0) {
    params.DpiX = params.DpiY = m_resolution;
    image.SetResolution(m_resolution, m_resolution);
  }
  TFailureReason failure = frNone;
  try {
    TSafeOutput output(path, TReplaceMode::NoFile);
    image.SaveAsJpeg(output.TemporaryPath());
    failure = image.AbortFlag() ? image.IO().FailureReason() : output.Commit();
    if (failure == frNone && image.AbortFlag()) failure = frCannotWrite;
  } catch (const EPixStreamError& e) {
    failure = FailureOfSystemError(e.ErrorCode(), frCannotWrite);
  } catch (const EPixException&) {
    failure = frCannotWrite;
  }
  if (failure != frNone) {
    lblScanStatus->setText(tr("The scan could not be saved: %1").arg(QString::fromStdString(LocalFailureText(failure))));
    return;
  }
  m_savedPath = path;
  lblScanStatus->setText(tr("Saved as %1").arg(Shown(path)));
  if (m_saved) m_saved(path);
}

void TfrmScanner::UpdateControls() {
  const bool found = cbxScanner->count() > 0;
  cbxScanner->setEnabled(found && !m_scanning);
  cbxResolution->setEnabled(found && !m_scanning && cbxResolution->count() > 0);
  cbxScanMode->setEnabled(found && !m_scanning && cbxScanMode->count() > 0);
  btnScan->setEnabled(found && !m_scanning && !m_options.valid());
  btnCancelScan->setEnabled(m_scanning);
  btnSaveScan->setEnabled(m_havePicture && !m_scanning);
}

}  // namespace pix
