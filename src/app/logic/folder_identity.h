#pragma once
// Whether two folder texts name the same folder.
#include <string>

namespace pix {

// Compares the folders a run would use for the two texts (trimmed, with a
// trailing delimiter, relative to the working directory): their absolute paths
// with ".", ".." and symbolic links resolved as far as the folders exist, and
// their file identity when both exist. Case matters, as it does in file names
// here. A folder inside the other is a different folder.
bool NameSameFolder(const std::string& a, const std::string& b);

}  // namespace pix
