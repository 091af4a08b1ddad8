#pragma once
// A private-profile (INI) file: named sections of "Key=Value" lines. Reads look
// values up by section and key (both matched without regard to ASCII case);
// writes change one key in place and keep every other line of the file as it is.
#include <stdexcept>
#include <string>
#include <vector>

namespace pix {

// A value is read through a buffer of this many bytes, terminator included.
constexpr size_t kProfileBufferSize = 2048;

// The settings file could not be written; what() is "Unable to write to <path>".
class EProfileWriteError : public std::runtime_error {
public:
  explicit EProfileWriteError(const std::string& path)
      : std::runtime_error("Unable to write to " + path), m_path(path) {}
  const std::string& Path() const { return m_path; }

private:
  std::string m_path;
};

// Where a profile file given by a bare name lives: the per-user configuration
// folder ($XDG_CONFIG_HOME, else ~/.config), which is created when missing.
std::string ProfilePath(const std::string& bareName);

class TProfileFile {
public:
  // Reads the file once; a missing or unreadable file reads as empty.
  explicit TProfileFile(std::string path);

  const std::string& FileName() const { return m_path; }

  // The value with surrounding blanks and one pair of matching quotes removed,
  // cut to at most kProfileBufferSize - 1 bytes (never inside a UTF-8
  // character) and at a NUL byte; def when the key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // Decimal, or hexadecimal after "0x"/"0X" when the text is longer than two
  // characters (up to 8 hex digits, taken as a 32-bit pattern); any other text,
  // or a number outside the 32-bit range, yields def.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // Read as an integer; any non-zero value is true.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Set the key's value, adding the key (and the section) when missing, and
  // rewrite the file. Throws EProfileWriteError when the file cannot be
  // written, also when it is read-only (a read-only file is left untouched and
  // this object keeps its former content).
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

private:
  // Index of the key's line, or -1; sectionEnd receives the line after the
  // last non-blank line of the first matching section (-1 without a section).
  long FindKey(const std::string& section, const std::string& key, long* sectionEnd) const;
  std::string LineEnding() const;
  void Save() const;

  std::string m_path;
  std::vector<std::string> m_lines;  // each with its own line terminator, if any
};

}  // namespace pix
