// The results of formula cells that a workbook file holds without them (as programs that write
// workbooks without calculating them store them): calculated by LibreOffice, the office the
// engine already keeps warm, so that the merge reads what a spreadsheet shows. UI thread.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_FORMULA_RESULTS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_FORMULA_RESULTS_H_

#include <string>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine {
class OfficePool;
}  // namespace vexlo::engine

namespace vexlo::engine::sheet {

// Fills in every cell of `data`'s uncalculated lists from the workbook at `path` (the file
// `data` was read from): an office loads it, calculates every formula and stores it as a private
// temporary .xlsx, which is read and removed again; the user's file is only read. Raises
// app::RuntimeError::Format, naming the first such cells, when LibreOffice is missing (or there is
// no `pool` to calculate with) or fails.
void CalculateMissingResults(OfficePool* pool, const std::string& path, WorkbookData& data);

// "工作表“工资”的 C2、D2、E2 等 12 个单元格": where `data`'s formulas without results are.
std::string UncalculatedCellsText(const WorkbookData& data);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_FORMULA_RESULTS_H_
