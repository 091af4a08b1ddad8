#pragma once
// What a run does with a destination file that already exists.
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "app/logic/safe_output.h"

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

// The first of stem_1.ext, stem_2.ext, ... that names nothing and that taken
// (when given) does not claim, where stem is the path without its extension
// and ext its extension in lower case.
std::string NextFreeName(const std::string& path, const std::function<bool(const std::string&)>& taken = {});

// Clears the read-only attribute of a plain file when it is set, then removes
// it. A symbolic link is removed itself, its target left untouched. False when
// nothing was deleted (a folder is never removed).
bool DeleteFileForced(const std::string& path);

// How a run settles existing destinations: ask the user (the window), or one
// fixed rule (the window's "/OVERWRITE" is Replace; the batch command has all four).
enum class TExistingMode { Ask, Replace, Skip, Rename, Fail };

enum class TFileAction { Convert, Skip, Fail, StopRun };

struct TFileDecision {
  TFileAction Action;
  std::string Destination;  // the path to convert to (a free name after a rename)
  TReplaceMode Replace = TReplaceMode::NoFile;
  bool Renamed = false;     // Destination is a free name beside the wanted one
};

// The remembered answer of one run and the decision for each destination.
class TExistingFilePolicy {
public:
  using TAskFileExists = std::function<FileExistsAnswer(const std::string& destination)>;

  TExistingFilePolicy(TExistingMode mode, TAskFileExists ask);
  // The window's form: overwrite = "/OVERWRITE", else ask.
  TExistingFilePolicy(bool overwrite, TAskFileExists ask)
      : TExistingFilePolicy(overwrite ? TExistingMode::Replace : TExistingMode::Ask, std::move(ask)) {}

  // Settles one destination. An output this run already claimed is never
  // replaced: the file gets the next free name. Otherwise nothing there means
  // convert; an existing entry is settled by the mode, or by the remembered
  // answer, asking when none is remembered (ReplaceThis may replace a
  // read-only file, ReplaceAll and Replace may not; the rename answers pick
  // NextFreeName; the "this file" answers are forgotten afterwards, the "all"
  // answers kept). The destination converted to is claimed.
  TFileDecision Settle(const std::string& destination);

  // True when Settle would show the question for this destination now.
  bool WouldAsk(const std::string& destination) const;

  // Marks a path as an output of this run.
  void Claim(const std::string& path) { m_claimed.insert(path); }
  bool Claimed(const std::string& path) const { return m_claimed.count(path) != 0; }

  FileExistsAnswer Remembered() const { return m_remembered; }

private:
  TFileDecision ConvertTo(std::string destination, TReplaceMode replace, bool renamed);
  std::string FreeName(const std::string& destination) const;

  TExistingMode m_mode;
  TAskFileExists m_ask;
  FileExistsAnswer m_remembered = FileExistsAnswer::AskUser;
  std::set<std::string> m_claimed;
};

}  // namespace pix
