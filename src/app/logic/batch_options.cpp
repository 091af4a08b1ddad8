#include "app/logic/batch_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <memory>
#include <tuple>

#include "app/logic/conversion_settings.h"

#ifndef PIXFOLD_VERSION
#define PIXFOLD_VERSION "unknown"
#endif

namespace pix {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return text;
}

// A whole decimal number without sign or blanks.
std::optional<int> WholeNumber(std::string_view text) {
  int value = 0;
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The preset names --preset accepts: each preset's text and index, and "user".
std::map<std::string, int> PresetNames() {
  std::map<std::string, int> names;
  for (size_t i = 0; i < kSizePresets.size(); ++i) {
    names[Lower(kSizePresets[i].Text)] = static_cast<int>(i);
    names[std::to_string(i)] = static_cast<int>(i);
  }
  names["user"] = kUserDefinedSize;
  names[Lower(kUserDefinedSizeText)] = kUserDefinedSize;
  return names;
}

// Looks a word up without regard to case; the error names the choices.
template <typename T>
CLI::Validator OneOf(const std::map<std::string, T>& names, const std::string& what) {
  return CLI::Validator(
      [names, what](std::string& input) -> std::string {
        if (names.count(Lower(input))) return "";
        std::string choices;
        for (const auto& entry : names) choices += (choices.empty() ? "" : ", ") + entry.first;
        return what + " must be one of: " + choices;
      },
      "", what);
}

constexpr const char* kDescription =
    "Converts every picture of SOURCE (or of the files listed by --files-from) into the same place under "
    "DESTINATION, exactly as the Pixfold window does: shrunk to fit, optionally grayscale and turned, saved as JPEG "
    "or in its own type. It never asks: existing destinations are settled by --existing.";

constexpr const char* kFooter =
    "Settings: the window's first-start defaults (preset 0 = 240x320, rotate left, quality 7), or a settings file "
    "(--settings, --use-saved-settings); options given here override either.\n"
    "Exit status: 0 all converted or skipped, 1 some files failed or came from damaged sources, 2 usage or settings "
    "error or refused folders, 130 interrupted (SIGINT), 143 terminated (SIGTERM).";

// The two forms of the command, in place of CLI11's generated usage line.
class TBatchFormatter : public CLI::Formatter {
public:
  std::string make_usage(const CLI::App*, std::string name) const override {
    return "Usage: " + name + " [OPTIONS] SOURCE DESTINATION\n       " + name +
           " [OPTIONS] --files-from LIST DESTINATION\n";
  }
};

}  // namespace

std::optional<std::pair<int, int>> ParseSizeText(const std::string& text) {
  const size_t x = text.find_first_of("xX*");
  if (x == std::string::npos) return std::nullopt;
  const auto w = WholeNumber(std::string_view(text).substr(0, x));
  const auto h = WholeNumber(std::string_view(text).substr(x + 1));
  if (!w || !h || *w < kMinImageSize || *w > kMaxImageSize || *h < kMinImageSize || *h > kMaxImageSize)
    return std::nullopt;
  return std::make_pair(*w, *h);
}

std::optional<std::pair<int, int>> ParseShardText(const std::string& text) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return std::nullopt;
  const auto i = WholeNumber(std::string_view(text).substr(0, slash));
  const auto n = WholeNumber(std::string_view(text).substr(slash + 1));
  if (!i || !n || *i < 1 || *i > *n) return std::nullopt;
  return std::make_pair(*i, *n);
}

bool AddSourceType(const std::string& word, TSourceTypes& types) {
  static const std::map<std::string, bool TSourceTypes::*> kTypes = {
      {"jpg", &TSourceTypes::Jpg},     {"jpeg", &TSourceTypes::Jpg},    {"jpe", &TSourceTypes::Jpg},
      {"gif", &TSourceTypes::Gif},     {"bmp", &TSourceTypes::Bmp},     {"png", &TSourceTypes::Png},
      {"tiff", &TSourceTypes::Tiff},   {"tif", &TSourceTypes::Tiff},    {"other", &TSourceTypes::Other},
      {"pcx", &TSourceTypes::Other},   {"tga", &TSourceTypes::Other},   {"pnm", &TSourceTypes::Other},
      {"pbm", &TSourceTypes::Other},   {"pgm", &TSourceTypes::Other},   {"ppm", &TSourceTypes::Other},
      {"ico", &TSourceTypes::Other},   {"cur", &TSourceTypes::Other},   {"wmf", &TSourceTypes::Other},
      {"emf", &TSourceTypes::Other},   {"heif", &TSourceTypes::Heif},   {"heic", &TSourceTypes::Heif},
      {"hif", &TSourceTypes::Heif},    {"avif", &TSourceTypes::Heif},   {"webp", &TSourceTypes::Heif},
  };
  std::string key = Lower(word);
  if (!key.empty() && key.front() == '.') key.erase(0, 1);
  const auto found = kTypes.find(key);
  if (found == kTypes.end()) return false;
  types.*(found->second) = true;
  return true;
}

TBatchParse ParseBatchCommandLine(const std::vector<std::string>& args) {
  TBatchParse result;
  TBatchOptions& o = result.Options;

  CLI::App app(kDescription, kBatchProgramName);
  app.footer(kFooter);
  app.set_version_flag("--version", std::string(kBatchProgramName) + " " + PIXFOLD_VERSION);
  auto formatter = std::make_shared<TBatchFormatter>();
  formatter->column_width(34);
  app.formatter(formatter);

  app.add_option("folders", o.Folders, "SOURCE DESTINATION, or DESTINATION with --files-from")
      ->expected(0, 2)->type_name("");

  auto* settingsFile = app.add_option("--settings", o.SettingsFile, "read settings from FILE (the window's format)")
                           ->type_name("FILE");
  app.add_flag("--use-saved-settings", o.UseSavedSettings, "read the window's own settings file")
      ->excludes(settingsFile);

  std::string preset, size, rotate, types, metadata, existing, shard;
  const std::map<std::string, int> presets = PresetNames();
  app.add_option("--preset", preset, "size preset: 0..3, its text, or user")
      ->type_name("NAME|INDEX")->check(OneOf(presets, "--preset"));
  app.add_option("--size", size, "largest width and height (a user-defined size)")
      ->type_name("WxH")->check([](const std::string& text) {
        return ParseSizeText(text) ? std::string() : "--size wants WIDTHxHEIGHT, each 1..99999999";
      });
  app.add_flag("--gray", o.Gray, "convert to grayscale");
  const std::map<std::string, int> rotations = {
      {"left", kRotation90Left}, {"right", kRotation90Right}, {"none", kRotationNone}};
  app.add_option("--rotate", rotate, "turn a quarter left, right, or not at all")
      ->type_name("left|right|none")->check(OneOf(rotations, "--rotate"));
  app.add_flag("--landscape-only", o.LandscapeOnly, "turn only pictures wider than high");
  int quality = 0;
  auto* qualityOption = app.add_option("--quality", quality, "JPEG quality step (saved as N x 10)")
                            ->type_name("1..10")->check(CLI::Range(kMinJpgQuality, kMaxJpgQuality).description(""));
  app.add_option("--types", types, "source types taken: jpg,gif,bmp,png,tiff,other,heif or extensions")
      ->type_name("LIST")->check([](const std::string& text) {
        TSourceTypes unused;
        std::string word;
        for (size_t start = 0; start <= text.size();) {
          const size_t comma = std::min(text.find(',', start), text.size());
          word = text.substr(start, comma - start);
          if (!AddSourceType(word, unused)) return "--types: unknown type \"" + word + "\"";
          start = comma + 1;
        }
        return std::string();
      });
  app.add_flag("--keep-type", o.KeepType, "save each picture in its own type, not as JPEG");
  app.add_flag("--no-recursive", o.NoRecursive, "leave subfolders out");
  bool autoOrient = true;
  auto* orientOption = app.add_flag("--auto-orient,!--no-auto-orient", autoOrient,
                                    "turn photos upright by their EXIF orientation first (default on)");
  const std::map<std::string, int> metadataModes = {
      {"keep", kMetadataKeepAll}, {"compact", kMetadataCompact}, {"strip", kMetadataStrip}};
  app.add_option("--metadata", metadata, "what metadata the outputs keep")
      ->type_name("keep|compact|strip")->check(OneOf(metadataModes, "--metadata"));
  int jobs = 0;
  auto* jobsOption = app.add_option("--jobs", jobs, "threads, one file each (0 = one per core, 1 = one core)")
                         ->type_name("N")->check(CLI::Range(0, 4096).description(""));

  const std::map<std::string, TExistingMode> existingModes = {{"skip", TExistingMode::Skip},
                                                              {"replace", TExistingMode::Replace},
                                                              {"rename", TExistingMode::Rename},
                                                              {"fail", TExistingMode::Fail}};
  app.add_option("--existing", existing, "an existing destination is skipped (default), replaced, renamed, or fails")
      ->type_name("skip|replace|rename|fail")->check(OneOf(existingModes, "--existing"));
  app.add_option("--files-from", o.FilesFrom, "convert the files listed in LIST (one path a line; - standard input)")
      ->type_name("LIST");
  app.add_option("--source-root", o.SourceRoot, "the folder listed paths are relative to (default: working directory)")
      ->type_name("DIR");
  app.add_option("--shard", shard, "convert only the I-th of N slices (by destination name)")
      ->type_name("I/N")->check([](const std::string& text) {
        return ParseShardText(text) ? std::string() : "--shard wants I/N with 1 <= I <= N";
      });
  app.add_flag("--dry-run", o.DryRun, "list what would be written, skipped, renamed or failed; write nothing");
  app.add_flag("-q,--quiet", o.Quiet, "print nothing but errors");
  app.add_option("--report", o.ReportFile, "write one JSON object per file to FILE (- standard output)")
      ->type_name("FILE");

  // CLI11 takes its vector last argument first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    result.Done = true;
    result.Output = app.help();
    return result;
  } catch (const CLI::CallForVersion&) {
    result.Done = true;
    result.Output = app.version() + "\n";
    return result;
  } catch (const CLI::ParseError& e) {
    result.Done = true;
    result.ExitStatus = 2;
    result.Error = std::string(kBatchProgramName) + ": " + e.what() + "\nRun with --help for more information.\n";
    return result;
  }

  if (!preset.empty()) o.SizeCategory = presets.at(Lower(preset));
  if (!size.empty()) {
    const auto wh = ParseSizeText(size);
    o.Width = wh->first;
    o.Height = wh->second;
  }
  if (!rotate.empty()) o.Rotation = rotations.at(Lower(rotate));
  if (qualityOption->count()) o.Quality = quality;
  if (!types.empty()) {
    o.Types = TSourceTypes{};
    for (size_t start = 0; start <= types.size();) {
      const size_t comma = std::min(types.find(',', start), types.size());
      AddSourceType(types.substr(start, comma - start), *o.Types);
      start = comma + 1;
    }
  }
  if (orientOption->count()) o.AutoOrient = autoOrient;
  if (!metadata.empty()) o.Metadata = metadataModes.at(Lower(metadata));
  if (jobsOption->count()) o.Jobs = jobs;
  if (!existing.empty()) o.Existing = existingModes.at(Lower(existing));
  if (!shard.empty()) std::tie(o.ShardIndex, o.ShardCount) = *ParseShardText(shard);

  auto usage = [&result](const std::string& message) {
    result.Done = true;
    result.ExitStatus = 2;
    result.Error = std::string(kBatchProgramName) + ": " + message + "\nRun with --help for more information.\n";
    return result;
  };
  if (o.SizeCategory && *o.SizeCategory != kUserDefinedSize && o.Width)
    return usage("--size sets a user-defined size; it cannot go with the preset \"" + preset + "\"");
  if (!o.SourceRoot.empty() && o.FilesFrom.empty()) return usage("--source-root goes with --files-from");
  if (!o.FilesFrom.empty() && o.Folders.size() > 1)
    return usage("with --files-from give only DESTINATION (the listed files are the sources)");
  return result;
}

}  // namespace pix
