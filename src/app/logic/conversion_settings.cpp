#include "app/logic/conversion_settings.h"

#include <algorithm>

namespace pix {

ConversionSettings LoadConversionSettings(const TProfileFile& file) {
  const ConversionSettings d;
  const char* s = kSettingsSection;
  ConversionSettings r;
  r.Source = file.ReadString(s, "Source", d.Source);
  r.Destination = file.ReadString(s, "Destination", d.Destination);
  r.Recursive = file.ReadBool(s, "Recursive", d.Recursive);
  r.MaxHeight = file.ReadInteger(s, "MaxHeight", d.MaxHeight);
  r.MaxWidth = file.ReadInteger(s, "MaxWidth", d.MaxWidth);
  r.ConvertToGrayscale = file.ReadBool(s, "ConvertToGrayscale", d.ConvertToGrayscale);
  r.ConvertToJPG = file.ReadBool(s, "ConvertToJPG", d.ConvertToJPG);
  r.ConvertJPG = file.ReadBool(s, "ConvertJPG", d.ConvertJPG);
  r.ConvertGIF = file.ReadBool(s, "ConvertGIF", d.ConvertGIF);
  r.ConvertBMP = file.ReadBool(s, "ConvertBMP", d.ConvertBMP);
  r.LandscapeOnly = file.ReadBool(s, "LandscapeOnly", d.LandscapeOnly);
  r.JPGQuality = file.ReadInteger(s, "JPGQuality", d.JPGQuality);
  r.Rotation = file.ReadInteger(s, "Rotation", d.Rotation);
  r.SizeCategory = file.ReadInteger(s, "SizeCategory", d.SizeCategory);
  r.ConvertPNG = file.ReadBool(s, "ConvertPNG", d.ConvertPNG);
  r.ConvertTIFF = file.ReadBool(s, "ConvertTIFF", d.ConvertTIFF);
  r.ConvertOther = file.ReadBool(s, "ConvertOther", d.ConvertOther);
  r.ConvertHEIF = file.ReadBool(s, "ConvertHEIF", d.ConvertHEIF);
  r.AutoOrient = file.ReadBool(s, "AutoOrient", d.AutoOrient);
  r.Metadata = file.ReadInteger(s, "Metadata", d.Metadata);
  r.Threads = file.ReadInteger(s, "Threads", d.Threads);
  return r;
}

void SaveConversionSettings(TProfileFile& file, const ConversionSettings& v) {
  const char* s = kSettingsSection;
  file.WriteString(s, "Source", v.Source);
  file.WriteString(s, "Destination", v.Destination);
  file.WriteBool(s, "Recursive", v.Recursive);
  file.WriteInteger(s, "MaxHeight", v.MaxHeight);
  file.WriteInteger(s, "MaxWidth", v.MaxWidth);
  file.WriteBool(s, "ConvertToGrayscale", v.ConvertToGrayscale);
  file.WriteBool(s, "ConvertToJPG", v.ConvertToJPG);
  file.WriteBool(s, "ConvertJPG", v.ConvertJPG);
  file.WriteBool(s, "ConvertGIF", v.ConvertGIF);
  file.WriteBool(s, "ConvertBMP", v.ConvertBMP);
  file.WriteBool(s, "LandscapeOnly", v.LandscapeOnly);
  file.WriteInteger(s, "JPGQuality", v.JPGQuality);
  file.WriteInteger(s, "Rotation", v.Rotation);
  file.WriteInteger(s, "SizeCategory", v.SizeCategory);
  file.WriteBool(s, "ConvertPNG", v.ConvertPNG);
  file.WriteBool(s, "ConvertTIFF", v.ConvertTIFF);
  file.WriteBool(s, "ConvertOther", v.ConvertOther);
  file.WriteBool(s, "ConvertHEIF", v.ConvertHEIF);
  file.WriteBool(s, "AutoOrient", v.AutoOrient);
  file.WriteInteger(s, "Metadata", v.Metadata);
  file.WriteInteger(s, "Threads", v.Threads);
}

ConversionSettings EffectiveSettings(const ConversionSettings& settings) {
  ConversionSettings s = settings;
  if (s.SizeCategory >= 0 && s.SizeCategory < static_cast<int>(kSizePresets.size())) {
    s.MaxWidth = kSizePresets[static_cast<size_t>(s.SizeCategory)].Width;
    s.MaxHeight = kSizePresets[static_cast<size_t>(s.SizeCategory)].Height;
  }
  s.MaxWidth = std::clamp(s.MaxWidth, kMinImageSize, kMaxImageSize);
  s.MaxHeight = std::clamp(s.MaxHeight, kMinImageSize, kMaxImageSize);
  s.JPGQuality = std::clamp(s.JPGQuality, kMinJpgQuality, kMaxJpgQuality);
  if (s.Rotation < kRotationNone || s.Rotation > kRotation90Right) s.Rotation = kRotationNone;
  if (s.Metadata < kMetadataKeepAll || s.Metadata > kMetadataStrip) s.Metadata = kMetadataKeepAll;
  if (s.Threads < 0) s.Threads = 0;
  return s;
}

}  // namespace pix
