#pragma once
// Replacing an existing file without risking it: the file is moved to a free
// name in its own folder while its replacement is written, then deleted when
// the replacement succeeded or moved back when it failed.
#include <string>

namespace pix {

class TSetAsideFile {
public:
  // Moves the entry at path (a file or a link, never a folder) to a free name
  // beside it. When that is not possible nothing is moved and Moved() is false.
  explicit TSetAsideFile(std::string path);
  // A replacement that neither committed nor restored (an exception passed by)
  // counts as failed: the file goes back.
  ~TSetAsideFile();
  TSetAsideFile(const TSetAsideFile&) = delete;
  TSetAsideFile& operator=(const TSetAsideFile&) = delete;

  bool Moved() const { return m_moved; }
  const std::string& AsidePath() const { return m_aside; }

  // The replacement was written: delete the moved file (read-only or not).
  void Commit();
  // The replacement failed: move the file back, over whatever the failed
  // attempt left at its place. Returns false when it could not be moved back
  // (it then stays under AsidePath()).
  bool Restore();
  // Commit when succeeded, else Restore.
  void Finish(bool succeeded);

private:
  std::string m_path;
  std::string m_aside;
  bool m_moved = false;
};

}  // namespace pix
