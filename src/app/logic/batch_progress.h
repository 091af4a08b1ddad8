#pragma once
// What a batch run tells a person while it works: a progress bar on a
// terminal, plain lines elsewhere.
#include <chrono>
#include <ostream>
#include <string>

#include "app/logic/run_result.h"

namespace pix {

// "[=======>       ] 120/5000  2 failed  1:05 left" in at most columns
// characters (the bar takes what the figures leave; never fewer than 10
// characters of bar). "N damaged" follows the failures when there are any;
// the time left is "--:--" before the first file is done.
std::string FormatProgressLine(int done, int total, int failed, int damaged, double elapsedSeconds, int columns);

// "h:mm:ss" or "m:ss", seconds rounded up.
std::string FormatDuration(double seconds);

// A dry run's line for one row: "convert SRC -> DEST", "rename SRC -> DEST",
// "skip SRC (DEST exists)", "fail SRC (DEST exists)".
std::string DryRunLine(const TRowResult& row);

class TProgressView {
public:
  // terminal: err is a terminal of that many columns, so the bar is drawn
  // and redrawn in place (at most ten times a second). quiet: only the lines
  // of failed rows are printed.
  TProgressView(std::ostream& err, bool terminal, int columns, bool quiet, int total);

  // A row is done, in row order: a failed row or one from a damaged source
  // gets a line of its own ("pixfold-batch: SRC: failed: corrupt data").
  void RowFinished(const TRowResult& row);
  // The bar goes away and the summary line is printed (unless quiet).
  void Finish(const std::string& summary);

private:
  void Draw(bool force);
  void ClearBar();

  std::ostream& m_err;
  bool m_terminal;
  int m_columns;
  bool m_quiet;
  int m_total;
  int m_done = 0, m_failed = 0, m_damaged = 0;
  bool m_barShown = false;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point m_lastDraw{};
};

}  // namespace pix
