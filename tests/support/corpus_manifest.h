#pragma once
// The shared corpus's MANIFEST.md as data: every listed file with the status
// the corpus gives it (what a mature reader makes of it).
#include <string>
#include <vector>

namespace pixtest {

enum class CorpusStatus { Valid, Questionable, Bad, Reference };

struct CorpusEntry {
  std::string Path;  // relative to the corpus root, e.g. "bmp/g/pal8.bmp"
  CorpusStatus Status;
  std::string Notes;
};

// The entries whose path starts with prefix ("bmp/", "jpeg/pillow/"); empty
// when the corpus is absent.
std::vector<CorpusEntry> CorpusEntries(const std::string& prefix);

}  // namespace pixtest
