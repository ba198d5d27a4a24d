#include "merge/sheet_choice.h"

#include <charconv>

#include "app/runtime_error.h"
#include "merge/data_source.h"
#include "office/value.h"

namespace vexlo::merge {
namespace {

using office::Value;

Value Worksheets(const office::oleobject& excelserver) {
  return excelserver.get("application").get("workbooks").call("item", {1}).get("worksheets");
}

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace

SheetList ListSheets(const office::oleobject& excelserver) {
  SheetList list;
  const Value sheets = Worksheets(excelserver);
  const int count = office::ArgLong(sheets.get("count"), "count", 0);
  const std::optional<std::string> active =
      office::ToText(excelserver.get("application").get("activesheet").get("name"));
  for (int i = 1; i <= count; ++i) {
    list.names.push_back(office::ToText(sheets.call("item", {i}).get("name")).value_or(""));
    if (active && list.names.back() == *active && list.active < 0) list.active = i - 1;
  }
  return list;
}

SheetList SheetsOfFile(const std::string& path) {
  office::oleobject excel;
  if (excel.start_new("excel.application") < 0) return {};
  SheetList list;
  try {
    excel.get("application").get("workbooks").call("open", {path});
    list = ListSheets(excel);
  } catch (const app::RuntimeError&) {
    list = {};
  }
  try {
    excel.get("application").call("quit");
  } catch (const app::RuntimeError&) {
  }
  excel.release();
  return list;
}

std::optional<int> FindSheet(const SheetList& sheets, const std::string& wanted) {
  const std::string lower = Lower(wanted);
  for (std::size_t i = 0; i < sheets.names.size(); ++i) {
    if (Lower(sheets.names[i]) == lower) return static_cast<int>(i);
  }
  int number = 0;
  const auto [end, ec] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), number);
  if (ec != std::errc() || end != wanted.data() + wanted.size()) return std::nullopt;
  if (number < 1 || number > static_cast<int>(sheets.names.size())) return std::nullopt;
  return number - 1;
}

void ActivateSheet(const office::oleobject& excelserver, const std::string& name) {
  Worksheets(excelserver).call("item", {name}).call("activate");
}

bool ActivateWanted(const office::oleobject& excelserver, const std::string& wanted, SheetList& sheets) {
  sheets = ListSheets(excelserver);
  const std::optional<int> index = FindSheet(sheets, wanted);
  if (!index) return false;
  ActivateSheet(excelserver, sheets.names[*index]);
  sheets.active = *index;
  return true;
}

std::string UnknownSheetText(const std::string& data_path, const std::string& wanted,
                             const SheetList& sheets) {
  std::string names;
  for (const std::string& name : sheets.names) names += (names.empty() ? "“" : "、“") + name + "”";
  return "数据文件“" + data_path + "”中没有名为“" + wanted + "”的工作表。它的工作表有：" + names +
         "（也可以用序号 1 到 " + std::to_string(sheets.names.size()) + " 指定）。";
}

std::optional<SheetRecords> OtherSheetWithRecords(const office::oleobject& excelserver,
                                                  const SheetList& sheets, int used) {
  std::optional<SheetRecords> found;
  try {
    for (int i = 0; i < static_cast<int>(sheets.names.size()) && !found; ++i) {
      if (i == used) continue;
      ActivateSheet(excelserver, sheets.names[i]);
      try {
        DataSource data(excelserver);
        const int records = data.ReadTitles() > 0 ? data.CountRecords() : 0;
        if (records > 0) found = SheetRecords{sheets.names[i], records};
      } catch (const app::RuntimeError&) {
        // A sheet that cannot be read has nothing to offer.
      }
    }
    if (used >= 0 && used < static_cast<int>(sheets.names.size())) {
      ActivateSheet(excelserver, sheets.names[used]);
    }
  } catch (const app::RuntimeError&) {
    // A spreadsheet that cannot switch sheets gives no hint.
  }
  return found;
}

std::string NoRecordsText(const SheetList& sheets, const std::optional<SheetRecords>& other) {
  const bool named = sheets.active >= 0 && sheets.active < static_cast<int>(sheets.names.size());
  const std::string used = named ? "工作表“" + sheets.names[sheets.active] + "”" : std::string();
  if (other) {
    return (named ? used : "当前工作表") + "中没有数据记录，而工作表“" + other->name + "”中有 " +
           std::to_string(other->records) + " 条记录。\n请在“工作表”中选择“" + other->name +
           "”（命令行：--sheet " + other->name + "）后再试。没有输出任何文档。";
  }
  return (named ? used : "数据表") + "中只有标题行，没有数据记录（第 2 行第一列为空）。没有输出任何文档。";
}

}  // namespace vexlo::merge
