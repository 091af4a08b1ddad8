#pragma once
// The command line of pixfold-batch: what the user asked for, before any
// settings file is read.
#include <optional>
#include <string>
#include <vector>

#include "app/logic/file_exists_policy.h"

namespace pix {

constexpr const char* kBatchProgramName = "pixfold-batch";

// The source-type switches of the settings, as --types names them.
struct TSourceTypes {
  bool Jpg = false, Gif = false, Bmp = false, Png = false, Tiff = false, Other = false, Heif = false;
};

// Every option; an empty optional leaves the settings' value alone.
struct TBatchOptions {
  std::vector<std::string> Folders;  // positional: SOURCE DESTINATION, or DESTINATION with a file list
  std::string SettingsFile;          // --settings
  bool UseSavedSettings = false;     // --use-saved-settings

  std::optional<int> SizeCategory;   // --preset: 0..3, or kUserDefinedSize
  std::optional<int> Width, Height;  // --size
  bool Gray = false;
  std::optional<int> Rotation;       // kRotationNone, kRotation90Left, kRotation90Right
  bool LandscapeOnly = false;
  std::optional<int> Quality;        // 1..10
  std::optional<TSourceTypes> Types;
  bool KeepType = false;
  bool NoRecursive = false;
  std::optional<bool> AutoOrient;
  std::optional<int> Metadata;       // kMetadataKeepAll, kMetadataCompact, kMetadataStrip
  std::optional<int> Jobs;           // 0 = one per core

  TExistingMode Existing = TExistingMode::Skip;
  std::string FilesFrom;             // "" none, "-" standard input
  std::string SourceRoot;            // "" the working directory
  int ShardIndex = 1;                // 1-based
  int ShardCount = 1;
  bool DryRun = false;
  bool Quiet = false;
  std::string ReportFile;            // "" none, "-" standard output
};

struct TBatchParse {
  // Done: nothing more to do (help, version or a usage error); exit with
  // ExitStatus after printing Output to standard output and Error to
  // standard error.
  bool Done = false;
  int ExitStatus = 0;
  std::string Output;
  std::string Error;
  TBatchOptions Options;
};

// Parses the arguments after the program name. A usage error gives Done with
// exit status 2 and a message naming the option; --help and --version give
// Done with status 0 and their text in Output. Never throws.
TBatchParse ParseBatchCommandLine(const std::vector<std::string>& args);

// "240x320" (also with "X" or "*") into width and height, each 1..99999999;
// nothing for any other text.
std::optional<std::pair<int, int>> ParseSizeText(const std::string& text);

// "I/N" with 1 <= I <= N; nothing for any other text.
std::optional<std::pair<int, int>> ParseShardText(const std::string& text);

// The source-type switch a --types word turns on: the switch names (jpg,
// gif, bmp, png, tiff, other, heif) and the extensions a user would type
// (jpeg, tif, pcx, tga, pnm, pbm, pgm, ppm, ico, cur, wmf, emf, heic, hif,
// avif, webp), without regard to case and with an optional leading dot.
// False for an unknown word.
bool AddSourceType(const std::string& word, TSourceTypes& types);

}  // namespace pix
