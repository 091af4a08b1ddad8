#pragma once
// The one table of image formats: for each file type its registry code,
// description and extension list, the extensions the I/O component's
// LoadFromFile and SaveToFile claim for it, and its reader and writer.
// Adding a format means one row here and its codec folder.
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "codecs/common/param_codes.h"

namespace pix {

class TPixImageIO;

using TFormatLoad = void (*)(TPixImageIO& io, const std::string& fileName);
using TFormatSave = void (*)(TPixImageIO& io, const std::string& fileName);
using TFormatParams = void (*)(TPixImageIO& io, const std::string& fileName);

struct TFormatRow {
  TPixFileType Type;
  const char* Description;                      // as the registry lists it
  const char* RegistryExtensions;               // upper case, ";"-separated
  std::array<std::string_view, 6> Extensions;   // dispatched by name, lower case; unused places empty
  TFormatLoad Load;                             // never null
  TFormatSave Save;                             // null: no writer; a save fails and creates no file
  TFormatParams Params;                         // null: no parameters-only read
  bool (*Writable)() = nullptr;                 // null: Save always writes; else asked before each save
};

// True when the row's writer can write here: it has one, and its library
// (asked at run time) has the encoder it needs. A type that is not writable
// is written as JPEG by "save as original".
bool RowWrites(const TFormatRow& row);

// Every row, in registry code order.
std::span<const TFormatRow> FormatRows();

// The row whose dispatched extensions hold the lower-case extension, or nullptr.
const TFormatRow* FindFormatRow(std::string_view extension);

}  // namespace pix
