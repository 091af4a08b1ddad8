#pragma once
// The settings a batch run converts with: the window's first-start defaults or
// a settings file, with the command line's options over them.
#include <string>

#include "app/logic/batch_options.h"
#include "app/logic/conversion_settings.h"

namespace pix {

struct TBatchSettings {
  bool Ok = false;
  std::string Error;            // why not, for the user; Ok false means exit status 2
  ConversionSettings Settings;  // as the window's controls would show them (EffectiveSettings)
};

// Starts from a default ConversionSettings, or from the file named by
// --settings (which must exist), or from savedSettingsPath with
// --use-saved-settings (a missing file reads as the defaults, as the window
// does); applies every option given, then EffectiveSettings. The folders: the
// positional ones when given (SOURCE DESTINATION; with --files-from
// DESTINATION only, and Source becomes --source-root or "."), else the file's.
// Fails when a folder is missing or blank, or when one positional folder is
// given without --files-from.
TBatchSettings AssembleBatchSettings(const TBatchOptions& options, const std::string& savedSettingsPath);

}  // namespace pix
