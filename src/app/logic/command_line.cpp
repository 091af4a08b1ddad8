#include "app/logic/command_line.h"

#include "app/logic/text_case.h"

namespace pix {

TCommandLineFlags ReadCommandLine(const std::vector<std::string>& args) {
  TCommandLineFlags flags;
  if (args.size() >= 1 && UpperCase(args[0]) == "/START") flags.AutoStart = true;
  if (args.size() >= 2 && UpperCase(args[1]) == "/OVERWRITE") flags.Overwrite = true;
  return flags;
}

}  // namespace pix
