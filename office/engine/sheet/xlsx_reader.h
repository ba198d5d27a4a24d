// Reads an Office Open XML workbook (.xlsx, .xlsm) from its zip package: sheet names, the active
// tab, and the cells of the active sheet with their raw values (shared and inline strings, numbers,
// booleans, errors, cached formula results, date-formatted numbers as dates, 1904 date system).
// Raises app::RuntimeError::Format naming the package when it is not a readable workbook.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XLSX_READER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XLSX_READER_H_

#include "office/engine/package/zip_reader.h"
#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

WorkbookData ReadXlsx(ZipReader& package);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XLSX_READER_H_
