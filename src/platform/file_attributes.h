#pragma once
// File attributes as the rest of the system sees them. A file is read-only when
// its owner-write permission bit is clear.
#include <string>

namespace pix {

bool FileExists(const std::string& path);       // a regular file (or link to one)
bool DirectoryExists(const std::string& path);
bool IsReadOnly(const std::string& path);       // false when the file does not exist
// Set or clear the read-only attribute; false when the attributes cannot be changed.
bool SetReadOnly(const std::string& path, bool readOnly);
inline bool ClearReadOnly(const std::string& path) { return SetReadOnly(path, false); }
bool IsHidden(const std::string& path);         // a name starting with '.'

}  // namespace pix
