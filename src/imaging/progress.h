#pragma once
// The one progress interface of the library: a handler with its sender for
// percentages, and, for loads and saves, the owner's abort flag with the
// reason that first set it. Codecs and processing operations all take it.
#include <cstdint>

#include "imaging/failure_reason.h"
#include "imaging/pix_defs.h"

namespace pix {

struct TProgressRecord {
  const TPixProgressEvent* Handler = nullptr;  // may point at an empty handler
  TPixObject* Sender = nullptr;
  int64_t Counter = 0;                         // a codec's running count of units
  double PerUnit = 0.0;                        // percent per counted unit
  bool* Aborting = nullptr;                    // the component's AbortFlag
  TFailureReason* Reason = nullptr;            // why it was set (first reason sticks)
  TFailureReason* Damage = nullptr;            // a source that loaded although damaged

  bool HasHandler() const { return Handler && *Handler; }
  void Report(int per) const {
    if (HasHandler()) (*Handler)(Sender, per);
  }
  // Adds units to Counter and reports trunc(Counter x PerUnit).
  void Advance(int64_t units) {
    Counter += units;
    if (HasHandler()) (*Handler)(Sender, static_cast<int>(static_cast<double>(Counter) * PerUnit));
  }
  // Reports ProgressPercent(k, n).
  void ReportStep(int64_t k, int64_t n) const {
    if (HasHandler()) (*Handler)(Sender, ProgressPercent(k, n));
  }
  // Sets the abort flag with its reason. Once the flag is set (by an earlier
  // fault, or by a handler that asked to stop) nothing changes, so the first
  // fault found is the one reported and a stop request records none.
  void Abort(TFailureReason why) const {
    if (Aborted()) return;
    if (Reason && *Reason == frNone) *Reason = why;
    if (Aborting) *Aborting = true;
  }
  bool Aborted() const { return Aborting && *Aborting; }
  // The load goes on, but the picture is not what the file meant to hold
  // (data ended early, undecodable stretches filled in). First note sticks.
  void NoteDamage(TFailureReason why) const {
    if (Damage && *Damage == frNone) *Damage = why;
  }
};
using IOProgressRecord = TProgressRecord;

}  // namespace pix
