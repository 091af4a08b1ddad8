#include <gtest/gtest.h>

#include <string>

#include "codecs/jpeg_markers.h"

using namespace pix;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Header(uint32_t resourceSize) {
  Bytes b{'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0, '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0};
  b.insert(b.end(), {static_cast<uint8_t>(resourceSize >> 24), static_cast<uint8_t>(resourceSize >> 16),
                     static_cast<uint8_t>(resourceSize >> 8), static_cast<uint8_t>(resourceSize)});
  return b;
}

void Add(TPixIPTCInfoList& list, uint8_t record, uint8_t dataSet, const std::string& text) {
  list.Add(record, dataSet, reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()));
}

}  // namespace

TEST(IptcBlock, EmptyListIsTheBareHeader) {
  TPixIPTCInfoList list;
  EXPECT_EQ(list.BuildIptcBlock(), Header(0));
}

TEST(IptcBlock, RecordsSkipVersionUseBothLengthFormsAndPadToEven) {
  TPixIPTCInfoList list;
  Add(list, 2, 0, "\x00\x04");  // record version: not written
  Add(list, 2, 120, "Caption");
  Add(list, 2, 25, std::string(0x8000, 'k'));
  Bytes block = list.BuildIptcBlock();
  Bytes expected = Header(5 + 7 + 9 + 0x8000);
  expected.insert(expected.end(), {0x1C, 2, 120, 0, 7, 'C', 'a', 'p', 't', 'i', 'o', 'n'});
  expected.insert(expected.end(), {0x1C, 2, 25, 0x80, 0x04, 0, 0, 0x80, 0});
  expected.insert(expected.end(), 0x8000, 'k');
  expected.push_back(0);  // 26 + 12 + 9 + 0x8000 is odd
  EXPECT_EQ(block, expected);

  TPixIPTCInfoList back;
  back.ParseIptcBlock(block.data(), static_cast<int>(block.size()));
  EXPECT_FALSE(back.IptcChanged);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Record(0).DataSet, 120);
  EXPECT_EQ(back.Record(1).Data.size(), 0x8000u);
}

TEST(IptcBlock, ParseStopsAtDamageAndKeepsWhatCameBefore) {
  Bytes block = Header(0);
  block.insert(block.end(), {0x1C, 2, 5, 0, 3, 'a', 'b', 'c'});
  block.insert(block.end(), {0x1C, 2, 6, 0, 9, 'x'});  // runs past the end
  TPixIPTCInfoList list;
  list.ParseIptcBlock(block.data(), static_cast<int>(block.size()));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).Data, (Bytes{'a', 'b', 'c'}));

  // Extended length with its sign bit set counts by absolute value.
  Bytes negative = Header(0);
  negative.insert(negative.end(), {0x1C, 2, 7, 0x80, 0x04, 0xFF, 0xFF, 0xFF, 0xFE, 'h', 'i'});
  list.ParseIptcBlock(negative.data(), static_cast<int>(negative.size()));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).Data, (Bytes{'h', 'i'}));

  for (std::size_t n = 0; n < block.size(); ++n) list.ParseIptcBlock(block.data(), static_cast<int>(n));
  list.ParseIptcBlock(nullptr, 0);
  EXPECT_EQ(list.Count(), 0);
}

TEST(IptcBlock, FindsTheIptcResourceBehindOthersAndTagBytesInSizes) {
  // A resolution resource holding 0x1C comes first, and the IPTC resource
  // size is 28 (0x1C): neither may be taken for a record.
  Bytes block{'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};
  block.insert(block.end(), {'8', 'B', 'I', 'M', 0x03, 0xED, 3, 'a', 'b', 'c', 0, 0, 0, 3, 0x1C, 0x1C, 0x1C, 0});
  block.insert(block.end(), {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 28});
  block.insert(block.end(), {0x1C, 2, 105, 0, 23});
  block.insert(block.end(), 23, 'h');
  TPixIPTCInfoList list;
  list.ParseIptcBlock(block.data(), static_cast<int>(block.size()));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).RecordNumber, 2);
  EXPECT_EQ(list.Record(0).DataSet, 105);

  // Not a Photoshop block: the records start at the first tag byte.
  Bytes plain{'x', 'y', 0x1C, 1, 90, 0, 1, 'z'};
  list.ParseIptcBlock(plain.data(), static_cast<int>(plain.size()));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).DataSet, 90);
}

TEST(IptcList, ChangedFlagFollowsAddClearAndAssign) {
  TPixIPTCInfoList list;
  Bytes block = Header(0);
  list.ParseIptcBlock(block.data(), static_cast<int>(block.size()));
  EXPECT_FALSE(list.IptcChanged);
  Add(list, 2, 5, "t");
  EXPECT_TRUE(list.IptcChanged);
  TPixIPTCInfoList copy;
  copy.ParseIptcBlock(block.data(), static_cast<int>(block.size()));
  copy.Assign(list);
  EXPECT_TRUE(copy.IptcChanged);
  EXPECT_EQ(copy.Count(), 1);
}
