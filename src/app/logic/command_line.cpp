#include "app/logic/command_line.h"

#include <filesystem>
#include <system_error>

#include "app/logic/source_scan.h"
#include "app/logic/text_case.h"
#include "platform/file_attributes.h"

namespace pix {

namespace {

bool IsSwitch(const std::string& arg) {
  const std::string upper = UpperCase(arg);
  return upper == "/START" || upper == "/OVERWRITE";
}

// The folder arg stands for, absolute; empty when it names neither a folder
// nor a picture the scan would take.
std::string SourceFolderOf(const std::string& arg) {
  if (arg.empty() || IsSwitch(arg)) return {};
  const bool folder = DirectoryExists(arg);
  if (!folder && !(FileExists(arg) && IsWantedImage(std::filesystem::path(arg).filename().string(), TScanOptions{})))
    return {};
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(arg, ec);
  if (ec) return {};
  path = path.lexically_normal();
  // "/a/b/" and "/a/b/." normalise with an empty last name; the folder is its parent.
  if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
  if (!folder) path = path.parent_path();
  return path.string();
}

}  // namespace

TCommandLineFlags ReadCommandLine(const std::vector<std::string>& args) {
  TCommandLineFlags flags;
  std::vector<std::string> switches;
  for (const std::string& arg : args) {
    if (flags.Source.empty()) {
      flags.Source = SourceFolderOf(arg);
      if (!flags.Source.empty()) continue;
    }
    switches.push_back(arg);
  }
  if (switches.size() >= 1 && UpperCase(switches[0]) == "/START") flags.AutoStart = true;
  if (switches.size() >= 2 && UpperCase(switches[1]) == "/OVERWRITE") flags.Overwrite = true;
  return flags;
}

}  // namespace pix
