#include "app/logic/run_result.h"

namespace pix {

namespace {

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string StatusText(const TRowResult& row) {
  std::string damaged = row.Damaged() ? std::string(" from a damaged source: ") + FailureText(row.Reason) : "";
  switch (row.State) {
    case TRowState::Pending: return "";
    case TRowState::Converted: return "converted" + damaged;
    case TRowState::Renamed: return "renamed to " + NameOf(row.Destination) + (row.Damaged() ? ", converted" + damaged : "");
    case TRowState::Skipped: return "skipped (exists)";
    case TRowState::Failed: return std::string("failed: ") + FailureText(row.Reason);
  }
  return "";
}

TRunSummary TRunSummary::Of(const std::vector<TRowResult>& rows, bool stopped) {
  TRunSummary s;
  s.Total = static_cast<int>(rows.size());
  s.Stopped = stopped;
  for (const TRowResult& r : rows) {
    if (r.State != TRowState::Pending) ++s.Reached;
    if (r.Written()) ++s.Converted;
    if (r.Damaged()) ++s.Damaged;
    if (r.State == TRowState::Skipped) ++s.Skipped;
    if (r.State == TRowState::Failed) ++s.Failed;
  }
  return s;
}

std::string SummaryText(const TRunSummary& s) {
  if (s.Stopped) return "Stopped after " + std::to_string(s.Reached) + " of " + std::to_string(s.Total);
  std::string text = std::to_string(s.Converted) + " converted";
  if (s.Damaged > 0) text += " (" + std::to_string(s.Damaged) + " from damaged sources)";
  return text + ", " + std::to_string(s.Failed) + " failed, " + std::to_string(s.Skipped) + " skipped";
}

int ExitStatusOf(const TRunSummary& s) { return s.Failed > 0 || s.Damaged > 0 || s.Stopped ? 1 : 0; }

}  // namespace pix
