#pragma once
// SANE's "test" backend for tests that scan: a configuration folder that
// lists only that backend (or none), with the backend's settings. SANE reads
// SANE_CONFIG_DIR once per process and keeps the folder's name, so all tests
// of a process share one folder and each writes its files anew; every
// scanner session reads them when it starts.
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace pixtest {

class SaneTestConfig {
public:
  // testConf: lines of test.conf after the device count of one.
  explicit SaneTestConfig(const std::string& testConf, bool withTestBackend = true) {
    const std::string& folder = Folder();
    WriteFile(folder + "/dll.conf", withTestBackend ? "test\n" : "");
    WriteFile(folder + "/test.conf", "number_of_devices 1\n" + testConf);
  }

private:
  static const std::string& Folder() {
    static TempDir dir;
    static const std::string folder = [] {
      // SANE unloads its backends when a session ends; kept mapped, the test
      // backend's own leak (a buffer of a cancelled scan) carries its module
      // name, which the sanitizer build's leak check suppresses.
      ::dlopen("/usr/lib/x86_64-linux-gnu/sane/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
      ::setenv("SANE_CONFIG_DIR", dir.Path().c_str(), 1);
      return dir.Path().string();
    }();
    return folder;
  }
};

}  // namespace pixtest
