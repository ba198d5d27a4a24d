#include "office/engine/sheet/xlsx_reader.h"

#include <unordered_map>
#include <unordered_set>
#include <pugixml.hpp>

#include "app/runtime_error.h"
#include "office/engine/sheet/cell_address.h"
#include "office/engine/sheet/cell_display.h"
#include "office/engine/sheet/number_format.h"
#include "office/engine/sheet/xlsx_parts.h"
#include "office/engine/sheet/xlsx_values.h"
#include "office/engine/sheet/xml_slices.h"

namespace vexlo::engine::sheet {
namespace {

using app::RuntimeError;

// Days between the 1900 and the 1904 date systems.
constexpr double k1904Offset = 1462;

// The workbook part's sheets and active tab, the styles' number formats, the shared strings, then
// the cells of each worksheet.
class XlsxReader {
 public:
  explicit XlsxReader(ZipReader& package) : parts_(package) {}

  WorkbookData Read() {
    const std::string workbook_part = parts_.FindWorkbookPart();
    const std::string base = XlsxPackage::Folder(workbook_part);
    const auto rels = parts_.ReadRelationships(XlsxPackage::RelsPartOf(workbook_part), base);

    pugi::xml_document workbook_doc;
    const pugi::xml_node workbook = parts_.Load(workbook_part, workbook_doc, "workbook");
    if (pugi::xml_node pr = Child(workbook, "workbookPr")) {
      const std::string_view v = pr.attribute("date1904").value();
      date1904_ = v == "1" || v == "true";
      data_.date1904 = date1904_;
    }
    size_t active = 0;
    if (pugi::xml_node views = Child(workbook, "bookViews")) {
      if (pugi::xml_node view = Child(views, "workbookView")) {
        active = view.attribute("activeTab").as_uint(0);
      }
    }
    std::vector<std::string> sheet_parts;
    std::vector<bool> may_be_worksheet;  // by relationship type
    // Relationships by id, the last of an id winning as a walk through them would find it.
    std::unordered_map<std::string_view, const XlsxPackage::Relationship*> by_id;
    for (const auto& r : rels) by_id[r.id] = &r;
    if (pugi::xml_node sheets = Child(workbook, "sheets")) {
      for (pugi::xml_node s = sheets.first_child(); s; s = s.next_sibling()) {
        if (!Is(s, "sheet")) continue;
        SheetData sheet;
        sheet.name = s.attribute("name").value();
        data_.sheets.push_back(std::move(sheet));
        const auto r = by_id.find(PrefixedAttribute(s, "id").value());
        sheet_parts.push_back(r == by_id.end() ? std::string() : r->second->target);
        may_be_worksheet.push_back(r == by_id.end() || XlsxPackage::EndsWith(r->second->type, "/worksheet"));
      }
    }
    if (data_.sheets.empty()) parts_.Corrupt("工作簿中没有工作表");
    data_.active_sheet = ClampActiveSheet(active, data_.sheets.size());

    std::string styles_part = parts_.PartName(base + "styles.xml");
    std::string strings_part = parts_.PartName(base + "sharedStrings.xml");
    for (const auto& r : rels) {
      if (XlsxPackage::EndsWith(r.type, "/styles")) styles_part = r.target;
      if (XlsxPackage::EndsWith(r.type, "/sharedStrings")) strings_part = r.target;
    }
    ReadStyles(styles_part);
    ReadSharedStrings(strings_part);

    const std::string& sheet_part = sheet_parts[data_.active_sheet];
    if (sheet_part.empty() || !parts_.Has(sheet_part)) parts_.Corrupt("找不到当前工作表的内容");
    std::string bytes = parts_.ReadPart(sheet_part);
    // The active tab may be a chart or dialog sheet, which has no cells: read the first
    // worksheet instead. Each part is looked at once, however many sheets name it.
    if (!may_be_worksheet[data_.active_sheet] || !IsWorksheet(bytes)) {
      std::unordered_set<std::string_view> looked_at;
      if (!IsWorksheet(bytes)) looked_at.insert(sheet_part);
      for (size_t i = 0; i < sheet_parts.size(); ++i) {
        if (i == data_.active_sheet || !may_be_worksheet[i] || !parts_.Has(sheet_parts[i]) ||
            !looked_at.insert(sheet_parts[i]).second) {
          continue;
        }
        std::string other = parts_.ReadPart(sheet_parts[i]);
        if (IsWorksheet(other)) {
          data_.active_sheet = i;
          bytes = std::move(other);
          break;
        }
      }
    }
    ReadSheet(sheet_parts[data_.active_sheet], std::move(bytes), data_.sheets[data_.active_sheet]);
    ReadOtherSheets(sheet_parts, may_be_worksheet);
    return std::move(data_);
  }

 private:
  [[noreturn]] void Corrupt(std::string_view what) const { parts_.Corrupt(what); }

  static bool IsWorksheet(std::string_view xml) {
    return XlsxPackage::IsWorksheetRoot(XlsxPackage::RootName(xml));
  }

  void ReadStyles(const std::string& part) {
    if (!parts_.Has(part)) return;
    pugi::xml_document doc;
    const pugi::xml_node root = parts_.Load(part, doc, "styleSheet");
    std::unordered_map<uint32_t, bool> custom;  // numFmtId -> is a date
    std::unordered_map<uint32_t, std::string> codes;  // numFmtId -> code
    if (pugi::xml_node fmts = Child(root, "numFmts")) {
      for (pugi::xml_node f = fmts.first_child(); f; f = f.next_sibling()) {
        if (!Is(f, "numFmt")) continue;
        custom[f.attribute("numFmtId").as_uint()] =
            IsDateFormatCode(f.attribute("formatCode").value());
        codes[f.attribute("numFmtId").as_uint()] = f.attribute("formatCode").value();
      }
    }
    if (pugi::xml_node xfs = Child(root, "cellXfs")) {
      for (pugi::xml_node xf = xfs.first_child(); xf; xf = xf.next_sibling()) {
        if (!Is(xf, "xf")) continue;
        const uint32_t id = xf.attribute("numFmtId").as_uint();
        const auto it = custom.find(id);
        xf_is_date_.push_back(it != custom.end() ? it->second : IsBuiltinDateFormat(id));
        const auto code = codes.find(id);
        xf_format_.push_back(data_.AddFormat(code != codes.end() ? code->second : BuiltinFormatCode(id)));
      }
    }
    parts_.Release();
  }

  // The strings are parsed a slice of items at a time, like the rows of a sheet: a table of
  // millions of short strings would take ten times its size as one tree of nodes.
  void ReadSharedStrings(const std::string& part) {
    if (!parts_.Has(part)) return;
    std::string bytes = parts_.ReadPart(part);
    const size_t strings_before = data_.strings.size();
    if (XlsxPackage::RootName(bytes) == "sst" &&
        ForEachXmlSlice(bytes, "sst", "si", [&](const pugi::xml_node& parent) { AddStrings(parent); })) {
      return;
    }
    data_.strings.Truncate(strings_before);
    shared_count_ = 0;
    pugi::xml_document doc;
    AddStrings(parts_.LoadBytes(part, std::move(bytes), doc, "sst"));
    parts_.Release();
  }

  void AddStrings(const pugi::xml_node& parent) {
    for (pugi::xml_node si = parent.first_child(); si; si = si.next_sibling()) {
      if (!Is(si, "si")) continue;
      const uint32_t index = data_.AddString(StringItemText(si));
      if (shared_count_++ == 0) shared_first_ = index;
    }
  }

  // The worksheets besides the active one, which a caller may choose instead. One that cannot be
  // read is noted as such rather than failing the whole workbook.
  void ReadOtherSheets(const std::vector<std::string>& parts, const std::vector<bool>& may_be_worksheet) {
    for (size_t i = 0; i < parts.size(); ++i) {
      if (i == data_.active_sheet || !may_be_worksheet[i] || parts[i].empty()) continue;
      SheetData& sheet = data_.sheets[i];
      try {
        std::string bytes = parts_.ReadPart(parts[i]);
        if (IsWorksheet(bytes)) ReadSheet(parts[i], std::move(bytes), sheet);
      } catch (const RuntimeError& e) {
        sheet.cells.clear();
        sheet.uncalculated.clear();
        sheet.unreadable = e.text();
      }
    }
  }

  // Rows are parsed a slice at a time, so that the nodes of one slice exist at once rather than
  // those of the whole sheet. A sheet that cannot be cut cleanly is parsed whole instead.
  void ReadSheet(const std::string& part, std::string bytes, SheetData& sheet) {
    if (!ReadSheetInSlices(bytes, sheet)) {
      sheet.cells.clear();
      sheet.uncalculated.clear();
      pugi::xml_document doc;
      const pugi::xml_node root = parts_.LoadBytes(part, std::move(bytes), doc, "worksheet");
      uint32_t next_row = 0;
      ReadRows(Child(root, "sheetData"), next_row, sheet);
    }
    sheet.cells.Seal();
  }

  bool ReadSheetInSlices(const std::string& xml, SheetData& sheet) {
    uint32_t next_row = 0;
    return ForEachXmlSlice(xml, "sheetData", "row",
                        [&](const pugi::xml_node& parent) { ReadRows(parent, next_row, sheet); });
  }

  void ReadRows(const pugi::xml_node& parent, uint32_t& next_row, SheetData& sheet) {
    for (pugi::xml_node row = parent.first_child(); row; row = row.next_sibling()) {
      if (!Is(row, "row")) continue;
      uint32_t r = next_row;
      if (pugi::xml_attribute ra = row.attribute("r")) {
        if (!ParseXmlUint(ra.value(), r) || r < 1 || r > kMaxRows) Corrupt("行号超出范围");
        --r;
      }
      if (r >= kMaxRows) Corrupt("行号超出范围");
      next_row = r + 1;
      uint32_t next_col = 0;
      for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
        if (!Is(c, "c")) continue;
        CellRef ref{r, next_col};
        if (pugi::xml_attribute ca = c.attribute("r")) {
          const auto parsed = ParseCellRef(ca.value());
          if (!parsed) Corrupt(std::string("单元格地址无效：") + ca.value());
          ref = *parsed;
        }
        if (ref.column >= kMaxColumns) Corrupt("列号超出范围");
        next_col = ref.column + 1;
        Cell cell;
        if (!ReadCell(c, cell)) {
          if (Child(c, "f")) {
            if (sheet.uncalculated.size() >= kMaxCells) Corrupt("单元格数量过多");
            sheet.uncalculated.push_back({CellKey(ref.row, ref.column), cell.format});
          }
          continue;
        }
        if (sheet.cells.size() >= kMaxCells) Corrupt("单元格数量过多");
        sheet.cells.Put(CellKey(ref.row, ref.column), cell);
      }
    }
  }

  // Fills `cell` from <c>, with its number format; false for a cell without a value.
  bool ReadCell(const pugi::xml_node& c, Cell& cell) {
    uint32_t xf = 0;
    if (pugi::xml_attribute s = c.attribute("s"); s && ParseXmlUint(s.value(), xf) && xf < xf_format_.size()) {
      cell.format = xf_format_[xf];
    }
    return ReadCellValue(c, cell);
  }

  bool ReadCellValue(const pugi::xml_node& c, Cell& cell) {
    const std::string_view type = c.attribute("t").value();
    if (type == "inlineStr") {
      const pugi::xml_node is = Child(c, "is");
      if (!is) return false;
      cell.kind = Cell::Kind::kText;
      cell.text = data_.AddString(StringItemText(is));
      return true;
    }
    const pugi::xml_node v = Child(c, "v");
    if (!v) return false;
    const std::string_view text = v.child_value();
    // An empty value (<v/>, <v></v>) is a blank cell; only a text result keeps it as "".
    if (type != "str" && TrimXmlSpace(text).empty()) return false;
    if (type == "s") {
      uint32_t index = 0;
      if (!ParseXmlUint(text, index) || index >= shared_count_) Corrupt("共享字符串编号无效");
      cell.kind = Cell::Kind::kText;
      cell.text = shared_first_ + index;
    } else if (type == "str") {
      cell.kind = Cell::Kind::kText;
      cell.text = data_.AddString(DecodeEscapes(text));
    } else if (type == "b") {
      cell.kind = Cell::Kind::kBool;
      cell.number = (text == "1" || text == "true") ? 1 : 0;
    } else if (type == "e") {
      cell.kind = Cell::Kind::kError;
      cell.text = data_.AddString(std::string(text));
    } else if (type == "d") {
      double serial = 0;
      if (!ParseIsoDate(text, serial)) Corrupt("日期值无效");
      cell.kind = Cell::Kind::kDate;
      cell.number = serial;
    } else {
      double number = 0;
      if (!ParseXmlDouble(text, number)) Corrupt("数值无效");
      cell.number = number;
      uint32_t xf = 0;
      if (pugi::xml_attribute s = c.attribute("s");
          s && ParseXmlUint(s.value(), xf) && xf < xf_is_date_.size() && xf_is_date_[xf]) {
        cell.kind = Cell::Kind::kDate;
        if (date1904_) cell.number += k1904Offset;
      }
    }
    return true;
  }

  XlsxPackage parts_;
  WorkbookData data_;
  bool date1904_ = false;
  std::vector<bool> xf_is_date_;
  std::vector<uint16_t> xf_format_;  // index into data_.formats
  // The shared strings are one run of data_.strings, added one after another.
  uint32_t shared_first_ = 0;
  uint32_t shared_count_ = 0;
};

}  // namespace

WorkbookData ReadXlsx(ZipReader& package) { return XlsxReader(package).Read(); }

}  // namespace vexlo::engine::sheet
