#pragma once
// The two command-line switches of the program.
#include <string>
#include <vector>

namespace pix {

struct TCommandLineFlags {
  bool AutoStart = false;  // "/START": run at once, close when done
  bool Overwrite = false;  // "/OVERWRITE": never ask about existing files
};

// args are the arguments after the program name. Only the first two are looked
// at, each upper-cased and compared whole: "/START" counts in the first place
// only, "/OVERWRITE" in the second place only.
TCommandLineFlags ReadCommandLine(const std::vector<std::string>& args);

}  // namespace pix
