#include "office/engine/sheet/sheet_objects.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/sheet/cell_address.h"
#include "office/engine/sheet/formula_results.h"

namespace vexlo::engine::sheet {
namespace {

using app::RuntimeError;
using office::Args;
using office::Value;

bool IsMember(std::string_view member, std::string_view lower_name) {
  if (member.size() != lower_name.size()) return false;
  for (size_t i = 0; i < member.size(); ++i) {
    char c = member[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower_name[i]) return false;
  }
  return true;
}

[[noreturn]] void RangeUnknown(std::string_view member, std::string_view how) {
  throw RuntimeError::Automation("自动化调用失败：“Range”对象不支持“" + std::string(member) +
                                 "”（" + std::string(how) + " " + std::string(member) + "）");
}

// A count, as the "rows" and "columns" of a used range give it.
class Count : public office::AutomationObject {
 public:
  explicit Count(int32_t n) : AutomationObject("Range") {
    AddProperty("count", [n] { return Value(n); });
  }
};

// The rectangle that holds every stored cell of a sheet: "row" and "column" of its first cell
// (1-based), "rows" and "columns" with their "count". An empty sheet gives A1 alone, as the
// spreadsheet's own UsedRange does.
class UsedRange : public office::AutomationObject {
 public:
  explicit UsedRange(const SheetData& sheet) : AutomationObject("Range") {
    uint32_t top = UINT32_MAX, left = UINT32_MAX, bottom = 0, right = 0;
    for (const auto& [key, cell] : sheet.cells) {
      const uint32_t row = static_cast<uint32_t>(key >> 16);
      const uint32_t column = static_cast<uint32_t>(key & 0xFFFF);
      top = std::min(top, row);
      left = std::min(left, column);
      bottom = std::max(bottom, row);
      right = std::max(right, column);
    }
    if (sheet.cells.empty()) top = left = bottom = right = 0;
    AddProperty("row", [top] { return Value(static_cast<int32_t>(top + 1)); });
    AddProperty("column", [left] { return Value(static_cast<int32_t>(left + 1)); });
    AddProperty("rows", [n = bottom - top + 1] {
      return Value(std::static_pointer_cast<office::Dispatch>(
          std::make_shared<Count>(static_cast<int32_t>(n))));
    });
    AddProperty("columns", [n = right - left + 1] {
      return Value(std::static_pointer_cast<office::Dispatch>(
          std::make_shared<Count>(static_cast<int32_t>(n))));
    });
  }
};

}  // namespace

Value Range::Get(std::string_view member) {
  if (IsMember(member, "value")) return book_->data.ValueAt(sheet_, row_, column_);
  if (IsMember(member, "text")) {
    const office::Value shown = book_->data.TextAt(sheet_, row_, column_);
    return shown.kind() == office::Value::Kind::kNull ? office::Value("") : shown;
  }
  if (IsMember(member, "address")) {
    return Value("$" + ColumnName(column_) + "$" + std::to_string(row_ + 1));
  }
  RangeUnknown(member, "读取属性");
}

void Range::Set(std::string_view member, const Value&) {
  if (IsMember(member, "value") || IsMember(member, "text") || IsMember(member, "address")) {
    throw RuntimeError::Automation("自动化调用失败：“Range”的“" + std::string(member) +
                                   "”是只读的，不能设置");
  }
  RangeUnknown(member, "设置属性");
}

Value Range::Call(std::string_view member, std::span<const Value> args) {
  if (!args.empty()) {
    if (IsMember(member, "value") || IsMember(member, "text") || IsMember(member, "address")) {
      throw RuntimeError::Automation("自动化调用失败：“Range”的属性“" + std::string(member) +
                                     "”不接受参数");
    }
    RangeUnknown(member, "调用方法");
  }
  return Get(member);
}

Worksheet::Worksheet(std::shared_ptr<OpenWorkbook> book, size_t sheet)
    : AutomationObject("Worksheet"), book_(std::move(book)), sheet_(sheet) {
  AddProperty("name", [this] { return Value(book_->data.sheets[sheet_].name); });
  AddProperty("index", [this] { return Value(static_cast<int32_t>(sheet_ + 1)); });
  AddMethod("activate", 0, 0, [this](const Args&) {
    book_->active = sheet_;
    return Value();
  });
  AddMethod("range", 1, 1, [this](const Args& a) {
    const std::string address = a.Text(0);
    const auto ref = ParseCellRef(address);
    if (!ref) {
      throw RuntimeError::Automation("自动化调用失败：“Range”的单元格地址“" + address + "”无效");
    }
    PrepareToRead();
    return Value(std::make_shared<Range>(book_, sheet_, ref->row, ref->column));
  });
  AddProperty("usedrange", [this] {
    return Value(std::static_pointer_cast<office::Dispatch>(
        std::make_shared<UsedRange>(book_->data.sheets[sheet_])));
  });
}

void Worksheet::PrepareToRead() {
  const SheetData& sheet = book_->data.sheets[sheet_];
  if (!sheet.unreadable.empty()) {
    throw RuntimeError::Format(book_->path, "中的工作表“" + sheet.name + "”已损坏，无法读取");
  }
  if (!book_->calculated && !sheet.uncalculated.empty()) {
    CalculateMissingResults(book_->pool, book_->path, book_->data);
    book_->calculated = true;
  }
}

Worksheets::Worksheets(std::vector<std::shared_ptr<Worksheet>> sheets,
                       std::shared_ptr<const OpenWorkbook> book)
    : AutomationObject("Worksheets"), sheets_(std::move(sheets)), book_(std::move(book)) {
  AddProperty("count", [this] { return Value(static_cast<int32_t>(sheets_.size())); });
  AddMethod("item", 1, 1, [this](const Args& a) { return Item(a[0]); });
}

Value Worksheets::Item(const Value& which) const {
  if (which.kind() == Value::Kind::kText) {
    const std::string wanted = office::Lower(which.text());
    for (size_t i = 0; i < sheets_.size(); ++i) {
      if (office::Lower(book_->data.sheets[i].name) == wanted) {
        return Value(std::static_pointer_cast<office::Dispatch>(sheets_[i]));
      }
    }
    throw RuntimeError::ArrayBounds();
  }
  const int32_t index = office::ArgLong(which, "item", 1);
  if (index < 1 || static_cast<size_t>(index) > sheets_.size()) throw RuntimeError::ArrayBounds();
  return Value(std::static_pointer_cast<office::Dispatch>(sheets_[static_cast<size_t>(index) - 1]));
}

Workbook::Workbook(std::shared_ptr<OpenWorkbook> book, std::function<void()> on_close)
    : AutomationObject("Workbook"), book_(std::move(book)) {
  for (size_t i = 0; i < book_->data.sheets.size(); ++i) {
    sheets_.push_back(std::make_shared<Worksheet>(book_, i));
  }
  worksheets_ = std::make_shared<Worksheets>(sheets_, book_);
  book_->active = book_->data.active_sheet;
  // Formulas without results that no sheet holds need no office.
  book_->calculated = !book_->data.HasUncalculated();
  AddProperty("name",
              [this] { return Value(std::filesystem::path(book_->path).filename().string()); });
  AddProperty("fullname", [this] { return Value(book_->path); });
  AddProperty("activesheet", [this] { return ActiveSheet(); });
  AddProperty("worksheets",
              [this] { return Value(std::static_pointer_cast<office::Dispatch>(worksheets_)); });
  // close([savechanges], [filename], [routeworkbook]): nothing is ever written back.
  AddMethod("close", 0, 3, [on_close = std::move(on_close)](const Args&) {
    on_close();
    return Value();
  });
}

Value Workbook::ActiveSheet() {
  return Value(std::static_pointer_cast<office::Dispatch>(sheets_[book_->active]));
}

}  // namespace vexlo::engine::sheet
