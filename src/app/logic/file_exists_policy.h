#pragma once
// What a run does with a destination file that already exists.
#include <cstdint>
#include <functional>
#include <string>

namespace pix {

// The answers of the "File exists" dialog (1..7); AskUser means that no answer
// is remembered, so the dialog is shown.
enum class FileExistsAnswer : uint8_t {
  AskUser = 0,
  ReplaceThis = 1,
  ReplaceAll = 2,
  SkipThis = 3,
  SkipAll = 4,
  RenameThis = 5,
  RenameAll = 6,
  CancelRun = 7,
};

// True when anything (file, folder, link, even a dangling one) has this name.
bool PathEntryExists(const std::string& path);

// The first of stem_1.ext, stem_2.ext, ... that names nothing, where stem is
// the path without its extension and ext its extension in lower case.
std::string NextFreeName(const std::string& path);

// Clears the read-only attribute of a plain file when it is set, then removes
// it. A symbolic link is removed itself, its target left untouched. False when
// nothing was deleted (a folder is never removed).
bool DeleteFileForced(const std::string& path);

enum class TFileAction { Convert, Skip, StopRun };

struct TFileDecision {
  TFileAction Action;
  std::string Destination;  // the path to convert to (a free name after a rename answer)
  // The existing file is to be replaced: the caller removes it only once the
  // conversion has succeeded (see TSetAsideFile).
  bool ReplaceExisting = false;
};

// The remembered answer of one run and the decision for each destination.
class TExistingFilePolicy {
public:
  using TAskFileExists = std::function<FileExistsAnswer(const std::string& destination)>;

  // overwrite: convert over every destination without looking whether it exists.
  TExistingFilePolicy(bool overwrite, TAskFileExists ask);

  // Settles one destination: converts when nothing is there; otherwise asks
  // when no answer is remembered and acts on the answer (ReplaceThis marks the
  // file for replacement; the rename answers pick NextFreeName; the "this file"
  // answers are forgotten afterwards, the "all" answers kept for later files).
  TFileDecision Settle(const std::string& destination);

  FileExistsAnswer Remembered() const { return m_remembered; }

private:
  bool m_overwrite;
  TAskFileExists m_ask;
  FileExistsAnswer m_remembered = FileExistsAnswer::AskUser;
};

}  // namespace pix
