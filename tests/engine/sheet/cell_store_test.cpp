// The packed stores behind a workbook's cells and texts: a later cell replaces an earlier one
// whatever order the file lists them in, and every text comes back whole across block limits.
#include <gtest/gtest.h>

#include <string>

#include "office/engine/sheet/cell_store.h"
#include "office/engine/sheet/string_table.h"
#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {
namespace {

Cell Number(double value) {
  Cell cell;
  cell.number = value;
  return cell;
}

TEST(CellStore, LaterCellWinsInAnyOrderAndLookupsFindEveryKey) {
  CellStore store;
  const uint64_t keys[] = {CellKey(5, 1), CellKey(0, 0), CellKey(5, 1), CellKey(2, 3),
                           CellKey(0, 0), CellKey(1048575, 16383)};
  for (size_t i = 0; i < std::size(keys); ++i) store.Put(keys[i], Number(static_cast<double>(i)));
  // Before sealing, the last put is found too.
  ASSERT_NE(store.Find(CellKey(5, 1)), nullptr);
  EXPECT_EQ(store.Find(CellKey(5, 1))->number, 2);
  ASSERT_NE(store.Last(CellKey(1048575, 16383)), nullptr);
  EXPECT_EQ(store.Last(CellKey(0, 0)), nullptr);  // not the cell just put
  store.Seal();
  EXPECT_EQ(store.size(), 4u);
  EXPECT_EQ(store.Find(CellKey(0, 0))->number, 4);
  EXPECT_EQ(store.Find(CellKey(5, 1))->number, 2);
  EXPECT_EQ(store.Find(CellKey(2, 3))->number, 3);
  EXPECT_EQ(store.Find(CellKey(1048575, 16383))->number, 5);
  EXPECT_EQ(store.Find(CellKey(2, 2)), nullptr);
  EXPECT_EQ(store.Find(CellKey(9, 0)), nullptr);
}

TEST(StringTable, TextsComeBackWholeAcrossBlocks) {
  StringTable table;
  std::vector<std::string> added;
  // Short texts enough to fill more than one block, long ones between them, empty ones too.
  for (int i = 0; i < 200000; ++i) {
    std::string text = i % 50000 == 7 ? std::string(5000 + i % 3, 'L') : "文" + std::to_string(i);
    if (i % 1000 == 3) text.clear();
    added.push_back(text);
    ASSERT_EQ(table.Add(text), static_cast<uint32_t>(i));
  }
  for (size_t i = 0; i < added.size(); ++i) ASSERT_EQ(table[static_cast<uint32_t>(i)], added[i]) << i;
  table.Truncate(10);
  EXPECT_EQ(table.size(), 10u);
  EXPECT_EQ(table[table.Add("后")], "后");
}

}  // namespace
}  // namespace vexlo::engine::sheet
