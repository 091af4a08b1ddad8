#pragma once
// Thumbnails kept between sessions: one small JPEG file per picture and
// thumbnail size, named by a hash of the picture's path and the size, and
// holding in a comment marker the full key it was made for (path, size, and
// the picture file's modification time and length). A file whose key does
// not match the picture as it is now counts as absent.
#include <cstdint>
#include <string>

#include "imaging/bitmap.h"
#include "io/pix_image.h"

namespace pix {

// $XDG_CACHE_HOME/pixfold/thumbnails, else $HOME/.cache/pixfold/thumbnails;
// "" when neither variable is set.
std::string DefaultThumbnailFolder();

class TThumbnailDiskCache {
public:
  // folder "" disables the cache: nothing is found and nothing stored. The
  // folder is created when the first thumbnail is stored.
  explicit TThumbnailDiskCache(std::string folder = "");

  bool Enabled() const { return !m_folder.empty(); }
  const std::string& Folder() const { return m_folder; }

  // True, with thumbnail filled (TrueColor, within box x box), when a
  // thumbnail was stored for the picture as it is now. A missing, stale or
  // unreadable cache file gives false. Uses image to decode; never throws.
  bool Load(TPixImage& image, const std::string& path, int32_t box, TBitmap& thumbnail) const;
  // Stores the thumbnail for the picture as it is now, whole or not at all.
  // Failures (a read-only or full disk) are ignored: the cache is only an aid.
  void Store(const std::string& path, int32_t box, TBitmap& thumbnail) const;
  // The cache file of a picture at a thumbnail size.
  std::string FileFor(const std::string& path, int32_t box) const;

private:
  std::string m_folder;
};

}  // namespace pix
