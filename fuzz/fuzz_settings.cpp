// Fuzzes the settings-file reader: the whole file as a profile, then every
// key of the conversion settings read from it, then one key written back.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/logic/conversion_settings.h"
#include "app/logic/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/pixfold-fuzz-settings-" + std::to_string(::getpid()) + ".ini";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  pix::TProfileFile file(path);
  pix::ConversionSettings settings = pix::LoadConversionSettings(file);
  (void)file.ReadString("Other", "Key", "default");
  try {
    file.WriteInteger("Settings", "JPGQuality", settings.JPGQuality);
  } catch (const pix::EProfileWriteError&) {
  }
  std::remove(path.c_str());
  return 0;
}
