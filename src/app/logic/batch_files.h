#pragma once
// The files of a batch run: a list read from a file or standard input, and
// the slice of the rows one machine of several converts.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "app/logic/source_scan.h"

namespace pix {

struct TFileList {
  bool Ok = false;
  std::string Error;           // the first refused line, for the user (a usage error)
  std::vector<TScanRow> Rows;  // in the list's order, each path once
  int LeftOut = 0;             // listed files not of a wanted type
};

// One path a line (a final "\r" is dropped, blank lines are ignored, nothing
// else is trimmed). A relative path is taken relative to sourceRoot; an
// absolute one must lie inside sourceRoot (compared lexically after making
// both absolute and normal) and is made relative to it. The relative path
// gives the row's place: its folder part becomes Subfolder, its last part
// File. A path that leaves the root (absolute outside it, or ".." past its
// top) refuses the whole list. Files that IsWantedImage turns down are left
// out and counted, as the scan would leave them out.
TFileList ReadFileList(std::istream& in, const std::string& sourceRoot, const TScanOptions& options);

// What decides a row's slice: its folder and its file name without the
// extension, without any trailing "_<digits>" groups and in ASCII lower case.
// Every destination the run can give a row (its own name, the name with
// ".jpg", a free name "_N" beside either) has the key of that row, so rows
// that could meet at one destination share a key.
std::string ShardKey(const TScanRow& row);

// 64-bit FNV-1a of the key's bytes: the same on every machine and build.
uint64_t ShardHash(const std::string& key);

// The rows of slice index (1-based) of count, in their order.
std::vector<TScanRow> ShardRows(const std::vector<TScanRow>& rows, int index, int count);

}  // namespace pix
