#pragma once
// A conversion run without a window: the listed files settled against the
// existing-file policy in row order and converted by a pool of workers, each
// with an image component of its own. The window and the batch command both
// drive it; results come back in row order.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/logic/conversion_settings.h"
#include "app/logic/convert_one.h"
#include "app/logic/file_exists_policy.h"
#include "app/logic/run_result.h"
#include "app/logic/source_scan.h"
#include "imaging/bitmap.h"

namespace pix {

// One file of a run: where it is listed, read from and written to.
struct TRunItem {
  std::string Subfolder;    // relative to the source folder, "" for its top
  std::string File;         // name as the file system has it
  std::string Source;       // full path read
  std::string Destination;  // full path to write (with ".jpg" when every image becomes a JPEG)
};

// What a scan for these settings takes: recursion, the source types, and the
// destination folder left out.
TScanOptions ScanOptionsOf(const ConversionSettings& settings);

// The name a source's output gets: ".jpg" when every image becomes a JPEG;
// otherwise its own name, but ".png" for metafiles, icons and cursors (a
// shrunken metafile or icon helps no one), and ".jpg" for a type this library
// cannot write.
std::string OutputNameFor(const std::string& path, bool everyImageAsJpeg);

// The items of scanned rows: source and destination composed from the
// settings' folder texts, the destination named by OutputNameFor.
std::vector<TRunItem> PlanRun(const ConversionSettings& settings, const std::vector<TScanRow>& rows);

class TConversionRun {
public:
  // The per-image conversion; ConvertOne unless a test supplies another.
  using TConvertFunction = std::function<TConvertOutcome(TPixImage& image, const ConversionSettings& options,
                                                         const std::string& source, const std::string& destination,
                                                         TReplaceMode replace)>;

  struct TOptions {
    ConversionSettings Settings;  // the per-image options (folders are not looked at)
    TConvertFunction Convert;     // empty: ConvertOne
    TExistingMode Existing = TExistingMode::Ask;
    int Threads = 0;              // threads in all, one file each; 0 = one per core
    bool DryRun = false;          // settle every row, write nothing
    bool WantPreview = false;     // hand each converted picture to RowFinished
  };

  struct TEvents {
    // A row's destination is settled and its conversion starts; in row order.
    std::function<void(int row, const std::string& destination)> RowStarted;
    // A row is done; in row order, each after every earlier row. preview is
    // the converted picture when asked for (valid during the call only).
    std::function<void(int row, const TRowResult& result, const TBitmap* preview)> RowFinished;
    // The "File exists" question; asked in row order, after every earlier row
    // has finished.
    TExistingFilePolicy::TAskFileExists AskFileExists;
  };

  TConversionRun(std::vector<TRunItem> items, TOptions options, TEvents events);
  ~TConversionRun();
  TConversionRun(const TConversionRun&) = delete;
  TConversionRun& operator=(const TConversionRun&) = delete;

  // Runs to the end on the calling thread (the workers are its own). Events
  // come from this thread. Call once.
  void Run();
  // From any thread: no further row starts; rows in flight finish (whole or
  // not at all, as every output is written).
  void RequestStop();

  bool StopRequested() const { return m_stop.load(); }
  // Valid once Run returned.
  const std::vector<TRowResult>& Results() const { return m_results; }
  TRunSummary Summary() const;
  // The number of workers the run uses.
  int Workers() const { return m_workerCount; }

private:
  struct TDone {
    int Row;
    TRowResult Result;
    std::unique_ptr<TBitmap> Preview;
  };
  struct TJob {
    int Row;
    std::string Destination;
    TReplaceMode Replace;
    bool Renamed;
  };

  void Dispatch();
  void StartWorkers();
  void StopWorkers();
  void WorkerLoop();
  // Hands a row to a free worker; false when the run stopped meanwhile.
  bool Submit(TJob job);
  // Emits every finished row whose predecessors are all emitted; with wait,
  // first blocks until at least one more row is finished.
  void Drain(bool wait);
  void DrainUntilEmitted(int row);
  // A row is done; fromWorker releases its place in the pool.
  void Record(int row, TRowResult result, std::unique_ptr<TBitmap> preview, bool fromWorker = false);
  void CleanFolderOnce(const std::string& destination);

  std::vector<TRunItem> m_items;
  TOptions m_options;
  TEvents m_events;
  std::vector<TRowResult> m_results;
  std::atomic<bool> m_stop{false};
  int m_threadBudget = 1;  // threads the run may use: Threads, or every core
  int m_workerCount = 1;
  int m_imagingThreadsBefore = 1;  // restored when the workers stop

  std::mutex m_mutex;
  std::condition_variable m_jobReady;
  std::condition_variable m_rowDone;
  std::deque<TJob> m_jobs;
  std::vector<TDone> m_done;  // finished, not yet emitted
  bool m_closing = false;
  int m_inFlight = 0;
  int m_nextToEmit = 0;
  std::vector<std::unique_ptr<TBitmap>> m_previews;  // held until their row is emitted
  std::vector<bool> m_finished;
  std::vector<std::string> m_cleanedFolders;
  std::vector<std::thread*> m_threads;
};

}  // namespace pix
