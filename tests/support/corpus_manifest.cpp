#include "support/corpus_manifest.h"

#include <fstream>
#include <sstream>

#include "support/test_support.h"

namespace pixtest {

namespace {

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  std::string cell;
  std::getline(in, cell, '|');  // before the first bar
  while (std::getline(in, cell, '|')) cells.push_back(Trim(cell));
  if (!cells.empty() && cells.back().empty()) cells.pop_back();
  return cells;
}

}  // namespace

std::vector<CorpusEntry> CorpusEntries(const std::string& prefix) {
  std::vector<CorpusEntry> entries;
  const std::string root = SharedTestData();
  if (root.empty()) return entries;
  std::ifstream in(root + "/MANIFEST.md");
  std::string line, folder;
  int fileColumn = -1, statusColumn = -1, notesColumn = -1;
  while (std::getline(in, line)) {
    if (line.rfind("### ", 0) == 0) {
      // "### bmp/g (bmpsuite ...)": the folder the next table lists.
      folder = line.substr(4, line.find(' ', 4) - 4);
      fileColumn = statusColumn = -1;
      continue;
    }
    if (line.rfind("## ", 0) == 0) {
      folder = Trim(line.substr(3));
      if (!folder.empty() && folder.back() == '/') folder.pop_back();
      fileColumn = statusColumn = -1;
      continue;
    }
    if (line.empty() || line[0] != '|' || folder.empty()) continue;
    const std::vector<std::string> cells = Cells(line);
    if (cells.empty() || cells[0].rfind("---", 0) == 0) continue;
    if (cells[0] == "file") {
      for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
        if (cells[i] == "file") fileColumn = i;
        if (cells[i] == "status") statusColumn = i;
        if (cells[i] == "notes") notesColumn = i;
      }
      continue;
    }
    if (fileColumn < 0 || statusColumn < 0 || statusColumn >= static_cast<int>(cells.size())) continue;
    const std::string& status = cells[static_cast<size_t>(statusColumn)];
    CorpusEntry e;
    e.Path = folder + "/" + cells[static_cast<size_t>(fileColumn)];
    if (status == "valid") e.Status = CorpusStatus::Valid;
    else if (status == "questionable") e.Status = CorpusStatus::Questionable;
    else if (status == "bad") e.Status = CorpusStatus::Bad;
    else if (status == "reference") e.Status = CorpusStatus::Reference;
    else continue;
    if (notesColumn >= 0 && notesColumn < static_cast<int>(cells.size())) e.Notes = cells[static_cast<size_t>(notesColumn)];
    if (e.Path.rfind(prefix, 0) == 0) entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace pixtest
