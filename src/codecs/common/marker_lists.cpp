#include "codecs/common/marker_lists.h"

namespace pix {

std::vector<uint8_t> TPixMarkerList::CopyPayload(const uint8_t* data, int length) {
  int n = length & 0xFFFF;
  if (!data || n <= 0) return {};
  return std::vector<uint8_t>(data, data + n);
}

int TPixMarkerList::IndexOf(uint8_t code) const {
  for (int i = 0; i < Count(); ++i)
    if (m_markers[i].Code == code) return i;
  return -1;
}

void TPixMarkerList::AddMarker(uint8_t code, const uint8_t* data, int length) {
  m_markers.push_back({code, CopyPayload(data, length)});
}

void TPixMarkerList::SetMarker(int i, uint8_t code, const uint8_t* data, int length) {
  m_markers.at(i) = {code, CopyPayload(data, length)};
}

void TPixIPTCInfoList::Add(uint8_t recordNumber, uint8_t dataSet, const uint8_t* data, int length) {
  TRecord r{recordNumber, dataSet, {}};
  if (data && length > 0) r.Data.assign(data, data + length);
  m_records.push_back(std::move(r));
  IptcChanged = true;
}

void TPixIPTCInfoList::Clear() {
  m_records.clear();
  IptcChanged = true;
}

void TPixIPTCInfoList::Assign(const TPixIPTCInfoList& other) {
  Clear();
  for (const auto& r : other.m_records) Add(r.RecordNumber, r.DataSet, r.Data.data(), static_cast<int>(r.Data.size()));
  IptcChanged = true;
}

}  // namespace pix
