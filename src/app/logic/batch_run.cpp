#include "app/logic/batch_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>

#include "app/logic/batch_files.h"
#include "app/logic/batch_options.h"
#include "app/logic/batch_progress.h"
#include "app/logic/batch_report.h"
#include "app/logic/batch_settings.h"
#include "app/logic/conversion_run.h"
#include "app/logic/folder_identity.h"
#include "app/logic/paths.h"
#include "codecs/gif/gif_codec.h"
#include "platform/file_attributes.h"

namespace pix {

void TBatchStop::Request(int signalNumber) {
  int none = 0;
  m_signal.compare_exchange_strong(none, signalNumber);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_run) m_run->RequestStop();
}

void TBatchStop::Attach(TConversionRun* run) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_run = run;
  // A stop asked for while the files were being listed counts for the run.
  if (m_run && m_signal.load() != 0) m_run->RequestStop();
}

namespace {

int Refuse(const TBatchStreams& io, const std::string& message) {
  *io.Err << kBatchProgramName << ": " << message << '\n';
  return kBatchUsageError;
}

int Interrupted(const TBatchStop& stop) { return 128 + stop.Signal(); }

}  // namespace

int RunBatch(const std::vector<std::string>& args, const TBatchStreams& io, TBatchStop& stop) {
  const TBatchParse parse = ParseBatchCommandLine(args);
  if (parse.Done) {
    *io.Out << parse.Output;
    *io.Err << parse.Error;
    return parse.ExitStatus;
  }
  const TBatchOptions& options = parse.Options;
  const TBatchSettings assembled =
      AssembleBatchSettings(options, options.UseSavedSettings ? ProfilePath(kSettingsFileName) : std::string());
  if (!assembled.Ok) return Refuse(io, assembled.Error);
  const ConversionSettings& settings = assembled.Settings;

  // The window's refusals, and those a script needs before anything is written.
  if (NameSameFolder(settings.Source, settings.Destination))
    return Refuse(io, "Source and destination directory should be different.");
  const bool listed = !options.FilesFrom.empty();
  if (!DirectoryExists(settings.Source))
    return Refuse(io, std::string(listed ? "The source root does not exist: " : "The source folder does not exist: ") +
                          settings.Source);

  std::vector<TScanRow> rows;
  if (listed) {
    std::ifstream file;
    std::istream* in = io.In;
    if (options.FilesFrom != "-") {
      file.open(options.FilesFrom, std::ios::binary);
      if (!file) return Refuse(io, "cannot read the file list " + options.FilesFrom);
      in = &file;
    }
    TFileList list = ReadFileList(*in, options.SourceRoot, ScanOptionsOf(settings));
    if (!list.Ok) return Refuse(io, list.Error);
    rows = std::move(list.Rows);
  } else {
    ScanFolder(settings.Source, "", ScanOptionsOf(settings), rows);
  }
  rows = ShardRows(rows, options.ShardIndex, options.ShardCount);

  std::ofstream reportFile;
  std::ostream* reportStream = nullptr;
  if (options.ReportFile == "-") {
    reportStream = io.Out;
  } else if (!options.ReportFile.empty()) {
    reportFile.open(options.ReportFile, std::ios::binary | std::ios::trunc);
    if (!reportFile) return Refuse(io, "cannot write the report file " + options.ReportFile);
    reportStream = &reportFile;
  }
  if (stop.Signal() != 0) return Interrupted(stop);
  if (rows.empty()) {
    if (!options.Quiet) *io.Err << kBatchProgramName << ": No pictures to convert in " << settings.Source << '\n';
    return kBatchOk;
  }

  // The run makes only the folders below the destination (a bare relative
  // name would not be made at all), so the destination itself is made here.
  if (!options.DryRun && !DirectoryExists(settings.Destination)) {
    std::error_code error;
    std::filesystem::create_directories(RemoveTrailingDelimiter(AddTrailingDelimiter(settings.Destination)), error);
    if (error)
      return Refuse(io, "cannot create the destination folder " + settings.Destination + ": " + error.message());
  }
  // GIF sources and GIF output need the LZW coders, as in the window.
  InstallGifLzwCoders();
  std::vector<TRunItem> items = PlanRun(settings, rows);
  TReportWriter report(reportStream, options.DryRun);
  TProgressView progress(*io.Err, io.ErrIsTerminal, io.TerminalColumns, options.Quiet,
                         static_cast<int>(items.size()));

  TConversionRun::TOptions runOptions;
  runOptions.Settings = settings;
  runOptions.Existing = options.Existing;
  runOptions.Threads = settings.Threads;
  runOptions.DryRun = options.DryRun;
  TConversionRun::TEvents events;
  events.RowFinished = [&](int, const TRowResult& result, const TBitmap*) {
    report.Write(result);
    if (options.DryRun) *io.Out << DryRunLine(result) << '\n';
    progress.RowFinished(result);
  };
  // Never asked: the mode is one of the fixed rules.
  events.AskFileExists = [](const std::string&) { return FileExistsAnswer::SkipThis; };

  TConversionRun run(items, std::move(runOptions), std::move(events));
  stop.Attach(&run);
  run.Run();
  stop.Attach(nullptr);

  // Rows the run never reached are reported too, so the report lists every file.
  for (size_t i = 0; i < run.Results().size(); ++i) {
    TRowResult row = run.Results()[i];
    if (row.State != TRowState::Pending) continue;
    row.Destination = items[i].Destination;
    report.Write(row);
  }
  const TRunSummary summary = run.Summary();
  progress.Finish(SummaryText(summary));
  if (reportStream) reportStream->flush();
  if (!report.Good()) {
    *io.Err << kBatchProgramName << ": the report file " << options.ReportFile << " could not be written whole\n";
    if (stop.Signal() == 0) return kBatchUsageError;
  }
  if (stop.Signal() != 0) return Interrupted(stop);
  return ExitStatusOf(summary);
}

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int signalNumber) {
  // Only async-signal-safe calls here: one byte into the pipe.
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

// Turns SIGINT and SIGTERM into stop requests for as long as it lives. The
// handlers reset themselves, so a second signal ends the process the usual
// way.
class TSignalWatcher {
public:
  explicit TSignalWatcher(TBatchStop& stop) : m_stop(stop) {
    if (::pipe2(g_signalPipe, O_CLOEXEC) != 0) return;
    m_watcher = std::thread([this] { Watch(); });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, &m_oldInt);
    ::sigaction(SIGTERM, &action, &m_oldTerm);
  }
  ~TSignalWatcher() {
    if (!m_watcher.joinable()) return;
    ::sigaction(SIGINT, &m_oldInt, nullptr);
    ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    const unsigned char quit = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &quit, 1);
    m_watcher.join();
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
  }
  TSignalWatcher(const TSignalWatcher&) = delete;
  TSignalWatcher& operator=(const TSignalWatcher&) = delete;

private:
  void Watch() {
    for (;;) {
      unsigned char byte = 0;
      const ssize_t got = ::read(g_signalPipe[0], &byte, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0 || byte == 0) return;
      m_stop.Request(byte);
    }
  }

  TBatchStop& m_stop;
  std::thread m_watcher;
  struct sigaction m_oldInt {};
  struct sigaction m_oldTerm {};
};

int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

}  // namespace

int BatchMain(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  TBatchStop stop;
  TSignalWatcher watcher(stop);
  TBatchStreams io{&std::cin, &std::cout, &std::cerr, ::isatty(STDERR_FILENO) == 1, TerminalColumns()};
  const int status = RunBatch(args, io, stop);
  std::cout.flush();
  std::cerr.flush();
  return status;
}

}  // namespace pix
