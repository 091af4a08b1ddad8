#pragma once
// pixfold-batch from its arguments to its exit status: settings, refusals,
// the file list, the run on the shared engine, progress and report.
#include <atomic>
#include <istream>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace pix {

class TConversionRun;

constexpr int kBatchOk = 0;
constexpr int kBatchSomeFailed = 1;
constexpr int kBatchUsageError = 2;

// A stop asked for from outside the run (a signal, through the watcher
// thread). Request may come from any thread, before, during or after the run.
class TBatchStop {
public:
  void Request(int signalNumber);
  // The signal that asked for the stop, 0 when none did.
  int Signal() const { return m_signal.load(); }
  // The run a request stops while it lasts (nullptr after it).
  void Attach(TConversionRun* run);

private:
  std::atomic<int> m_signal{0};
  std::mutex m_mutex;
  TConversionRun* m_run = nullptr;
};

struct TBatchStreams {
  std::istream* In;         // the list for "--files-from -"
  std::ostream* Out;        // help, version, a dry run's lines, "--report -"
  std::ostream* Err;        // progress, failed rows, the summary, errors
  bool ErrIsTerminal = false;
  int TerminalColumns = 80;
};

// Runs the command; args are the arguments after the program name. The exit
// status: kBatchOk, kBatchSomeFailed (a row failed, came from a damaged
// source, or was never reached), kBatchUsageError (usage or settings error,
// a refused folder, an unreadable list or unwritable report), or 128 + the
// signal that stopped the run.
int RunBatch(const std::vector<std::string>& args, const TBatchStreams& io, TBatchStop& stop);

// The program: standard streams, SIGINT and SIGTERM turned into a clean stop
// (the handler only writes to a pipe; a watcher thread stops the run; a
// second signal ends the process at once), then RunBatch.
int BatchMain(int argc, char** argv);

}  // namespace pix
