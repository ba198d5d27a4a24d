// Opens a workbook file of any supported kind, chosen by its content rather than its extension
// (.xlsx/.xlsm packages, .xls compound documents with BIFF8 or BIFF5/7 streams, bare Excel
// 2.x-4.x files), and parses it once into WorkbookData. Raises app::RuntimeError::File when the file cannot be read and
// ::Format when it is not a readable workbook (wrong kind, password-protected, corrupt, hostile);
// every text names the file.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_LOADER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_LOADER_H_

#include <string>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

// Largest workbook file we read (and largest part inflated from a package).
inline constexpr uint64_t kMaxWorkbookBytes = 256ull << 20;

WorkbookData LoadWorkbookFile(const std::string& path);

// The same for bytes already in memory; `display_name` names them in errors.
WorkbookData LoadWorkbookBytes(std::string bytes, const std::string& display_name);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_LOADER_H_
