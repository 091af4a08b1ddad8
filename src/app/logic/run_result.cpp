#include "app/logic/run_result.h"

#include "platform/translate.h"

namespace pix {

namespace {

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string StatusText(const TRowResult& row) {
  // Whole sentences with placeholders: other languages order the parts their own way.
  switch (row.State) {
    case TRowState::Pending: return "";
    case TRowState::Converted:
      if (row.Damaged())
        return FormatText(TranslateText("RunResult", "converted from a damaged source: %1"),
                          {LocalFailureText(row.Reason)});
      return TranslateText("RunResult", "converted");
    case TRowState::Renamed:
      if (row.Damaged())
        return FormatText(TranslateText("RunResult", "renamed to %1, converted from a damaged source: %2"),
                          {NameOf(row.Destination), LocalFailureText(row.Reason)});
      return FormatText(TranslateText("RunResult", "renamed to %1"), {NameOf(row.Destination)});
    case TRowState::Skipped: return TranslateText("RunResult", "skipped (exists)");
    case TRowState::Failed: return FormatText(TranslateText("RunResult", "failed: %1"), {LocalFailureText(row.Reason)});
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
  if (s.Stopped)
    return FormatText(TranslateText("RunResult", "Stopped after %1 of %2"),
                      {std::to_string(s.Reached), std::to_string(s.Total)});
  std::string text = TranslateText("RunResult", "%n converted", nullptr, s.Converted);
  if (s.Damaged > 0) text += " " + TranslateText("RunResult", "(%n from damaged sources)", nullptr, s.Damaged);
  return text + ", " + TranslateText("RunResult", "%n failed", nullptr, s.Failed) + ", " +
         TranslateText("RunResult", "%n skipped", nullptr, s.Skipped);
}

int ExitStatusOf(const TRunSummary& s) { return s.Failed > 0 || s.Damaged > 0 || s.Stopped ? 1 : 0; }

}  // namespace pix
