#pragma once
// The user options of the main window and their keys in the settings file.
#include <array>
#include <string>

#include "app/logic/profile_file.h"
#include "platform/translate.h"

namespace pix {

constexpr const char* kSettingsFileName = "Snapcrate.ini";
constexpr const char* kSettingsSection = "Settings";

// Field names are the keys in section "Settings"; initial values are the
// defaults used when a key is missing. Numbers are kept as read: the window's
// controls clamp them.
struct ConversionSettings {
  std::string Source;
  std::string Destination;
  bool Recursive = true;
  int MaxHeight = 200;
  int MaxWidth = 200;
  bool ConvertToGrayscale = false;
  bool ConvertToJPG = true;
  bool ConvertJPG = true;
  bool ConvertGIF = true;
  bool ConvertBMP = true;
  bool LandscapeOnly = false;
  int JPGQuality = 7;
  int Rotation = 1;      // 0 none, 1 = 90 degrees left, 2 = 90 degrees right
  int SizeCategory = 0;  // index into kSizePresets, kUserDefinedSize, or -1 for none
  bool ConvertPNG = true;
  bool ConvertTIFF = true;
  bool ConvertOther = true;  // PCX, TGA, PNM, ICO, CUR, WMF and EMF sources
  bool ConvertHEIF = true;   // HEIC, HEIF, AVIF and WebP sources
  bool AutoOrient = true;    // turn photos upright by their EXIF orientation first
  int Metadata = 0;          // kMetadataKeepAll, kMetadataCompact or kMetadataStrip
  int Threads = 0;           // threads a run uses, one file each: 0 one per core, 1 one core
};

constexpr int kMetadataKeepAll = 0;
constexpr int kMetadataCompact = 1;
constexpr int kMetadataStrip = 2;

constexpr int kRotationNone = 0;
constexpr int kRotation90Left = 1;
constexpr int kRotation90Right = 2;

// Limits of the size spin edits and the quality track bar.
constexpr int kMinImageSize = 1;
constexpr int kMaxImageSize = 99999999;
constexpr int kMinJpgQuality = 1;
constexpr int kMaxJpgQuality = 10;

struct TSizePreset {
  const char* Text;
  int Width;
  int Height;
};

constexpr std::array<TSizePreset, 4> kSizePresets{{
    {"MS Pocket PC (240x320)", 240, 320},
    {"Palm Tungstein (320x320)", 320, 320},
    {"Palm Zire (160x160)", 160, 160},
    {"P800/P900 (208x320)", 208, 320},
}};
constexpr int kUserDefinedSize = 4;
// The last entry of the size list, in English (translated where shown).
constexpr const char* kUserDefinedSizeText = PIX_TRANSLATE_NOOP("ConversionSettings", "User defined");

// The settings as the window's controls would show them: a size preset 0..3
// sets its sizes, sizes are clamped to kMinImageSize..kMaxImageSize and the
// quality to kMinJpgQuality..kMaxJpgQuality, a rotation outside 0..2 means
// none, a metadata mode outside 0..2 keeps all, a negative thread count
// means one per core. The window and the batch command convert with these.
ConversionSettings EffectiveSettings(const ConversionSettings& settings);

// Every key of section "Settings", each missing key giving its default.
ConversionSettings LoadConversionSettings(const TProfileFile& file);

// Writes every key in the fixed order Source, Destination, Recursive,
// MaxHeight, MaxWidth, ConvertToGrayscale, ConvertToJPG, ConvertJPG,
// ConvertGIF, ConvertBMP, LandscapeOnly, JPGQuality, Rotation, SizeCategory,
// then the keys added since: ConvertPNG, ConvertTIFF, ConvertOther,
// ConvertHEIF, AutoOrient, Metadata, Threads.
// Throws EProfileWriteError at the first key that cannot be written; the keys
// after it are not written.
void SaveConversionSettings(TProfileFile& file, const ConversionSettings& settings);

}  // namespace pix
