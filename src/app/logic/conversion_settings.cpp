#include "app/logic/conversion_settings.h"

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
  file.WriteInteger(s, "Threads", v.Threads);
}

}  // namespace pix
