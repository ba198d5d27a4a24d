#include "merge/data_source.h"

#include <algorithm>
#include <cstdlib>

#include "app/runtime_error.h"
#include "merge/blank.h"

namespace vexlo::merge {

std::string ColumnLetters(int index) {
  // A prefix letter (none for the first 26 columns) and a letter that runs a..z.
  std::string letters;
  if (index >= 26) letters += static_cast<char>('a' + index / 26 - 1);
  letters += static_cast<char>('a' + index % 26);
  return letters;
}

std::optional<std::string> DataSource::ReadMember(const std::string& address,
                                                  const char* member) const {
  return office::ToText(
      excelserver_.get("application").get("activesheet").call("range", {address}).get(member));
}

std::optional<std::string> DataSource::ReadCell(const std::string& address) const {
  return ReadMember(address, member_);
}

std::optional<DataSource::ShownDifference> DataSource::FirstShownDifference(int row) const {
  try {
    for (const st_etitle& title : titles_) {
      const std::string address = title.col + std::to_string(row);
      const std::optional<std::string> value = ReadMember(address, "value");
      const std::optional<std::string> shown = ReadMember(address, "text");
      if (IsBlank(value) || !shown || *shown == *value) continue;
      return ShownDifference{*value, *shown};
    }
  } catch (const app::RuntimeError&) {
    // A spreadsheet that cannot tell what a cell shows gives no hint.
  }
  return std::nullopt;
}

int DataSource::LastUsedRow() const {
  const office::Value used = excelserver_.get("application").get("activesheet").get("usedrange");
  const std::optional<std::string> first = office::ToText(used.get("row"));
  const std::optional<std::string> rows = office::ToText(used.get("rows").get("count"));
  if (IsBlank(first) || IsBlank(rows)) return 1;
  return std::max(1, std::atoi(first->c_str()) + std::atoi(rows->c_str()) - 1);
}

bool DataSource::RowHoldsData(int row) const {
  for (const st_etitle& title : titles_) {
    if (!IsBlank(ReadCell(title.col + std::to_string(row)))) return true;
  }
  return false;
}

std::vector<std::string> DataSource::TitleNames() const {
  std::vector<std::string> names;
  names.reserve(titles_.size());
  for (const st_etitle& title : titles_) names.push_back(title.titlename);
  return names;
}

int DataSource::ReadTitles() {
  titles_.clear();
  // Beyond zz the letters would no longer name a column, so the scan ends there.
  for (int k = 0; k < kMaxTitles; ++k) {
    const std::string col = ColumnLetters(k);
    const std::string wz = col + "1";
    std::optional<std::string> text = ReadCell(wz);
    if (IsBlank(text)) break;
    titles_.push_back({std::move(*text), wz, col});
  }
  return i_titlecount();
}

std::optional<std::string> DataSource::ReadRecordName(int row) const {
  if (titles_.empty()) throw app::RuntimeError::ArrayBounds();
  std::optional<std::string> name = ReadCell(titles_.front().col + std::to_string(row));
  if (IsBlank(name)) return std::nullopt;
  return name;
}

int DataSource::CountRecords() const {
  int records = 0;
  while (records < kLastRecordRow - kFirstRecordRow + 1 &&
         ReadRecordName(kFirstRecordRow + records)) {
    ++records;
  }
  return records;
}

std::string DataSource::ReadFieldValue(int k, int row) const {
  if (k < 1 || k > i_titlecount()) throw app::RuntimeError::ArrayBounds();
  std::optional<std::string> value = ReadCell(titles_[k - 1].col + std::to_string(row));
  if (IsBlank(value)) return "";
  return std::move(*value);
}

}  // namespace vexlo::merge
