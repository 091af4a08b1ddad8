#include "app/logic/batch_report.h"

#include <array>
#include <cmath>
#include <nlohmann/json.hpp>

namespace pix {

const char* ReasonCode(TFailureReason reason) {
  static constexpr std::array<const char*, kFailureReasonCount> kCodes = {
      "",
      "not_this_format",
      "truncated",
      "unsupported_depth",
      "unsupported_compression",
      "size_too_large",
      "corrupt_data",
      "no_image",
      "no_codec",
      "cannot_open",
      "cannot_write",
      "disk_full",
      "permission_denied",
      "out_of_memory",
      "cannot_create_folder",
      "unsupported_feature",
      "destination_exists",
      "not_a_file",
  };
  static_assert(kCodes.size() == kFailureReasonCount);
  const int index = static_cast<int>(reason);
  return index >= 0 && index < kFailureReasonCount ? kCodes[static_cast<size_t>(index)] : "unknown";
}

const char* StateWord(TRowState state) {
  switch (state) {
    case TRowState::Pending: return "pending";
    case TRowState::Converted: return "converted";
    case TRowState::Renamed: return "renamed";
    case TRowState::Skipped: return "skipped";
    case TRowState::Failed: return "failed";
  }
  return "pending";
}

std::string ReportLine(const TRowResult& row, bool dryRun) {
  nlohmann::ordered_json line;
  line["source"] = row.Source;
  line["destination"] = row.Destination;
  line["status"] = StateWord(row.State);
  if (row.Reason == frNone) {
    line["reason"] = nullptr;
    line["reason_code"] = nullptr;
  } else {
    line["reason"] = FailureText(row.Reason);
    line["reason_code"] = ReasonCode(row.Reason);
  }
  line["damaged"] = row.Damaged();
  line["source_width"] = row.SourceWidth;
  line["source_height"] = row.SourceHeight;
  line["width"] = row.Width;
  line["height"] = row.Height;
  // Microseconds are as fine as the figure means anything.
  line["milliseconds"] = std::round(row.Milliseconds * 1000.0) / 1000.0;
  if (dryRun) line["dry_run"] = true;
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void TReportWriter::Write(const TRowResult& row) {
  if (!m_out) return;
  *m_out << ReportLine(row, m_dryRun) << '\n';
}

}  // namespace pix
