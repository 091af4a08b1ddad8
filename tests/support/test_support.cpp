#include "support/test_support.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace pixtest {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("pixfold-test-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter++) + "-" + std::to_string(rd() % 100000));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      m_path = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files and folders must not stop the clean-up.
  for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(m_path, ec);
}

std::string SharedTestData(const std::string& sub) {
#ifdef PIXFOLD_SHARED_TESTDATA
  std::filesystem::path p = std::filesystem::path(PIXFOLD_SHARED_TESTDATA) / sub;
  std::error_code ec;
  if (std::filesystem::exists(p, ec)) return p.string();
#endif
  (void)sub;
  return "";
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace pixtest

// Leaks of the coders under libheif 1.15 (Debian 12) that the sanitizer
// build's leak check must not pin on us: x265 3.5 keeps about 1 KiB of every
// HEVC encoder it opens, and libheif's dav1d plug-in the coded data of an AV1
// picture it failed to decode (the kept hostile inputs have some); SANE's test
// backend the buffer of a scan cancelled on the way (the scanner tests).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libx265.so\nleak:libdav1d.so\nleak:libsane-test.so\n";
}
