#include "app/logic/album_paths.h"

#include "app/logic/conversion_run.h"
#include "app/logic/paths.h"
#include "platform/file_attributes.h"

namespace pix {

std::vector<std::string> SourcePaths(const ConversionSettings& settings, const std::vector<TScanRow>& rows) {
  std::vector<std::string> paths;
  paths.reserve(rows.size());
  for (const TScanRow& row : rows) paths.push_back(ComposeFilePath(settings.Source, row.Subfolder, row.File));
  return paths;
}

std::vector<std::string> ConvertedPaths(const ConversionSettings& settings, const std::vector<TScanRow>& rows,
                                        const std::vector<std::optional<TRowResult>>& results) {
  const std::vector<TRunItem> planned = PlanRun(settings, rows);
  std::vector<std::string> paths;
  for (size_t i = 0; i < planned.size(); ++i) {
    const std::optional<TRowResult>* result = i < results.size() ? &results[i] : nullptr;
    if (result && result->has_value() && (*result)->Written()) {
      paths.push_back((*result)->Destination);
      continue;
    }
    if (FileExists(planned[i].Destination)) paths.push_back(planned[i].Destination);
  }
  return paths;
}

}  // namespace pix
