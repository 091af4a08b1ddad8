#pragma once
// Outputs written whole or not at all. Every file is written under a hidden
// temporary name of our own in its destination folder, completed, and only
// then renamed over its place; a failed or interrupted save leaves the old
// file as it was and no new file behind.
#include <string>

#include "imaging/failure_reason.h"

namespace pix {

// How a save may treat a file that is already at the destination.
enum class TReplaceMode {
  NoFile,           // nothing is expected there
  UnlessReadOnly,   // replace it, but a read-only file fails the save
  EvenReadOnly,     // replace it whatever its read-only flag (the user said "Replace this file")
};

// The temporary name of an output: ".pixfold-" and eight random letters and
// digits, a "-", then the final name (so the extension still picks the codec),
// in the final file's folder.
std::string TemporaryNameFor(const std::string& finalPath);

// True when a file name (without folder) follows the temporary-name pattern.
bool IsOurLeftover(const std::string& fileName);

// Removes the leftovers of an earlier, interrupted run from the folder: plain
// files whose names follow our pattern and that no living writer holds locked
// (a run on another machine may share the folder), and nothing else. Returns
// how many.
int RemoveLeftovers(const std::string& folder);

// One output on its way to its final name.
class TSafeOutput {
public:
  // Reserves a fresh temporary name beside finalPath (the folder must exist).
  // Throws EPixStreamError when the folder does not take the file.
  TSafeOutput(std::string finalPath, TReplaceMode mode);
  // Removes the temporary file unless Commit succeeded.
  ~TSafeOutput();
  TSafeOutput(const TSafeOutput&) = delete;
  TSafeOutput& operator=(const TSafeOutput&) = delete;

  // Where the writer writes.
  const std::string& TemporaryPath() const { return m_temporary; }
  const std::string& FinalPath() const { return m_final; }

  // Moves the written file to its final name: syncs its data first when it
  // replaces a file (so a crash can never leave a fragment where a good file
  // was), refuses a read-only file unless the mode allows it. frNone on
  // success, else why nothing changed at the final name.
  TFailureReason Commit();

private:
  std::string m_final;
  std::string m_temporary;
  int m_lockFd = -1;  // held locked while the output is alive, so a clean-up leaves it alone
  TReplaceMode m_mode;
  bool m_committed = false;
};

}  // namespace pix
