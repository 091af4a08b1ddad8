#pragma once
// The command line of the program: the two switches and a source folder.
#include <string>
#include <vector>

namespace pix {

struct TCommandLineFlags {
  bool AutoStart = false;  // "/START": run at once, close when done
  bool Overwrite = false;  // "/OVERWRITE": never ask about existing files
  std::string Source;      // the source folder named on the command line, absolute; empty when none
};

// args are the arguments after the program name.
// The first argument that names an existing folder, or an existing file the
// source scan would take (then the folder that holds it), gives Source: made
// absolute against the current folder, "." and ".." resolved by name, no
// trailing "/". That argument is then taken out; an argument that reads as
// one of the switches is never taken for a folder.
// Of the remaining arguments only the first two are looked at, each
// upper-cased and compared whole: "/START" counts in the first place only,
// "/OVERWRITE" in the second place only. Without a folder argument this is
// the plain rule of the two switches.
TCommandLineFlags ReadCommandLine(const std::vector<std::string>& args);

}  // namespace pix
