#include "office/engine/sheet/formula_results.h"

#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/sheet/cell_address.h"
#include "office/engine/sheet/number_format.h"
#include "office/engine/sheet/workbook_loader.h"
#include "office/engine/soffice/office_pool.h"

namespace vexlo::engine::sheet {
namespace {

namespace fs = std::filesystem;
using app::RuntimeError;

constexpr size_t kCellsNamed = 3;  // cells a message names; the rest are counted
constexpr double k1904Offset = 1462;

std::string Unresolved(const WorkbookData& data) {
  return "中有公式没有保存计算结果（" + UncalculatedCellsText(data) + "）";
}

// Removes the folder when it goes.
struct ScratchFolder {
  std::string path;
  ~ScratchFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

// The calculated workbook at `path` made from `source` by an office; raises when it could not be.
WorkbookData CalculatedCopy(OfficePool& pool, const std::string& source, const std::string& path,
                            const WorkbookData& data) {
  ConversionJob job;
  job.source = source;
  job.label = fs::path(source).filename().string();
  job.targets.push_back({path, StoreFormat::kXlsx});
  job.recalculate = true;
  const ConversionOutcome outcome = pool.Submit(std::move(job)).get();
  if (!outcome.ok()) {
    throw RuntimeError::Format(source, Unresolved(data) + "，用 LibreOffice 计算时失败：" +
                                           outcome.message() + "。请在表格软件中打开这个文件并保存后再试");
  }
  WorkbookData calculated = LoadWorkbookFile(path);
  bool same = calculated.sheets.size() == data.sheets.size();
  for (size_t i = 0; same && i < data.sheets.size(); ++i) {
    same = calculated.sheets[i].name == data.sheets[i].name;
  }
  if (!same) {
    throw RuntimeError::Format(source, Unresolved(data) +
                                           "，LibreOffice 计算后的工作表与原文件不一致。"
                                           "请在表格软件中打开这个文件并保存后再试");
  }
  return calculated;
}

// The cell of `calculated` put where `data` has a formula without result, shown through the
// original cell's number format.
Cell Transferred(const Cell& found, const WorkbookData& calculated, const UncalculatedCell& wanted,
                 WorkbookData& data) {
  Cell cell = found;
  cell.format = wanted.format;
  if (cell.kind == Cell::Kind::kText || cell.kind == Cell::Kind::kError) {
    cell.text = data.AddString(std::string(calculated.strings[found.text]));
  } else if (cell.kind == Cell::Kind::kNumber && wanted.format < data.formats.size() &&
             IsDateFormatCode(data.formats[wanted.format])) {
    cell.kind = Cell::Kind::kDate;
    if (calculated.date1904) cell.number += k1904Offset;
  }
  return cell;
}

}  // namespace

std::string UncalculatedCellsText(const WorkbookData& data) {
  std::string text;
  size_t total = 0;
  for (const SheetData& sheet : data.sheets) {
    if (sheet.uncalculated.empty()) continue;
    if (total == 0) {
      text = "工作表“" + sheet.name + "”的 ";
      for (size_t i = 0; i < sheet.uncalculated.size() && i < kCellsNamed; ++i) {
        const uint64_t key = sheet.uncalculated[i].key;
        text += (i > 0 ? "、" : "") + CellName(static_cast<uint32_t>(key >> 16), key & 0xFFFF);
      }
    }
    total += sheet.uncalculated.size();
  }
  if (total > kCellsNamed) text += " 等 " + std::to_string(total) + " 个单元格";
  return text;
}

void CalculateMissingResults(OfficePool* pool, const std::string& path, WorkbookData& data) {
  if (!data.HasUncalculated()) return;
  if (pool == nullptr || !OfficePool::Available()) {
    throw RuntimeError::Format(path, Unresolved(data) +
                                         "，要读出它们的值需要用 LibreOffice 计算，但系统中没有安装 "
                                         "LibreOffice。请安装 LibreOffice，或在表格软件中打开这个文件并保存后再试");
  }
  Result<std::string> folder = MakePrivateTempFolder("sheet");
  if (!folder.ok()) throw RuntimeError::File(path, Unresolved(data) + "，无法创建计算它们所需的临时文件夹");
  ScratchFolder scratch{std::move(folder).value()};
  const WorkbookData calculated =
      CalculatedCopy(*pool, path, scratch.path + "/calculated.xlsx", data);
  for (size_t i = 0; i < data.sheets.size(); ++i) {
    SheetData& sheet = data.sheets[i];
    for (const UncalculatedCell& wanted : sheet.uncalculated) {
      const Cell* found = calculated.CellAt(i, static_cast<uint32_t>(wanted.key >> 16), wanted.key & 0xFFFF);
      if (found != nullptr) sheet.cells.Put(wanted.key, Transferred(*found, calculated, wanted, data));
    }
    sheet.cells.Seal();
    sheet.uncalculated.clear();
  }
}

}  // namespace vexlo::engine::sheet
