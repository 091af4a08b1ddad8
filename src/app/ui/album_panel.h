#pragma once
// The album beside the file list: the status group's tabs "List" (the run's
// file list) and "Thumbnails" (the source album as a grid), and the window's
// album commands: the slideshow, printing with its preview, and scanning.
// The grid shows the files a run would take (the window's source folder,
// type filter and recursion, scanned exactly as the run scans), rescanned in
// the background when those settings change and every few seconds while it
// is on the screen; during a run it shows the run's own rows, and each row
// keeps its status as long as its file is listed.
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/logic/conversion_settings.h"
#include "app/logic/run_result.h"
#include "app/logic/source_scan.h"

class QAction;
class QMenuBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace pix {

class TThumbnailListModel;
class TThumbnailView;

class TAlbumPanel : public QTabWidget {
  Q_OBJECT

public:
  // The window's settings as its controls show them now.
  using TSettingsSource = std::function<ConversionSettings()>;

  // Takes list (the window's lstFiles) into the first tab as it is. busy
  // tells whether a run is going on (the grid then keeps the run's rows).
  TAlbumPanel(QTreeWidget* list, TSettingsSource settings, std::function<bool()> busy, QWidget* parent);
  ~TAlbumPanel() override;

  // Adds the "File" menu (acquire, print preview, print) and the "View" menu
  // (slideshow) to the bar.
  void AddMenus(QMenuBar* bar);

  // A run lists these rows: the grid shows exactly them from now on, until
  // the settings change.
  void SetRunRows(const std::vector<TScanRow>& rows);
  // A row of the run is done.
  void SetRowResult(int row, const TRowResult& result);
  // Scans the source folder for the grid now (a picture was added).
  void Refresh();

  TThumbnailView* Thumbnails() const { return lstThumbnails; }
  TThumbnailListModel* ThumbnailModel() const { return m_model; }
  // The album's pictures in order, and those the user selected in the tab
  // shown (the grid's selection, or the list's).
  std::vector<std::string> AlbumPaths() const;
  std::vector<std::string> SelectedPaths() const;
  std::vector<std::string> ConvertedAlbumPaths() const;
  // True while a background scan for the grid is going on.
  bool Scanning() const { return m_scanning; }

  // Menu commands.
  void Slideshow1Click();
  void PrintPreview1Click();
  void Print1Click();
  void AcquireFromScanner1Click();

  QAction* Slideshow1 = nullptr;
  QAction* PrintPreview1 = nullptr;
  QAction* Print1 = nullptr;
  QAction* AcquireFromScanner1 = nullptr;

private:
  struct TAlbumKey {
    std::string Source;
    TScanOptions Options;
    bool operator==(const TAlbumKey& other) const;
  };
  TAlbumKey KeyOf(const ConversionSettings& settings) const;
  void Poll();
  void StartScan(const ConversionSettings& settings);
  void ShowRows(const ConversionSettings& settings, const std::vector<TScanRow>& rows);
  void OpenPicture(int row);
  // Asks what to print; false when the user cancelled. Fills the job.
  bool AskPrintJob(struct TPrintJob& job);

  QTreeWidget* lstFiles;
  TThumbnailView* lstThumbnails = nullptr;
  TThumbnailListModel* m_model = nullptr;
  TSettingsSource m_settings;
  std::function<bool()> m_busy;
  QTimer m_poll;
  QElapsedTimer m_sinceScan;
  std::optional<TAlbumKey> m_shownKey;  // what the grid shows
  ConversionSettings m_shownSettings;
  std::vector<TScanRow> m_rows;                      // the grid's rows
  std::vector<std::optional<TRowResult>> m_results;  // their run results
  std::vector<TScanRow> m_runRows;                   // the list's rows (the last run's)
  ConversionSettings m_runSettings;
  bool m_scanning = false;
  uint64_t m_scanSerial = 0;
  std::thread m_scanThread;
};

}  // namespace pix
