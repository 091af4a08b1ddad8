#pragma once
// The machine-readable report of a batch run: one JSON object a line, one
// line per listed file, in row order.
#include <ostream>
#include <string>

#include "app/logic/run_result.h"

namespace pix {

// A stable lower-case word for a failure reason ("truncated", "corrupt_data",
// "destination_exists", ...); "" for frNone.
const char* ReasonCode(TFailureReason reason);

// "converted", "renamed", "skipped", "failed" or "pending" (not reached).
const char* StateWord(TRowState state);

// One line of the report, without its newline: {"source", "destination",
// "status", "reason" (FailureText, null when none), "reason_code",
// "damaged", "source_width", "source_height", "width", "height",
// "milliseconds", and "dry_run": true in a dry run}. Bytes of a path that are
// not UTF-8 are written as U+FFFD.
std::string ReportLine(const TRowResult& row, bool dryRun);

class TReportWriter {
public:
  // out may be null: nothing is written.
  TReportWriter(std::ostream* out, bool dryRun) : m_out(out), m_dryRun(dryRun) {}
  void Write(const TRowResult& row);
  // False once a write failed.
  bool Good() const { return !m_out || m_out->good(); }

private:
  std::ostream* m_out;
  bool m_dryRun;
};

}  // namespace pix
