#pragma once
// Helpers shared by the test executables.
#include <filesystem>
#include <string>

namespace pixtest {

// A fresh directory under the system temp folder, removed with its content
// when the object goes away.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return m_path; }
  std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
  std::filesystem::path m_path;
};

// The third-party corpora beside the checkout, or "" when absent (a fresh clone).
std::string SharedTestData(const std::string& sub = "");

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

}  // namespace pixtest
