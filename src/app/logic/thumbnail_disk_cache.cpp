#include "app/logic/thumbnail_disk_cache.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/logic/safe_output.h"

namespace pix {

namespace {

constexpr uint8_t kComMarker = 0xFE;
constexpr int kCacheQuality = 90;

// The key a cache file must carry: it changes whenever the picture file does.
// Empty when the picture cannot be looked at.
std::string KeyFor(const std::string& path, int32_t box) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return "pixfold thumbnail 1\n" + std::to_string(box) + "\n" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec) + "\n" + std::to_string(st.st_size) + "\n" + path;
}

uint64_t Fnv1a64(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace

std::string DefaultThumbnailFolder() {
  std::string base = EnvOrEmpty("XDG_CACHE_HOME");
  // XDG base directories: a relative XDG_CACHE_HOME is ignored.
  if (base.empty() || base[0] != '/') {
    const std::string home = EnvOrEmpty("HOME");
    if (home.empty()) return {};
    base = home + "/.cache";
  }
  return base + "/pixfold/thumbnails";
}

TThumbnailDiskCache::TThumbnailDiskCache(std::string folder) : m_folder(std::move(folder)) {}

std::string TThumbnailDiskCache::FileFor(const std::string& path, int32_t box) const {
  char name[32];
  std::snprintf(name, sizeof(name), "%016llx.jpg",
                static_cast<unsigned long long>(Fnv1a64(std::to_string(box) + "\n" + path)));
  return m_folder + "/" + name;
}

bool TThumbnailDiskCache::Load(TPixImage& image, const std::string& path, int32_t box, TBitmap& thumbnail) const {
  if (!Enabled()) return false;
  const std::string key = KeyFor(path, box);
  const std::string file = FileFor(path, box);
  struct stat st {};
  if (key.empty() || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  try {
    image.ParamRecord().JpegScale = jsFullSize;
    image.LoadFromFile(file);
    if (image.AbortFlag()) return false;
    const TPixMarkerList& markers = image.ParamRecord().MarkerList();
    const int at = markers.IndexOf(kComMarker);
    if (at < 0) return false;
    const TPixMarkerList::TMarker& marker = markers.Marker(at);
    if (std::string(marker.Payload.begin(), marker.Payload.end()) != key) return false;
    TBitmap& loaded = *image.CurrentBitmap();
    if (loaded.PixelFormat() != TPixelFormat::TrueColor || loaded.Empty() || loaded.Width() > box ||
        loaded.Height() > box)
      return false;
    thumbnail.SwapContent(loaded);
    loaded.Allocate(1, 1, TPixelFormat::TrueColor);
    return true;
  } catch (...) {
    // A cache file that cannot be read is rebuilt, whatever went wrong.
    return false;
  }
}

void TThumbnailDiskCache::Store(const std::string& path, int32_t box, TBitmap& thumbnail) const {
  if (!Enabled() || thumbnail.Empty()) return;
  const std::string key = KeyFor(path, box);
  if (key.empty() || key.size() > 60000) return;
  try {
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    TSafeOutput output(FileFor(path, box), TReplaceMode::UnlessReadOnly);
    TPixImageIO io;
    io.SetBitmap(&thumbnail);
    TIOParams& params = io.ParamRecord();
    params.JpegQuality = kCacheQuality;
    params.JpegColorSpace = jcYCbCr;
    params.MarkerList().AddMarker(kComMarker, reinterpret_cast<const uint8_t*>(key.data()),
                                  static_cast<int>(key.size()));
    io.SaveAsJpeg(output.TemporaryPath());
    if (!io.AbortFlag()) output.Commit();
  } catch (...) {
    // Only an aid: the thumbnail is made again next time.
  }
}

}  // namespace pix
