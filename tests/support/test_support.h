#pragma once
// Helpers shared by the test executables.
#include <filesystem>
#include <functional>
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

// Sets a process-wide default (a coder pointer, a cap) for the life of the
// object and puts the old value back afterwards, also when a test fails.
template <typename T>
class ScopedValue {
public:
  ScopedValue(T& variable, T value) : m_variable(variable), m_saved(variable) { m_variable = value; }
  ~ScopedValue() { m_variable = m_saved; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

private:
  T& m_variable;
  T m_saved;
};

// The same for defaults behind a getter and a setter.
template <typename T>
class ScopedSetting {
public:
  template <typename Get, typename Set>
  ScopedSetting(Get get, Set set, T value) : m_saved(get()), m_set(set) {
    m_set(value);
  }
  ~ScopedSetting() { m_set(m_saved); }
  ScopedSetting(const ScopedSetting&) = delete;
  ScopedSetting& operator=(const ScopedSetting&) = delete;

private:
  T m_saved;
  std::function<void(T)> m_set;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

}  // namespace pixtest
