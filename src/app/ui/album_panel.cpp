#include "app/ui/album_panel.h"

#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QTreeWidget>
#include <algorithm>

#include "app/logic/album_paths.h"
#include "app/logic/conversion_run.h"
#include "app/logic/paths.h"
#include "app/logic/slideshow.h"
#include "app/logic/thumbnail_disk_cache.h"
#include "app/ui/album_print.h"
#include "app/ui/picture_viewer_win.h"
#include "app/ui/scanner_win.h"
#include "app/ui/slideshow_win.h"
#include "app/ui/thumbnail_view.h"

namespace pix {

namespace {

constexpr int32_t kThumbnailBox = 96;
constexpr int kThumbnailWorkers = 2;
constexpr int64_t kThumbnailMemory = int64_t{48} << 20;
constexpr int kPollMs = 400;
// A folder shown unchanged is looked at again this often, for pictures added
// or removed by others.
constexpr int kRescanMs = 3000;
// Pages are recorded whole by the preview, and printed photos gain nothing
// beyond photo-printing resolutions: the pictures are made at most this fine.
constexpr int kPreviewDpi = 300;
constexpr int kMaxPrintDpi = 600;

QString Shown(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

void ShowMessage(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pixfold"), text, QMessageBox::Ok, owner);
  box.exec();
}

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The rows a run of these settings would take; none for a blank source,
// which would otherwise name the root of the file system.
std::vector<TScanRow> ScanAlbum(const ConversionSettings& settings) {
  std::vector<TScanRow> rows;
  if (!Blank(settings.Source)) ScanFolder(settings.Source, "", ScanOptionsOf(settings), rows);
  return rows;
}

}  // namespace

bool TAlbumPanel::TAlbumKey::operator==(const TAlbumKey& other) const {
  const TScanOptions& a = Options;
  const TScanOptions& b = other.Options;
  return Source == other.Source && a.Recursive == b.Recursive && a.ConvertJPG == b.ConvertJPG &&
         a.ConvertGIF == b.ConvertGIF && a.ConvertBMP == b.ConvertBMP && a.ConvertPNG == b.ConvertPNG &&
         a.ConvertTIFF == b.ConvertTIFF && a.ConvertOther == b.ConvertOther && a.ConvertHEIF == b.ConvertHEIF &&
         a.ExcludedFolder == b.ExcludedFolder;
}

TAlbumPanel::TAlbumPanel(QTreeWidget* list, TSettingsSource settings, std::function<bool()> busy, QWidget* parent)
    : QTabWidget(parent), lstFiles(list), m_settings(std::move(settings)), m_busy(std::move(busy)) {
  setObjectName(QStringLiteral("tabAlbum"));
  TThumbnailAlbum::TOptions options;
  options.Box = kThumbnailBox;
  options.Workers = kThumbnailWorkers;
  options.MemoryBytes = kThumbnailMemory;
  options.DiskFolder = DefaultThumbnailFolder();
  m_model = new TThumbnailListModel(std::move(options), this);
  lstThumbnails = new TThumbnailView(m_model, this);
  lstThumbnails->setObjectName(QStringLiteral("lstThumbnails"));
  addTab(lstFiles, tr("List"));
  addTab(lstThumbnails, tr("Thumbnails"));
  connect(this, &QTabWidget::currentChanged, this, [this] { Poll(); });
  connect(lstThumbnails, &TThumbnailView::PictureActivated, this, &TAlbumPanel::OpenPicture);
  connect(lstFiles, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    const int row = lstFiles->indexOfTopLevelItem(item);
    if (row >= 0 && row < static_cast<int>(m_runRows.size()))
      ShowPicture(SourcePaths(m_runSettings, {m_runRows[static_cast<size_t>(row)]}).front(), window());
  });
  m_poll.setInterval(kPollMs);
  connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
  m_poll.start();
}

TAlbumPanel::~TAlbumPanel() {
  m_poll.stop();
  if (m_scanThread.joinable()) m_scanThread.join();
}

void TAlbumPanel::AddMenus(QMenuBar* bar) {
  QMenu* file = bar->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("File1"));
  AcquireFromScanner1 = file->addAction(tr("&Acquire from scanner..."));
  AcquireFromScanner1->setObjectName(QStringLiteral("AcquireFromScanner1"));
  file->addSeparator();
  PrintPreview1 = file->addAction(tr("Print pre&view..."));
  PrintPreview1->setObjectName(QStringLiteral("PrintPreview1"));
  Print1 = file->addAction(tr("&Print..."));
  Print1->setObjectName(QStringLiteral("Print1"));
  Print1->setShortcut(QKeySequence::Print);
  QMenu* view = bar->addMenu(tr("&View"));
  view->setObjectName(QStringLiteral("View1"));
  Slideshow1 = view->addAction(tr("&Slideshow..."));
  Slideshow1->setObjectName(QStringLiteral("Slideshow1"));
  Slideshow1->setShortcut(QKeySequence(Qt::Key_F5));
  connect(AcquireFromScanner1, &QAction::triggered, this, &TAlbumPanel::AcquireFromScanner1Click);
  connect(PrintPreview1, &QAction::triggered, this, &TAlbumPanel::PrintPreview1Click);
  connect(Print1, &QAction::triggered, this, &TAlbumPanel::Print1Click);
  connect(Slideshow1, &QAction::triggered, this, &TAlbumPanel::Slideshow1Click);
}

TAlbumPanel::TAlbumKey TAlbumPanel::KeyOf(const ConversionSettings& settings) const {
  return {settings.Source, ScanOptionsOf(settings)};
}

void TAlbumPanel::Poll() {
  // Only a grid on the screen is kept up to date: a hidden one is filled
  // when it is shown. A run's rows stay while it goes on.
  if (currentWidget() != lstThumbnails || !lstThumbnails->isVisible() || m_scanning || (m_busy && m_busy())) return;
  const ConversionSettings settings = m_settings();
  if (m_shownKey && *m_shownKey == KeyOf(settings) && m_sinceScan.isValid() && m_sinceScan.elapsed() < kRescanMs)
    return;
  StartScan(settings);
}

void TAlbumPanel::StartScan(const ConversionSettings& settings) {
  if (m_scanThread.joinable()) m_scanThread.join();
  m_scanning = true;
  m_sinceScan.start();
  const uint64_t serial = ++m_scanSerial;
  // A folder on a slow disk or a network share must not stop the window.
  m_scanThread = std::thread([this, settings, serial] {
    std::vector<TScanRow> rows = ScanAlbum(settings);
    QMetaObject::invokeMethod(
        this,
        [this, settings, serial, rows = std::move(rows)] {
          m_scanning = false;
          // A run listed its own rows meanwhile: they stay.
          if (serial == m_scanSerial) ShowRows(settings, rows);
          Poll();
        },
        Qt::QueuedConnection);
  });
}

void TAlbumPanel::ShowRows(const ConversionSettings& settings, const std::vector<TScanRow>& rows) {
  // A background scan started before these rows came must not replace them.
  ++m_scanSerial;
  const bool sameAlbum = m_shownKey && *m_shownKey == KeyOf(settings);
  const auto sameRow = [](const TScanRow& a, const TScanRow& b) { return a.Subfolder == b.Subfolder && a.File == b.File; };
  // Nothing changed: the grid keeps its place, selection and badges.
  if (sameAlbum && std::equal(rows.begin(), rows.end(), m_rows.begin(), m_rows.end(), sameRow)) return;
  std::vector<std::optional<TRowResult>> results(rows.size());
  if (sameAlbum)
    for (size_t i = 0; i < rows.size(); ++i) {
      const auto before = std::find_if(m_rows.begin(), m_rows.end(), [&](const TScanRow& r) { return sameRow(r, rows[i]); });
      if (before != m_rows.end()) results[i] = m_results[static_cast<size_t>(before - m_rows.begin())];
    }
  m_shownKey = KeyOf(settings);
  m_shownSettings = settings;
  m_rows = rows;
  m_results = std::move(results);
  std::vector<TThumbnailListModel::TEntry> entries;
  entries.reserve(rows.size());
  const std::vector<std::string> paths = SourcePaths(settings, rows);
  for (size_t i = 0; i < rows.size(); ++i)
    entries.push_back({Shown(rows[i].Subfolder), Shown(rows[i].File), paths[i], m_results[i]});
  m_model->SetEntries(std::move(entries));
}

void TAlbumPanel::SetRunRows(const std::vector<TScanRow>& rows) {
  m_runRows = rows;
  m_runSettings = m_settings();
  // A new run: no row has a status yet.
  m_shownKey.reset();
  ShowRows(m_runSettings, rows);
}

void TAlbumPanel::SetRowResult(int row, const TRowResult& result) {
  if (row < 0 || row >= static_cast<int>(m_results.size())) return;
  m_results[static_cast<size_t>(row)] = result;
  m_model->SetResult(row, result);
}

void TAlbumPanel::Refresh() {
  m_sinceScan.invalidate();
  Poll();
}

std::vector<std::string> TAlbumPanel::AlbumPaths() const { return SourcePaths(m_shownSettings, m_rows); }

std::vector<std::string> TAlbumPanel::ConvertedAlbumPaths() const {
  return ConvertedPaths(m_shownSettings, m_rows, m_results);
}

std::vector<std::string> TAlbumPanel::SelectedPaths() const {
  std::vector<std::string> paths;
  if (currentWidget() == lstThumbnails) {
    const std::vector<std::string> album = AlbumPaths();
    for (int row : lstThumbnails->SelectedRows())
      if (row < static_cast<int>(album.size())) paths.push_back(album[static_cast<size_t>(row)]);
    return paths;
  }
  std::vector<TScanRow> rows;
  for (QTreeWidgetItem* item : lstFiles->selectedItems()) {
    const int row = lstFiles->indexOfTopLevelItem(item);
    if (row >= 0 && row < static_cast<int>(m_runRows.size())) rows.push_back(m_runRows[static_cast<size_t>(row)]);
  }
  return SourcePaths(m_runSettings, rows);
}

void TAlbumPanel::OpenPicture(int row) {
  const std::vector<std::string> album = AlbumPaths();
  if (row >= 0 && row < static_cast<int>(album.size())) ShowPicture(album[static_cast<size_t>(row)], window());
}

void TAlbumPanel::Slideshow1Click() {
  // The menu may come before the grid was ever shown: the album is the one
  // a run would take now.
  const ConversionSettings settings = m_settings();
  if (!m_shownKey || !(*m_shownKey == KeyOf(settings))) ShowRows(settings, ScanAlbum(settings));
  const std::vector<std::string> source = AlbumPaths();
  const std::vector<std::string> converted = ConvertedAlbumPaths();
  if (source.empty() && converted.empty()) {
    ShowMessage(window(), tr("There are no pictures to show."));
    return;
  }
  const int32_t width = std::max(settings.MaxWidth, kMinImageSize);
  const int32_t height = std::max(settings.MaxHeight, kMinImageSize);
  TfrmSlideshowOptions ask(static_cast<int>(source.size()), static_cast<int>(converted.size()), width, height, window());
  if (ask.exec() != QDialog::Accepted) return;
  TSlideShowOptions options;
  options.DeviceWidth = width;
  options.DeviceHeight = height;
  options.Effect = ask.Effect();
  options.SecondsPerPicture = ask.SecondsPerPicture();
  auto* show = new TfrmSlideshow(ask.ConvertedAlbum() ? converted : source, options, window());
  show->setAttribute(Qt::WA_DeleteOnClose);
  // Without a window manager to make it full screen, it covers the screen itself.
  if (const QScreen* screen = window()->screen()) show->setGeometry(screen->geometry());
  show->showFullScreen();
  show->activateWindow();
}

bool TAlbumPanel::AskPrintJob(TPrintJob& job) {
  const ConversionSettings settings = m_settings();
  if (!m_shownKey || !(*m_shownKey == KeyOf(settings))) ShowRows(settings, ScanAlbum(settings));
  const std::vector<std::string> selected = SelectedPaths();
  const std::vector<std::string> album = AlbumPaths();
  if (selected.empty() && album.empty()) {
    ShowMessage(window(), tr("There are no pictures to print."));
    return false;
  }
  TfrmPrintOptions ask(static_cast<int>(selected.size()), static_cast<int>(album.size()), window());
  if (ask.exec() != QDialog::Accepted) return false;
  job.Paths = ask.SelectedOnly() ? selected : album;
  job.Grid = ask.Grid();
  job.Captions = ask.Captions();
  return !job.Paths.empty();
}

void TAlbumPanel::Print1Click() {
  TPrintJob job;
  if (!AskPrintJob(job)) return;
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, window());
  if (dialog.exec() != QDialog::Accepted) return;
  if (printer.resolution() > kMaxPrintDpi) printer.setResolution(kMaxPrintDpi);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool printed = PrintAlbum(printer, job);
  QApplication::restoreOverrideCursor();
  if (!printed) ShowMessage(window(), tr("The printer could not be started."));
}

void TAlbumPanel::PrintPreview1Click() {
  TPrintJob job;
  if (!AskPrintJob(job)) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setResolution(kPreviewDpi);
  QPrintPreviewDialog preview(&printer, window());
  preview.setObjectName(QStringLiteral("frmPrintPreview"));
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [job](QPrinter* target) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintAlbum(*target, job);
    QApplication::restoreOverrideCursor();
  });
  preview.exec();
}

void TAlbumPanel::AcquireFromScanner1Click() {
  TfrmScanner scanner([this] { return m_settings().Source; }, [this](const std::string&) { Refresh(); }, window());
  scanner.exec();
  if (!scanner.NoScannerText().isEmpty()) ShowMessage(window(), scanner.NoScannerText());
}

}  // namespace pix
