// Reads the first table of a web page as a workbook of one sheet: what many web systems export
// under an .xls or .xlsx name. The first table is the first one a browser shows: tables inside
// comments, <script>, <style>, <textarea>, <title> and <template> are not data. Rows are the
// table's own <tr> (not those of tables inside its cells), cells its <td>/<th>, a colspan moves
// the next cell along; a cell's text is what a browser shows (tags dropped, entities decoded,
// spaces collapsed, <br> a line break). The page's charset: see text_decoding.h. Linear in the
// page's size, in time and memory.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_HTML_TABLE_READER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_HTML_TABLE_READER_H_

#include <string>
#include <string_view>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

// True when decoded text looks like markup: its first non-blank character is '<'.
bool LooksLikeMarkup(std::string_view text);

// Raises app::RuntimeError::Format naming `display_name` when the page is no text or holds no
// table with text.
WorkbookData ReadHtmlTable(std::string bytes, const std::string& display_name);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_HTML_TABLE_READER_H_
