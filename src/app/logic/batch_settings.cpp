#include "app/logic/batch_settings.h"

#include <algorithm>

#include "platform/file_attributes.h"

namespace pix {

namespace {

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

TBatchSettings Refused(const std::string& error) {
  TBatchSettings r;
  r.Error = error;
  return r;
}

}  // namespace

TBatchSettings AssembleBatchSettings(const TBatchOptions& o, const std::string& savedSettingsPath) {
  ConversionSettings s;
  if (!o.SettingsFile.empty()) {
    if (!FileExists(o.SettingsFile)) return Refused("cannot read the settings file " + o.SettingsFile);
    s = LoadConversionSettings(TProfileFile(o.SettingsFile));
  } else if (o.UseSavedSettings) {
    s = LoadConversionSettings(TProfileFile(savedSettingsPath));
  }

  const bool listed = !o.FilesFrom.empty();
  if (listed) {
    if (o.Folders.size() == 1) s.Destination = o.Folders[0];
    s.Source = o.SourceRoot.empty() ? std::string(".") : o.SourceRoot;
  } else if (o.Folders.size() == 2) {
    s.Source = o.Folders[0];
    s.Destination = o.Folders[1];
  } else if (o.Folders.size() == 1) {
    return Refused("give both SOURCE and DESTINATION (or neither, to use the settings file's folders)");
  }
  if (Blank(s.Source) || Blank(s.Destination)) return Refused("Choose a source folder and a destination folder.");

  if (o.SizeCategory) s.SizeCategory = *o.SizeCategory;
  if (o.Width) {
    s.SizeCategory = kUserDefinedSize;
    s.MaxWidth = *o.Width;
    s.MaxHeight = *o.Height;
  }
  if (o.Gray) s.ConvertToGrayscale = true;
  if (o.Rotation) s.Rotation = *o.Rotation;
  if (o.LandscapeOnly) s.LandscapeOnly = true;
  if (o.Quality) s.JPGQuality = *o.Quality;
  if (o.Types) {
    s.ConvertJPG = o.Types->Jpg;
    s.ConvertGIF = o.Types->Gif;
    s.ConvertBMP = o.Types->Bmp;
    s.ConvertPNG = o.Types->Png;
    s.ConvertTIFF = o.Types->Tiff;
    s.ConvertOther = o.Types->Other;
    s.ConvertHEIF = o.Types->Heif;
  }
  if (o.KeepType) s.ConvertToJPG = false;
  if (o.NoRecursive) s.Recursive = false;
  if (o.AutoOrient) s.AutoOrient = *o.AutoOrient;
  if (o.Metadata) s.Metadata = *o.Metadata;
  if (o.Jobs) s.Threads = *o.Jobs;

  TBatchSettings r;
  r.Ok = true;
  r.Settings = EffectiveSettings(s);
  return r;
}

}  // namespace pix
