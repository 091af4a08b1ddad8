#pragma once
// What became of each row of a run, and of the run as a whole.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/failure_reason.h"

namespace pix {

enum class TRowState : uint8_t {
  Pending,     // not reached (the run stopped before it)
  Converted,   // written at its destination
  Renamed,     // written under a free name beside its destination
  Skipped,     // an existing destination was kept
  Failed,      // nothing written; Reason says why
};

struct TRowResult {
  TRowState State = TRowState::Pending;
  // Failed: why. Converted or Renamed: why the source was damaged (frNone
  // for an intact one).
  TFailureReason Reason = frNone;
  std::string Source;
  std::string Destination;  // where it went, or where it would have gone
  int32_t SourceWidth = 0, SourceHeight = 0;
  int32_t Width = 0, Height = 0;
  double Milliseconds = 0;  // time spent converting it

  bool Written() const { return State == TRowState::Converted || State == TRowState::Renamed; }
  bool Damaged() const { return Written() && Reason != frNone; }
};

// The row's status as the file list and the batch report show it:
// "converted", "converted from a damaged source: truncated file",
// "renamed to pic_1.jpg", "skipped (exists)", "failed: corrupt data", or ""
// for a row not reached; in the language the program speaks.
std::string StatusText(const TRowResult& row);

struct TRunSummary {
  int Total = 0;      // rows listed
  int Converted = 0;  // written (renamed ones included)
  int Damaged = 0;    // of those, from damaged sources
  int Skipped = 0;
  int Failed = 0;
  int Reached = 0;    // rows settled before the run ended
  bool Stopped = false;

  static TRunSummary Of(const std::vector<TRowResult>& rows, bool stopped);
};

// "1997 converted, 3 failed, 12 skipped" (with "(2 from damaged sources)"
// after the converted count when there are any), or "Stopped after 719 of
// 2000" for a run that was stopped; in the language the program speaks.
std::string SummaryText(const TRunSummary& summary);

// The process exit status of an unattended run: 0 when every row converted
// (or was skipped by the policy), 1 when any row failed, came from a damaged
// source, or was never reached because the run was stopped.
int ExitStatusOf(const TRunSummary& summary);

}  // namespace pix
