#include "app/logic/batch_progress.h"

#include <algorithm>
#include <cmath>

#include "app/logic/batch_options.h"

namespace pix {

std::string FormatDuration(double seconds) {
  const auto total = static_cast<long long>(std::ceil(std::max(0.0, seconds)));
  const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
  auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return h > 0 ? std::to_string(h) + ":" + two(m) + ":" + two(s) : std::to_string(m) + ":" + two(s);
}

std::string FormatProgressLine(int done, int total, int failed, int damaged, double elapsedSeconds, int columns) {
  std::string figures = " " + std::to_string(done) + "/" + std::to_string(total);
  figures += "  " + std::to_string(failed) + " failed";
  if (damaged > 0) figures += ", " + std::to_string(damaged) + " damaged";
  const std::string left =
      done > 0 ? FormatDuration(elapsedSeconds / done * (total - done)) : std::string("--:--");
  figures += "  " + left + " left";
  const int bar = std::max(10, columns - 2 - static_cast<int>(figures.size()));
  const int filled = total > 0 ? static_cast<int>(static_cast<long long>(bar) * done / total) : bar;
  std::string line = "[";
  line.append(static_cast<size_t>(filled), '=');
  if (filled < bar) {
    line += '>';
    line.append(static_cast<size_t>(bar - filled - 1), ' ');
  }
  return line + "]" + figures;
}

std::string DryRunLine(const TRowResult& row) {
  switch (row.State) {
    case TRowState::Converted: return "convert " + row.Source + " -> " + row.Destination;
    case TRowState::Renamed: return "rename " + row.Source + " -> " + row.Destination;
    case TRowState::Skipped: return "skip " + row.Source + " (" + row.Destination + " exists)";
    case TRowState::Failed: return "fail " + row.Source + " (" + row.Destination + " exists)";
    case TRowState::Pending: break;
  }
  return "pending " + row.Source;
}

TProgressView::TProgressView(std::ostream& err, bool terminal, int columns, bool quiet, int total)
    : m_err(err), m_terminal(terminal && !quiet), m_columns(std::max(columns, 40)), m_quiet(quiet), m_total(total) {
  Draw(true);
}

void TProgressView::RowFinished(const TRowResult& row) {
  ++m_done;
  if (row.State == TRowState::Failed) ++m_failed;
  if (row.Damaged()) ++m_damaged;
  if (row.State == TRowState::Failed || row.Damaged()) {
    ClearBar();
    m_err << kBatchProgramName << ": " << row.Source << ": " << StatusText(row) << '\n';
    Draw(true);
    return;
  }
  Draw(m_done == m_total);
}

void TProgressView::Finish(const std::string& summary) {
  ClearBar();
  if (!m_quiet) m_err << kBatchProgramName << ": " << summary << '\n';
  m_err.flush();
}

void TProgressView::Draw(bool force) {
  if (!m_terminal) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && m_barShown && now - m_lastDraw < std::chrono::milliseconds(100)) return;
  m_lastDraw = now;
  const double elapsed = std::chrono::duration<double>(now - m_start).count();
  // Carriage return and erase-line redraw the bar in place.
  m_err << "\r\x1b[K" << FormatProgressLine(m_done, m_total, m_failed, m_damaged, elapsed, m_columns - 1);
  m_err.flush();
  m_barShown = true;
}

void TProgressView::ClearBar() {
  if (!m_barShown) return;
  m_err << "\r\x1b[K";
  m_barShown = false;
}

}  // namespace pix
