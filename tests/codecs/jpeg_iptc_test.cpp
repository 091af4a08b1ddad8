#include <gtest/gtest.h>

#include <string>

#include "codecs/common/marker_lists.h"

using namespace pix;
using Bytes = std::vector<uint8_t>;

namespace {

const Bytes kSignature{'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};

Bytes Block(uint32_t resourceSize, const Bytes& records) {
  Bytes b = kSignature;
  b.insert(b.end(), {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, static_cast<uint8_t>(resourceSize >> 24),
                     static_cast<uint8_t>(resourceSize >> 16), static_cast<uint8_t>(resourceSize >> 8),
                     static_cast<uint8_t>(resourceSize)});
  b.insert(b.end(), records.begin(), records.end());
  return b;
}

TPixIPTCInfoList Parsed(const Bytes& block) {
  TPixIPTCInfoList list;
  list.ParseIptcBlock(block.data(), static_cast<int>(block.size()));
  return list;
}

}  // namespace

TEST(IptcBlock, BuildSkipsTheVersionUsesBothLengthFormsAndPadsToEven) {
  TPixIPTCInfoList list;
  EXPECT_EQ(list.BuildIptcBlock(), Block(0, {}));
  const std::string caption = "Caption", keywords(0x8000, 'k');
  list.Add(2, 0, reinterpret_cast<const uint8_t*>("\x00\x04"), 2);  // record version: not written
  list.Add(2, 120, reinterpret_cast<const uint8_t*>(caption.data()), 7);
  list.Add(2, 25, reinterpret_cast<const uint8_t*>(keywords.data()), 0x8000);
  Bytes records{0x1C, 2, 120, 0, 7, 'C', 'a', 'p', 't', 'i', 'o', 'n', 0x1C, 2, 25, 0x80, 0x04, 0, 0, 0x80, 0};
  records.insert(records.end(), 0x8000, 'k');
  Bytes expected = Block(static_cast<uint32_t>(records.size()), records);
  expected.push_back(0);  // 26 + 12 + 9 + 0x8000 is odd
  Bytes block = list.BuildIptcBlock();
  EXPECT_EQ(block, expected);
  TPixIPTCInfoList back = Parsed(block);
  EXPECT_FALSE(back.IptcChanged);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Record(1).Data.size(), 0x8000u);
}

TEST(IptcBlock, ParseStopsAtDamageAndKeepsWhatCameBefore) {
  Bytes block = Block(0, {0x1C, 2, 5, 0, 3, 'a', 'b', 'c', 0x1C, 2, 6, 0, 9, 'x'});  // the second runs past the end
  TPixIPTCInfoList list = Parsed(block);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).Data, (Bytes{'a', 'b', 'c'}));
  list = Parsed(Block(0, {0x1C, 2, 7, 0x80, 0x04, 0xFF, 0xFF, 0xFF, 0xFE, 'h', 'i'}));  // negative: absolute value
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).Data, (Bytes{'h', 'i'}));
  for (std::size_t n = 0; n < block.size(); ++n) list.ParseIptcBlock(block.data(), static_cast<int>(n));
  list.ParseIptcBlock(nullptr, 0);
  EXPECT_EQ(list.Count(), 0);
}

TEST(IptcBlock, ParseFindsTheIptcResourceBehindOthersAndTagBytesInSizes) {
  // A resolution resource holding 0x1C bytes comes first, and the IPTC
  // resource size is 28 (0x1C): neither may be taken for a record.
  Bytes block = kSignature;
  block.insert(block.end(), {'8', 'B', 'I', 'M', 0x03, 0xED, 3, 'a', 'b', 'c', 0, 0, 0, 3, 0x1C, 0x1C, 0x1C, 0});
  block.insert(block.end(), {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 28, 0x1C, 2, 105, 0, 23});
  block.insert(block.end(), 23, 'h');
  TPixIPTCInfoList list = Parsed(block);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).DataSet, 105);
  list = Parsed({'x', 'y', 0x1C, 1, 90, 0, 1, 'z'});  // no Photoshop block: from the first tag byte
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Record(0).DataSet, 90);
}
