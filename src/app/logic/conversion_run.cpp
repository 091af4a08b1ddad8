#include "app/logic/conversion_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "app/logic/convert_one.h"
#include "app/logic/paths.h"
#include "app/logic/safe_output.h"
#include "imaging/imaging_threads.h"
#include "imaging/stretch_plain.h"
#include "io/format_table.h"
#include "io/pix_image.h"

namespace pix {

namespace {

int Cores() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

// A preview larger than this is handed on reduced: the window shows a few
// hundred pixels of it, and a copy of a full-size photo per row is waste.
constexpr int64_t kMaxPreviewPixels = int64_t{2} << 20;

std::unique_ptr<TBitmap> PreviewOf(const TBitmap& image) {
  auto copy = std::make_unique<TBitmap>();
  const int64_t pixels = static_cast<int64_t>(image.Width()) * image.Height();
  if (pixels <= kMaxPreviewPixels) {
    CopyImage(image, *copy);
    return copy;
  }
  const long double scale = std::sqrt(static_cast<long double>(kMaxPreviewPixels) / static_cast<long double>(pixels));
  const auto w = std::max<int32_t>(1, static_cast<int32_t>(static_cast<long double>(image.Width()) * scale));
  const auto h = std::max<int32_t>(1, static_cast<int32_t>(static_cast<long double>(image.Height()) * scale));
  copy->Allocate(w, h, image.PixelFormat());
  StretchPlain(image, *copy);
  return copy;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of(kPathDelimiter);
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

}  // namespace

TScanOptions ScanOptionsOf(const ConversionSettings& settings) {
  TScanOptions options;
  options.Recursive = settings.Recursive;
  options.ConvertJPG = settings.ConvertJPG;
  options.ConvertGIF = settings.ConvertGIF;
  options.ConvertBMP = settings.ConvertBMP;
  options.ConvertPNG = settings.ConvertPNG;
  options.ConvertTIFF = settings.ConvertTIFF;
  options.ConvertOther = settings.ConvertOther;
  options.ConvertHEIF = settings.ConvertHEIF;
  // Outputs inside the source folder must not come back as sources.
  options.ExcludedFolder = settings.Destination;
  return options;
}

std::string OutputNameFor(const std::string& path, bool everyImageAsJpeg) {
  if (everyImageAsJpeg) return JpegNameFor(path);
  const std::string extension = LowerExtension(path);
  for (const char* e : {"wmf", "emf", "ico", "cur"})
    if (extension == e) return PathWithoutExtension(path) + ".png";
  const TFormatRow* row = FindFormatRow(extension);
  return row && RowWrites(*row) ? path : JpegNameFor(path);
}

std::vector<TRunItem> PlanRun(const ConversionSettings& settings, const std::vector<TScanRow>& rows) {
  std::vector<TRunItem> items;
  items.reserve(rows.size());
  for (const TScanRow& row : rows) {
    TRunItem item{row.Subfolder, row.File, ComposeFilePath(settings.Source, row.Subfolder, row.File),
                  ComposeFilePath(settings.Destination, row.Subfolder, row.File)};
    // Every later step works on the path that will really be written.
    item.Destination = OutputNameFor(item.Destination, settings.ConvertToJPG);
    items.push_back(std::move(item));
  }
  return items;
}

TConversionRun::TConversionRun(std::vector<TRunItem> items, TOptions options, TEvents events)
    : m_items(std::move(items)), m_options(std::move(options)), m_events(std::move(events)) {
  m_results.resize(m_items.size());
  for (size_t i = 0; i < m_items.size(); ++i) m_results[i].Source = m_items[i].Source;
  m_finished.assign(m_items.size(), false);
  m_previews.resize(m_items.size());
  // Threads is what the run may use in all: 0 every core, N at most N
  // threads (one file each), so 1 keeps a run on one core, as users of
  // make -j or xz -T expect.
  m_threadBudget = m_options.Threads > 0 ? m_options.Threads : Cores();
  // More workers than files only cost memory.
  m_workerCount = std::clamp(m_threadBudget, 1, std::max(1, static_cast<int>(m_items.size())));
}

TConversionRun::~TConversionRun() { StopWorkers(); }

void TConversionRun::RequestStop() {
  m_stop = true;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_rowDone.notify_all();
}

TRunSummary TConversionRun::Summary() const { return TRunSummary::Of(m_results, m_stop.load()); }

void TConversionRun::Run() {
  if (!m_options.DryRun) StartWorkers();
  Dispatch();
  // Whatever was started finishes; its rows are reported.
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_inFlight == 0 && m_done.empty()) break;
    }
    Drain(true);
  }
  Drain(false);
  StopWorkers();
}

void TConversionRun::Dispatch() {
  TExistingFilePolicy policy(m_options.Existing, m_events.AskFileExists);
  for (int row = 0; row < static_cast<int>(m_items.size()); ++row) {
    Drain(false);
    if (m_stop) return;
    const TRunItem& item = m_items[static_cast<size_t>(row)];
    // The question comes in row order, once every earlier row is done and
    // shown, so the user sees what the run already did.
    if (policy.WouldAsk(item.Destination)) {
      DrainUntilEmitted(row - 1);
      if (m_stop) return;
    }
    const TFileDecision decision = policy.Settle(item.Destination);
    TRowResult result;
    result.Source = item.Source;
    result.Destination = decision.Destination;
    switch (decision.Action) {
      case TFileAction::StopRun:
        m_stop = true;
        return;
      case TFileAction::Skip:
        result.State = TRowState::Skipped;
        Record(row, std::move(result), nullptr);
        continue;
      case TFileAction::Fail:
        result.State = TRowState::Failed;
        result.Reason = frDestinationExists;
        Record(row, std::move(result), nullptr);
        continue;
      case TFileAction::Convert:
        break;
    }
    if (m_options.DryRun) {
      if (m_events.RowStarted) m_events.RowStarted(row, decision.Destination);
      result.State = decision.Renamed ? TRowState::Renamed : TRowState::Converted;
      Record(row, std::move(result), nullptr);
      continue;
    }
    CleanFolderOnce(decision.Destination);
    if (!Submit({row, decision.Destination, decision.Replace, decision.Renamed})) return;
  }
}

void TConversionRun::CleanFolderOnce(const std::string& destination) {
  const std::string folder = FolderOf(destination);
  if (std::find(m_cleanedFolders.begin(), m_cleanedFolders.end(), folder) != m_cleanedFolders.end()) return;
  m_cleanedFolders.push_back(folder);
  RemoveLeftovers(folder);
}

bool TConversionRun::Submit(TJob job) {
  // A row starts only when a worker is free, so a stop never leaves a queue
  // of started rows behind it.
  for (;;) {
    if (m_stop) return false;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_inFlight < m_workerCount) {
        ++m_inFlight;
        break;
      }
    }
    Drain(true);
  }
  if (m_events.RowStarted) m_events.RowStarted(job.Row, job.Destination);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_jobs.push_back(std::move(job));
  m_jobReady.notify_one();
  return true;
}

void TConversionRun::StartWorkers() {
  // Threads the file workers leave idle (one large file, a short list) go to
  // the resampling inside each picture; the bytes do not depend on it.
  m_imagingThreadsBefore = ImagingThreads();
  SetImagingThreads(std::max(1, std::min(m_threadBudget, Cores()) / m_workerCount));
  for (int i = 0; i < m_workerCount; ++i) m_threads.push_back(new std::thread([this] { WorkerLoop(); }));
}

void TConversionRun::StopWorkers() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closing = true;
    m_jobReady.notify_all();
  }
  for (std::thread* t : m_threads) {
    t->join();
    delete t;
  }
  if (!m_threads.empty()) SetImagingThreads(m_imagingThreadsBefore);
  m_threads.clear();
}

void TConversionRun::WorkerLoop() {
  // Each worker converts with an image component of its own.
  TPixImage image;
  for (;;) {
    TJob job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_jobReady.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
      if (m_jobs.empty()) return;
      job = std::move(m_jobs.front());
      m_jobs.pop_front();
    }
    const TRunItem& item = m_items[static_cast<size_t>(job.Row)];
    const auto start = std::chrono::steady_clock::now();
    TConvertOutcome outcome;
    try {
      outcome = m_options.Convert
                    ? m_options.Convert(image, m_options.Settings, item.Source, job.Destination, job.Replace)
                    : ConvertOne(image, m_options.Settings, item.Source, job.Destination, job.Replace);
    } catch (...) {
      // A failure inside one file never ends the run.
      outcome = TConvertOutcome{};
      outcome.Reason = frCannotWrite;
    }
    TRowResult result;
    result.Source = item.Source;
    result.Destination = outcome.Written ? outcome.WrittenPath : job.Destination;
    result.State = !outcome.Written ? TRowState::Failed : job.Renamed ? TRowState::Renamed : TRowState::Converted;
    result.Reason = outcome.Written ? outcome.Damage : outcome.Reason;
    result.SourceWidth = outcome.SourceWidth;
    result.SourceHeight = outcome.SourceHeight;
    result.Width = outcome.Width;
    result.Height = outcome.Height;
    result.Milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::unique_ptr<TBitmap> preview;
    if (m_options.WantPreview && outcome.Written) preview = PreviewOf(*image.CurrentBitmap());
    Record(job.Row, std::move(result), std::move(preview), true);
  }
}

void TConversionRun::Record(int row, TRowResult result, std::unique_ptr<TBitmap> preview, bool fromWorker) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (fromWorker) --m_inFlight;
  m_done.push_back({row, std::move(result), std::move(preview)});
  m_rowDone.notify_all();
}

void TConversionRun::Drain(bool wait) {
  std::vector<TDone> ready;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (wait) m_rowDone.wait(lock, [this] { return !m_done.empty(); });
    ready.swap(m_done);
  }
  for (TDone& d : ready) {
    const auto row = static_cast<size_t>(d.Row);
    m_results[row] = std::move(d.Result);
    m_previews[row] = std::move(d.Preview);
    m_finished[row] = true;
  }
  // Rows are reported strictly in order.
  while (m_nextToEmit < static_cast<int>(m_items.size()) && m_finished[static_cast<size_t>(m_nextToEmit)]) {
    const auto row = static_cast<size_t>(m_nextToEmit);
    if (m_events.RowFinished) m_events.RowFinished(m_nextToEmit, m_results[row], m_previews[row].get());
    m_previews[row].reset();
    ++m_nextToEmit;
  }
}

void TConversionRun::DrainUntilEmitted(int row) {
  while (m_nextToEmit <= row) Drain(true);
}

}  // namespace pix
