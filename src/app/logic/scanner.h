#pragma once
// Scanner acquisition through SANE. Every SANE call of a session runs on one
// thread of the session's own: backends need not be thread-safe, and the
// discovery of network scanners can take long or hang, so callers wait on
// futures with a timeout of their choosing and never block on SANE
// themselves. Qt-free.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/bitmap.h"

namespace pix {

struct TScannerDevice {
  std::string Name;  // what SANE opens it by, "test:0", "genesys:libusb:001:004"
  std::string Vendor;
  std::string Model;
  std::string Type;  // "flatbed scanner", ...
};

// What a device offers for the two settings the dialog shows.
struct TScannerOptions {
  std::vector<int> Resolutions;  // dots per inch, ascending; a range offers its usual steps
  int Resolution = 0;            // the device's present value; 0 when it has no such option
  std::vector<std::string> Modes;  // the device's names: "Color", "Gray", "Lineart", ...
  std::string Mode;                // the present one; "" when it has no such option
  std::string Error;               // why the device could not be asked, for the user ("" when it could)
};

struct TScanRequest {
  std::string Device;
  int Resolution = 0;  // 0 keeps the device's
  std::string Mode;    // "" keeps the device's
};

struct TScanResult {
  std::unique_ptr<TBitmap> Picture = std::make_unique<TBitmap>();  // TrueColor, as scanned
  int Resolution = 0;       // dots per inch the device scanned at (0 when unknown)
  bool Cancelled = false;
  std::string Error;        // why there is no picture, for the user ("" on success)
  bool Ok() const { return Error.empty() && !Cancelled && Picture && !Picture->Empty(); }
};

// Percent of the scan read so far (0..100), called on the session's thread.
using TScanProgress = std::function<void(int percent)>;

class TScannerSession {
public:
  // Starts the session's thread, which initialises SANE (from the usual
  // configuration, or SANE_CONFIG_DIR as SANE reads it). Only one session of
  // the process uses SANE at a time: a session started while an earlier one
  // is still stuck in a backend answers every call with an error.
  TScannerSession();
  // Asks a scan going on to stop, ends SANE and waits briefly for the
  // thread; a thread stuck in a backend is left to finish on its own.
  ~TScannerSession();
  TScannerSession(const TScannerSession&) = delete;
  TScannerSession& operator=(const TScannerSession&) = delete;

  // The devices SANE finds (an empty list when there are none). Throws
  // nothing; a session that cannot use SANE gives an empty list too.
  std::future<std::vector<TScannerDevice>> Devices();
  // The resolutions and modes of a device.
  std::future<TScannerOptions> Options(const std::string& device);
  // Opens the device, sets the requested values (those it has), scans one
  // page and closes it. progress may be empty.
  std::future<TScanResult> Scan(TScanRequest request, TScanProgress progress = {});
  // From any thread: a scan going on stops at its next read and comes back
  // with Cancelled set.
  void Cancel();

private:
  struct TShared;
  // Runs task on the session's thread; usable says whether SANE is there.
  void Post(std::function<void(bool usable)> task);

  std::shared_ptr<TShared> m_shared;
  std::thread m_thread;
};

}  // namespace pix
