#include "app/logic/batch_files.h"

#include <filesystem>
#include <set>

#include "app/logic/paths.h"

namespace pix {

namespace {

namespace fs = std::filesystem;

fs::path AbsoluteNormal(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) absolute = path;
  return absolute.lexically_normal();
}

TFileList Refused(const std::string& error) {
  TFileList list;
  list.Error = error;
  return list;
}

}  // namespace

TFileList ReadFileList(std::istream& in, const std::string& sourceRoot, const TScanOptions& options) {
  TFileList list;
  const fs::path root = AbsoluteNormal(sourceRoot.empty() ? fs::path(".") : fs::path(sourceRoot));
  std::set<std::string> seen;
  std::string line;
  long number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    fs::path relative;
    const fs::path listed(line);
    if (listed.is_absolute()) {
      relative = listed.lexically_normal().lexically_relative(root);
      if (relative.empty() || *relative.begin() == "..")
        return Refused("line " + std::to_string(number) + ": " + line + " is outside the source root " +
                       root.string() + " (give --source-root a folder that holds every listed file)");
    } else {
      relative = listed.lexically_normal();
      if (!relative.empty() && *relative.begin() == "..")
        return Refused("line " + std::to_string(number) + ": " + line + " leaves the source root " + root.string());
    }
    TScanRow row{relative.parent_path().string(), relative.filename().string()};
    if (row.File.empty() || row.File == "." || row.File == "..")
      return Refused("line " + std::to_string(number) + ": " + line + " names no file");
    if (!IsWantedImage(row.File, options)) {
      ++list.LeftOut;
      continue;
    }
    if (!seen.insert(relative.string()).second) continue;
    list.Rows.push_back(std::move(row));
  }
  list.Ok = true;
  return list;
}

std::string ShardKey(const TScanRow& row) {
  std::string stem = PathWithoutExtension(row.File);
  // NextFreeName adds "_N"; a source may carry such a name of its own.
  for (;;) {
    const size_t underscore = stem.find_last_of('_');
    if (underscore == std::string::npos || underscore + 1 == stem.size()) break;
    if (stem.find_first_not_of("0123456789", underscore + 1) != std::string::npos) break;
    stem.erase(underscore);
  }
  std::string key = row.Subfolder + "/" + stem;
  // Case-blind file systems would make Pic and pic one destination.
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

uint64_t ShardHash(const std::string& key) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : key) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

std::vector<TScanRow> ShardRows(const std::vector<TScanRow>& rows, int index, int count) {
  if (count <= 1) return rows;
  std::vector<TScanRow> slice;
  for (const TScanRow& row : rows)
    if (ShardHash(ShardKey(row)) % static_cast<uint64_t>(count) == static_cast<uint64_t>(index - 1))
      slice.push_back(row);
  return slice;
}

}  // namespace pix
