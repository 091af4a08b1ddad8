#pragma once
// Path helpers shared by the scan, the run and the per-image conversion. They
// work on byte strings (UTF-8 on this platform) with "/" as the delimiter.
#include <functional>
#include <string>

namespace pix {

constexpr char kPathDelimiter = '/';

// Removes leading and trailing blanks and control characters (every byte up to
// and including the space), then appends "/" unless the text already ends with
// one. An empty result becomes "/".
std::string AddTrailingDelimiter(const std::string& path);

// Removes one final "/" if there is one; nothing is trimmed.
std::string RemoveTrailingDelimiter(const std::string& path);

// The text without the prefix when it begins with it, else the text unchanged.
std::string StripPrefix(const std::string& text, const std::string& prefix);

// The extension of the file-name part (after its last "."), lower-cased,
// without the dot; empty when there is none.
std::string LowerExtension(const std::string& path);

// The path with the extension of its file-name part and that extension's dot
// removed; a path without an extension is returned unchanged.
std::string PathWithoutExtension(const std::string& path);

// The path given the extension ".jpg" in place of its own.
std::string JpegNameFor(const std::string& path);

// The folder a run reads from or writes to for one list row: the folder text
// with a trailing delimiter, then the relative folder and a delimiter after it.
// Only the user's folder text is trimmed, never the folder names found on disk.
std::string ComposeFolderPath(const std::string& folderText, const std::string& relative);

// ComposeFolderPath followed by the file name.
std::string ComposeFilePath(const std::string& folderText, const std::string& relative,
                            const std::string& fileName);

// Creates a folder; true when it was made.
using TMakeFolder = std::function<bool(const std::string& folder)>;

// Makes sure the folder part of the path (up to and including its last "/")
// exists, creating every missing folder from the outermost one inwards. An
// existing entry of the folder's name, even a plain file, counts as there; a
// name without any "/" is left alone. False when a creation failed; never
// throws, and the working directory is left as it was.
bool ForceFolderOfFile(const std::string& path);
// The same, with the folder creation supplied by the caller.
bool ForceFolderOfFile(const std::string& path, const TMakeFolder& makeFolder);

}  // namespace pix
