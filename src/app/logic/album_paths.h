#pragma once
// The pictures of an album as the window shows, plays and prints them: the
// source files a run takes, and the files a run wrote (or would write).
#include <optional>
#include <string>
#include <vector>

#include "app/logic/conversion_settings.h"
#include "app/logic/run_result.h"
#include "app/logic/source_scan.h"

namespace pix {

// The full source path of every scanned row, in row order.
std::vector<std::string> SourcePaths(const ConversionSettings& settings, const std::vector<TScanRow>& rows);

// The converted pictures of the rows, in row order: where a row has a result
// that was written, the file it was written to (a renamed one included);
// otherwise the destination a run would write (PlanRun) when a regular file
// is there. Rows with neither are left out. results may be shorter than rows.
std::vector<std::string> ConvertedPaths(const ConversionSettings& settings, const std::vector<TScanRow>& rows,
                                        const std::vector<std::optional<TRowResult>>& results);

}  // namespace pix
