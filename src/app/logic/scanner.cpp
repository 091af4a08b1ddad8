#include "app/logic/scanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "platform/translate.h"

namespace pix {

namespace {

// Held by the session thread that has SANE initialised, from sane_init to
// sane_exit: SANE is one library state per process.
std::timed_mutex g_saneOwner;

constexpr size_t kReadChunk = 64 * 1024;
constexpr auto kOwnerWait = std::chrono::seconds(2);
constexpr auto kExitWait = std::chrono::seconds(3);
constexpr int kUsualResolutions[] = {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800};

// what is marked for translation where it is written.
std::string StatusText(const char* what, SANE_Status status) {
  return FormatText(TranslateText("Scanner", "%1: %2"), {TranslateText("Scanner", what), sane_strstatus(status)});
}

// The open device of one call, closed on every path.
class TOpenDevice {
public:
  explicit TOpenDevice(const std::string& name) { m_status = sane_open(name.c_str(), &m_handle); }
  ~TOpenDevice() {
    if (m_status == SANE_STATUS_GOOD) sane_close(m_handle);
  }
  TOpenDevice(const TOpenDevice&) = delete;
  TOpenDevice& operator=(const TOpenDevice&) = delete;
  SANE_Status Status() const { return m_status; }
  SANE_Handle Handle() const { return m_handle; }

private:
  SANE_Handle m_handle = nullptr;
  SANE_Status m_status = SANE_STATUS_INVAL;
};

// The index of the active option of that name, -1 when the device has none.
int FindOption(SANE_Handle handle, const char* name) {
  SANE_Int count = 0;
  if (sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) return -1;
  for (SANE_Int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, i);
    if (d && d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap)) return i;
  }
  return -1;
}

bool IsNumber(const SANE_Option_Descriptor* d) {
  return (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) && d->size == static_cast<SANE_Int>(sizeof(SANE_Word));
}

int WordToDpi(const SANE_Option_Descriptor* d, SANE_Word w) {
  return d->type == SANE_TYPE_FIXED ? static_cast<int>(std::lround(SANE_UNFIX(w))) : static_cast<int>(w);
}

SANE_Word DpiToWord(const SANE_Option_Descriptor* d, int dpi) {
  return d->type == SANE_TYPE_FIXED ? SANE_FIX(dpi) : static_cast<SANE_Word>(dpi);
}

void ReadResolutions(SANE_Handle handle, TScannerOptions& options) {
  const int index = FindOption(handle, SANE_NAME_SCAN_RESOLUTION);
  if (index < 0) return;
  const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, index);
  if (!IsNumber(d)) return;
  SANE_Word value = 0;
  if (sane_control_option(handle, index, SANE_ACTION_GET_VALUE, &value, nullptr) == SANE_STATUS_GOOD)
    options.Resolution = WordToDpi(d, value);
  std::vector<int>& list = options.Resolutions;
  if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
    for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i) list.push_back(WordToDpi(d, d->constraint.word_list[i]));
  } else if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
    const SANE_Range& range = *d->constraint.range;
    const int low = WordToDpi(d, range.min);
    const int high = WordToDpi(d, range.max);
    for (int dpi : kUsualResolutions)
      if (dpi >= low && dpi <= high) list.push_back(dpi);
    if (list.empty()) list = {low, high};
  }
  if (options.Resolution > 0) list.push_back(options.Resolution);
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  list.erase(std::remove_if(list.begin(), list.end(), [](int dpi) { return dpi < 1; }), list.end());
}

void ReadModes(SANE_Handle handle, TScannerOptions& options) {
  const int index = FindOption(handle, SANE_NAME_SCAN_MODE);
  if (index < 0) return;
  const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, index);
  if (d->type != SANE_TYPE_STRING || d->size < 1) return;
  std::vector<char> value(static_cast<size_t>(d->size) + 1, '\0');
  if (sane_control_option(handle, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) == SANE_STATUS_GOOD)
    options.Mode = value.data();
  if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST && d->constraint.string_list)
    for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) options.Modes.emplace_back(*s);
}

void SetResolution(SANE_Handle handle, int dpi) {
  const int index = FindOption(handle, SANE_NAME_SCAN_RESOLUTION);
  if (index < 0) return;
  const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, index);
  if (!IsNumber(d) || !SANE_OPTION_IS_SETTABLE(d->cap)) return;
  SANE_Word value = DpiToWord(d, dpi);
  sane_control_option(handle, index, SANE_ACTION_SET_VALUE, &value, nullptr);
}

void SetMode(SANE_Handle handle, const std::string& mode) {
  const int index = FindOption(handle, SANE_NAME_SCAN_MODE);
  if (index < 0) return;
  const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, index);
  if (d->type != SANE_TYPE_STRING || !SANE_OPTION_IS_SETTABLE(d->cap) || d->size < 1 ||
      mode.size() >= static_cast<size_t>(d->size))
    return;
  std::vector<char> value(static_cast<size_t>(d->size), '\0');
  std::memcpy(value.data(), mode.data(), mode.size());
  sane_control_option(handle, index, SANE_ACTION_SET_VALUE, value.data(), nullptr);
}

// One sample of a row as a byte: 16-bit samples come in the machine's byte
// order and give their high byte; 1-bit samples are packed most significant
// bit first.
uint8_t Sample(const uint8_t* row, int64_t index, int depth, bool oneIsBlack) {
  switch (depth) {
    case 1: {
      const bool set = (row[index >> 3] & (0x80 >> (index & 7))) != 0;
      return (set != oneIsBlack) ? 255 : 0;
    }
    case 16: {
      uint16_t v = 0;
      std::memcpy(&v, row + index * 2, 2);
      return static_cast<uint8_t>(v >> 8);
    }
    default: return row[index];
  }
}

// Writes one frame's rows into the picture: a gray frame into all three
// bytes, an RGB frame into its pixels, a single-colour frame of a three-pass
// scan into its own byte.
void StoreFrame(const SANE_Parameters& p, const std::vector<uint8_t>& data, int32_t lines, TBitmap& picture) {
  const int32_t width = picture.Width();
  for (int32_t y = 0; y < std::min(lines, picture.Height()); ++y) {
    const uint8_t* in = data.data() + static_cast<int64_t>(y) * p.bytes_per_line;
    uint8_t* out = picture.ScanLine(y);
    for (int32_t x = 0; x < width; ++x, out += 3) {
      switch (p.format) {
        case SANE_FRAME_GRAY: out[0] = out[1] = out[2] = Sample(in, x, p.depth, true); break;
        case SANE_FRAME_RGB:
          out[2] = Sample(in, int64_t{x} * 3, p.depth, false);
          out[1] = Sample(in, int64_t{x} * 3 + 1, p.depth, false);
          out[0] = Sample(in, int64_t{x} * 3 + 2, p.depth, false);
          break;
        case SANE_FRAME_RED: out[2] = Sample(in, x, p.depth, false); break;
        case SANE_FRAME_GREEN: out[1] = Sample(in, x, p.depth, false); break;
        case SANE_FRAME_BLUE: out[0] = Sample(in, x, p.depth, false); break;
        default: break;
      }
    }
  }
}

// Bytes a row needs at least for the parameters; 0 for parameters no
// picture can be made of.
int64_t NeededRowBytes(const SANE_Parameters& p) {
  if (p.pixels_per_line < 1 || (p.depth != 1 && p.depth != 8 && p.depth != 16)) return 0;
  const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
  if (p.format > SANE_FRAME_BLUE) return 0;
  return (int64_t{p.pixels_per_line} * channels * p.depth + 7) / 8;
}

TScanResult ScanWith(SANE_Handle handle, const TScanProgress& progress, const std::atomic<bool>& cancel) {
  TScanResult result;
  for (int frame = 0;; ++frame) {
    if (cancel) {
      result.Cancelled = true;
      return result;
    }
    SANE_Status status = sane_start(handle);
    if (status == SANE_STATUS_CANCELLED) {
      result.Cancelled = true;
      return result;
    }
    if (status != SANE_STATUS_GOOD) {
      result.Error = StatusText(PIX_TRANSLATE_NOOP("Scanner", "The scan could not start"), status);
      return result;
    }
    SANE_Parameters p{};
    status = sane_get_parameters(handle, &p);
    const int64_t rowBytes = status == SANE_STATUS_GOOD ? NeededRowBytes(p) : 0;
    if (rowBytes == 0 || p.bytes_per_line < rowBytes) {
      result.Error = TranslateText("Scanner", "The scanner sends pictures in a form this program does not read");
      return result;
    }
    const int64_t expected = p.lines > 0 ? int64_t{p.lines} * p.bytes_per_line : 0;
    if (expected > MaxBitmapBytes()) {
      result.Error = TranslateText("Scanner", "The scan is larger than can be held");
      return result;
    }
    std::vector<uint8_t> data;
    data.reserve(static_cast<size_t>(expected));
    std::vector<uint8_t> chunk(kReadChunk);
    for (;;) {
      if (cancel) {
        sane_cancel(handle);
        result.Cancelled = true;
        return result;
      }
      SANE_Int got = 0;
      status = sane_read(handle, chunk.data(), static_cast<SANE_Int>(chunk.size()), &got);
      if (status == SANE_STATUS_EOF) break;
      if (status == SANE_STATUS_CANCELLED) {
        result.Cancelled = true;
        return result;
      }
      if (status != SANE_STATUS_GOOD) {
        result.Error = StatusText(PIX_TRANSLATE_NOOP("Scanner", "The scan stopped"), status);
        return result;
      }
      // A hand scanner sends rows until the user stops: bounded all the same.
      if (static_cast<int64_t>(data.size()) + got > MaxBitmapBytes()) {
        sane_cancel(handle);
        result.Error = TranslateText("Scanner", "The scan is larger than can be held");
        return result;
      }
      data.insert(data.end(), chunk.begin(), chunk.begin() + got);
      if (progress && expected > 0) {
        const int frames = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB ? 1 : 3;
        const int64_t done = static_cast<int64_t>(data.size()) + int64_t{frame} * expected;
        progress(static_cast<int>(std::min<int64_t>(99, done * 100 / (expected * frames))));
      }
    }
    const auto lines = static_cast<int32_t>(static_cast<int64_t>(data.size()) / p.bytes_per_line);
    if (frame == 0) {
      if (lines < 1) {
        result.Error = TranslateText("Scanner", "The scanner sent no picture");
        return result;
      }
      result.Picture->Allocate(p.pixels_per_line, lines, TPixelFormat::TrueColor);
    } else if (p.pixels_per_line != result.Picture->Width()) {
      result.Error = TranslateText("Scanner", "The scanner sent colour passes of different sizes");
      result.Picture->Allocate(0, 0, TPixelFormat::TrueColor);
      return result;
    }
    StoreFrame(p, data, lines, *result.Picture);
    if (p.last_frame || frame >= 2) break;
  }
  // Ends the scan in the backend; the page is complete.
  sane_cancel(handle);
  if (progress) progress(100);
  return result;
}

}  // namespace

struct TScannerSession::TShared {
  std::mutex Mutex;
  std::condition_variable Wake;
  std::condition_variable Finished;
  std::deque<std::function<void(bool)>> Tasks;
  bool Stopping = false;
  bool Done = false;
  std::atomic<bool> Cancel{false};
};

TScannerSession::TScannerSession() : m_shared(std::make_shared<TShared>()) {
  // The thread holds its own reference: it may outlive the session when a
  // backend keeps it waiting.
  m_thread = std::thread([shared = m_shared] {
    std::unique_lock<std::timed_mutex> owner(g_saneOwner, std::defer_lock);
    bool usable = owner.try_lock_for(kOwnerWait);
    if (usable) {
      SANE_Int version = 0;
      usable = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    for (;;) {
      std::function<void(bool)> task;
      {
        std::unique_lock<std::mutex> lock(shared->Mutex);
        shared->Wake.wait(lock, [&] { return shared->Stopping || !shared->Tasks.empty(); });
        if (shared->Stopping) break;
        task = std::move(shared->Tasks.front());
        shared->Tasks.pop_front();
      }
      task(usable);
    }
    if (usable) sane_exit();
    std::lock_guard<std::mutex> lock(shared->Mutex);
    shared->Tasks.clear();
    shared->Done = true;
    shared->Finished.notify_all();
  });
}

TScannerSession::~TScannerSession() {
  {
    std::lock_guard<std::mutex> lock(m_shared->Mutex);
    m_shared->Stopping = true;
    m_shared->Cancel = true;
  }
  m_shared->Wake.notify_all();
  std::unique_lock<std::mutex> lock(m_shared->Mutex);
  if (m_shared->Finished.wait_for(lock, kExitWait, [this] { return m_shared->Done; })) {
    lock.unlock();
    m_thread.join();
  } else {
    m_thread.detach();
  }
}

void TScannerSession::Cancel() { m_shared->Cancel = true; }

void TScannerSession::Post(std::function<void(bool usable)> task) {
  {
    std::lock_guard<std::mutex> lock(m_shared->Mutex);
    m_shared->Tasks.push_back(std::move(task));
  }
  m_shared->Wake.notify_all();
}

std::future<std::vector<TScannerDevice>> TScannerSession::Devices() {
  auto promise = std::make_shared<std::promise<std::vector<TScannerDevice>>>();
  auto future = promise->get_future();
  Post([promise](bool usable) {
    std::vector<TScannerDevice> devices;
    const SANE_Device** list = nullptr;
    if (usable && sane_get_devices(&list, SANE_FALSE) == SANE_STATUS_GOOD && list)
      for (const SANE_Device** d = list; *d; ++d) {
        auto text = [](const char* s) { return s ? std::string(s) : std::string(); };
        devices.push_back({text((*d)->name), text((*d)->vendor), text((*d)->model), text((*d)->type)});
      }
    promise->set_value(std::move(devices));
  });
  return future;
}

std::future<TScannerOptions> TScannerSession::Options(const std::string& device) {
  auto promise = std::make_shared<std::promise<TScannerOptions>>();
  auto future = promise->get_future();
  Post([promise, device](bool usable) {
    TScannerOptions options;
    if (!usable) {
      options.Error = TranslateText("Scanner", "Scanning is busy in another part of the program");
    } else {
      TOpenDevice open(device);
      if (open.Status() != SANE_STATUS_GOOD) {
        options.Error = StatusText(PIX_TRANSLATE_NOOP("Scanner", "The scanner cannot be opened"), open.Status());
      } else {
        ReadResolutions(open.Handle(), options);
        ReadModes(open.Handle(), options);
      }
    }
    promise->set_value(std::move(options));
  });
  return future;
}

std::future<TScanResult> TScannerSession::Scan(TScanRequest request, TScanProgress progress) {
  auto promise = std::make_shared<std::promise<TScanResult>>();
  auto future = promise->get_future();
  m_shared->Cancel = false;
  Post([promise, request = std::move(request), progress = std::move(progress), shared = m_shared](bool usable) {
    TScanResult result;
    if (!usable) {
      result.Error = TranslateText("Scanner", "Scanning is busy in another part of the program");
      promise->set_value(std::move(result));
      return;
    }
    TOpenDevice open(request.Device);
    if (open.Status() != SANE_STATUS_GOOD) {
      result.Error = StatusText(PIX_TRANSLATE_NOOP("Scanner", "The scanner cannot be opened"), open.Status());
    } else {
      if (request.Resolution > 0) SetResolution(open.Handle(), request.Resolution);
      if (!request.Mode.empty()) SetMode(open.Handle(), request.Mode);
      TScannerOptions now;
      ReadResolutions(open.Handle(), now);
      try {
        result = ScanWith(open.Handle(), progress, shared->Cancel);
      } catch (const EPixOutOfMemory&) {
        result = TScanResult{};
        result.Error = TranslateText("Scanner", "Not enough memory for the scan");
      }
      result.Resolution = now.Resolution;
    }
    promise->set_value(std::move(result));
  });
  return future;
}

}  // namespace pix
