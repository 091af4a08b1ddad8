#pragma once
// The registry of image file types: a code, a description and an extension
// list per type, with optional read, write and content-test entries. The I/O
// component falls back on it for extensions its own tables do not know.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "io/pix_image_io.h"
#include "platform/stream.h"

namespace pix {

using TFileTypeReadProc = std::function<void(TPixStream&, TBitmap&, TIOParams&, TProgressRecord&)>;
using TFileTypeWriteProc = std::function<void(TPixStream&, TBitmap&, TIOParams&, TProgressRecord&)>;
// True when the stream (at its current position) holds this type.
using TFileTypeTestProc = std::function<bool(TPixStream&)>;

struct TPixFileTypeInfo {
  int32_t FileType = 0;
  std::string Description;  // at most kMaxFileTypeText characters
  std::string Extensions;   // upper case, separated by ";", at most kMaxFileTypeText characters
  TFileTypeReadProc ReadFunction;
  TFileTypeWriteProc WriteFunction;
  TFileTypeTestProc TestFunction;
};

constexpr std::size_t kMaxFileTypeText = 80;

class TPixFileTypes {
public:
  // The built-in types of the format table, none with an entry.
  TPixFileTypes();

  int Count() const { return static_cast<int>(m_types.size()); }
  // i in [0, Count()), in code order.
  const TPixFileTypeInfo& Item(int i) const { return m_types.at(static_cast<size_t>(i)); }

  // Adds a type, keeping code order (after existing types of the same code);
  // texts longer than kMaxFileTypeText are cut.
  void Add(TPixFileTypeInfo info);
  // The first type (in code order) whose list holds the extension, compared
  // without case; a leading dot is ignored. nullptr when none does.
  TPixFileTypeInfo* FindByExtension(const std::string& extension);
  // The type with that code, or nullptr.
  TPixFileTypeInfo* FindByType(int32_t fileType);

private:
  std::vector<TPixFileTypeInfo> m_types;
};

// The process-wide registry, built on first use.
TPixFileTypes& PixFileTypes();

// The extension of the file-name part of a path (from its last "."), lower
// case, without the dot; empty when there is none.
std::string LowerFileExtension(const std::string& path);

}  // namespace pix
