#include "app/logic/source_scan.h"

#include <algorithm>
#include <filesystem>

#include "app/logic/paths.h"
#include "app/logic/text_case.h"

namespace pix {

namespace {

namespace fs = std::filesystem;

struct TEntry {
  std::string Name;
  bool RealDirectory;
};

std::vector<TEntry> SortedEntries(const std::string& folder) {
  std::vector<TEntry> entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code statError;
    // symlink_status so that a link to a folder counts as a plain entry.
    bool isDir = it->symlink_status(statError).type() == fs::file_type::directory;
    entries.push_back({it->path().filename().string(), !statError && isDir});
  }
  std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.Name < b.Name; });
  return entries;
}

bool IsExcluded(const std::string& folder, const TScanOptions& options) {
  if (options.ExcludedFolder.empty()) return false;
  std::error_code ec;
  return fs::equivalent(folder, options.ExcludedFolder, ec) && !ec;
}

}  // namespace

bool IsWantedImage(const std::string& fileName, const TScanOptions& options) {
  size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string ext = UpperCase(fileName.substr(dot + 1));
  const auto in = [&ext](std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&ext](const char* n) { return ext == n; });
  };
  return (options.ConvertJPG && in({"JPG", "JPEG"})) || (options.ConvertGIF && ext == "GIF") ||
         (options.ConvertBMP && ext == "BMP") || (options.ConvertPNG && ext == "PNG") ||
         (options.ConvertTIFF && in({"TIF", "TIFF"})) ||
         (options.ConvertOther && in({"PCX", "TGA", "PNM", "PBM", "PGM", "PPM", "ICO", "CUR", "WMF", "EMF"})) ||
         (options.ConvertHEIF && in({"HEIC", "HEIF", "HIF", "AVIF", "WEBP"}));
}

void ScanFolder(const std::string& sourceText, const std::string& relative, const TScanOptions& options,
                std::vector<TScanRow>& rows) {
  std::vector<std::string> subfolders;
  const std::string folder = ComposeFolderPath(sourceText, relative);
  for (const TEntry& entry : SortedEntries(folder)) {
    if (entry.RealDirectory) {
      if (entry.Name.find('.') == std::string::npos && !IsExcluded(folder + entry.Name, options))
        subfolders.push_back(relative.empty() ? entry.Name : relative + kPathDelimiter + entry.Name);
    } else if (IsWantedImage(entry.Name, options)) {
      rows.push_back({relative, entry.Name});
    }
  }
  if (!options.Recursive) return;
  for (const std::string& sub : subfolders) ScanFolder(sourceText, sub, options, rows);
}

}  // namespace pix
