#pragma once
// A JPEG file's COM and APPn markers and its IPTC records, carried in the
// parameter record from one load to the next save.
#include <cstdint>
#include <vector>

namespace pix {

class TPixMarkerList {
public:
  struct TMarker {
    uint8_t Code;  // 0xE0..0xEF for APP0..APP15, 0xFE for COM
    std::vector<uint8_t> Payload;  // segment bytes without marker and length field
    bool operator==(const TMarker&) const = default;
  };

  int Count() const { return static_cast<int>(m_markers.size()); }
  uint8_t MarkerCode(int i) const { return m_markers.at(i).Code; }
  const uint8_t* MarkerData(int i) const { return m_markers.at(i).Payload.data(); }
  int MarkerLength(int i) const { return static_cast<int>(m_markers.at(i).Payload.size()); }
  const TMarker& Marker(int i) const { return m_markers.at(i); }
  // Index of the first marker with this code, -1 when none.
  int IndexOf(uint8_t code) const;
  // Append and replace copy the payload; its length is taken as 16 bits.
  void AddMarker(uint8_t code, const uint8_t* data, int length);
  void SetMarker(int i, uint8_t code, const uint8_t* data, int length);
  void Clear() { m_markers.clear(); }
  void Assign(const TPixMarkerList& other) { m_markers = other.m_markers; }
  bool operator==(const TPixMarkerList&) const = default;

private:
  static std::vector<uint8_t> CopyPayload(const uint8_t* data, int length);
  std::vector<TMarker> m_markers;
};

class TPixIPTCInfoList {
public:
  struct TRecord {
    uint8_t RecordNumber;
    uint8_t DataSet;
    std::vector<uint8_t> Data;
    bool operator==(const TRecord&) const = default;
  };

  int Count() const { return static_cast<int>(m_records.size()); }
  const TRecord& Record(int i) const { return m_records.at(i); }
  // Adding copies the data and sets IptcChanged.
  void Add(uint8_t recordNumber, uint8_t dataSet, const uint8_t* data, int length);
  // Emptying sets IptcChanged.
  void Clear();
  // Empties, adds each record of other, sets IptcChanged.
  void Assign(const TPixIPTCInfoList& other);

  // Builds the APP13 payload for the records.
  std::vector<uint8_t> BuildIptcBlock() const;
  // Replaces the list with the records of an APP13 payload; clears IptcChanged.
  void ParseIptcBlock(const uint8_t* data, int length);

  bool IptcChanged = false;

  // Same records; IptcChanged is the list's history, not its content.
  bool operator==(const TPixIPTCInfoList& other) const { return m_records == other.m_records; }

private:
  std::vector<TRecord> m_records;
};

}  // namespace pix
