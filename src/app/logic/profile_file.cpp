#include "app/logic/profile_file.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <pwd.h>
#include <unistd.h>

#include "platform/pix_exception.h"
#include "platform/stream.h"

namespace pix {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& s) {
  size_t first = 0;
  size_t last = s.size();
  while (first < last && IsBlank(s[first])) ++first;
  while (last > first && IsBlank(s[last - 1])) --last;
  return s.substr(first, last - first);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string WithoutTerminator(const std::string& line) {
  size_t end = line.size();
  while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r')) --end;
  return line.substr(0, end);
}

// The section name when the line is a section header.
bool SectionHeader(const std::string& line, std::string& name) {
  std::string t = Trim(WithoutTerminator(line));
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// Key and raw value when the line is a key line.
bool KeyLine(const std::string& line, std::string& key, std::string& value) {
  std::string t = WithoutTerminator(line);
  size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = t.substr(eq + 1);
  return true;
}

// Cuts the value to what the read buffer holds, backing off an incomplete
// UTF-8 character so that no broken character reaches the caller.
std::string FitReadBuffer(std::string value) {
  size_t nul = value.find('\0');
  if (nul != std::string::npos) value.resize(nul);
  constexpr size_t kMax = kProfileBufferSize - 1;
  if (value.size() <= kMax) return value;
  // value[cut] is the first byte left out; when it continues a character, the
  // cut moves back to that character's first byte (at most three steps: text
  // that is not UTF-8 is cut where the buffer ends).
  size_t cut = kMax;
  for (int step = 0; step < 3 && cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80; ++step) --cut;
  if ((static_cast<unsigned char>(value[cut]) & 0xC0) != 0xC0) cut = kMax;
  value.resize(cut);
  return value;
}

bool ParseHex(const std::string& digits, int& out) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  for (char c : digits) {
    int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  out = static_cast<int>(static_cast<int32_t>(v));
  return true;
}

bool ParseDecimal(const std::string& text, int& out) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return false;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) return false;
  out = static_cast<int>(v);
  return true;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

}  // namespace

std::string ProfilePath(const std::string& bareName) {
  std::filesystem::path folder;
  // A relative XDG_CONFIG_HOME is invalid by the XDG rules and is ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    folder = xdg;
  else
    folder = std::filesystem::path(HomeFolder()) / ".config";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return (folder / bareName).string();
}

TProfileFile::TProfileFile(std::string path) : m_path(std::move(path)) {
  std::string content;
  try {
    TPixFileStream in(m_path, TFileMode::fmOpenRead);
    char buffer[65536];
    for (int64_t n; (n = in.Read(buffer, sizeof buffer)) > 0;) content.append(buffer, static_cast<size_t>(n));
  } catch (const EPixStreamError&) {
    content.clear();
  }
  for (size_t start = 0; start < content.size();) {
    size_t nl = content.find('\n', start);
    size_t end = nl == std::string::npos ? content.size() : nl + 1;
    m_lines.push_back(content.substr(start, end - start));
    start = end;
  }
}

long TProfileFile::FindKey(const std::string& section, const std::string& key, long* sectionEnd) const {
  bool inSection = false;
  bool seenSection = false;
  if (sectionEnd) *sectionEnd = -1;
  for (size_t i = 0; i < m_lines.size(); ++i) {
    std::string name, k, v;
    if (SectionHeader(m_lines[i], name)) {
      inSection = !seenSection && SameName(name, section);
      if (inSection) {
        seenSection = true;
        if (sectionEnd) *sectionEnd = static_cast<long>(i) + 1;
      }
      continue;
    }
    if (!inSection) continue;
    if (KeyLine(m_lines[i], k, v) && SameName(k, key)) return static_cast<long>(i);
    if (sectionEnd && !Trim(m_lines[i]).empty()) *sectionEnd = static_cast<long>(i) + 1;
  }
  return -1;
}

std::string TProfileFile::ReadString(const std::string& section, const std::string& key,
                                     const std::string& def) const {
  long line = FindKey(section, key, nullptr);
  if (line < 0) return def;
  std::string k, value;
  KeyLine(m_lines[static_cast<size_t>(line)], k, value);
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return FitReadBuffer(value);
}

int TProfileFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  std::string text = ReadString(section, key, "");
  int value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2), value) ? value : def;
  return ParseDecimal(text, value) ? value : def;
}

bool TProfileFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::string TProfileFile::LineEnding() const {
  for (const auto& line : m_lines) {
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) return "\r\n";
    if (!line.empty() && line.back() == '\n') return "\n";
  }
  return "\n";
}

void TProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::string eol = LineEnding();
  std::vector<std::string> before = m_lines;
  auto terminateLast = [&](size_t upTo) {
    if (upTo > 0 && !m_lines[upTo - 1].empty() && m_lines[upTo - 1].back() != '\n') m_lines[upTo - 1] += eol;
  };
  long sectionEnd = -1;
  long line = FindKey(section, key, &sectionEnd);
  if (line >= 0) {
    const std::string& old = m_lines[static_cast<size_t>(line)];
    std::string terminator = old.substr(WithoutTerminator(old).size());
    m_lines[static_cast<size_t>(line)] = key + "=" + value + terminator;
  } else if (sectionEnd >= 0) {
    size_t at = static_cast<size_t>(sectionEnd);
    terminateLast(at);
    m_lines.insert(m_lines.begin() + static_cast<long>(at), key + "=" + value + eol);
  } else {
    terminateLast(m_lines.size());
    m_lines.push_back("[" + section + "]" + eol);
    m_lines.push_back(key + "=" + value + eol);
  }
  try {
    Save();
  } catch (const EProfileWriteError&) {
    m_lines = std::move(before);
    throw;
  }
}

void TProfileFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TProfileFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TProfileFile::Save() const {
  try {
    TPixFileStream out(m_path, TFileMode::fmCreate);
    for (const auto& line : m_lines) {
      auto size = static_cast<int64_t>(line.size());
      if (out.Write(line.data(), size) != size) throw EProfileWriteError(m_path);
    }
  } catch (const EPixStreamError&) {
    throw EProfileWriteError(m_path);
  }
}

}  // namespace pix
