#include "office/engine/sheet/xlsx_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <pugixml.hpp>

#include "app/runtime_error.h"
#include "office/engine/sheet/cell_address.h"
#include "office/engine/sheet/cell_display.h"
#include "office/engine/sheet/number_format.h"
#include "office/engine/sheet/utf8.h"
#include "office/engine/sheet/xml_slices.h"

namespace vexlo::engine::sheet {
namespace {

using app::RuntimeError;

// Days between the 1900 and the 1904 date systems.
constexpr double k1904Offset = 1462;

constexpr unsigned kParseOptions = kXmlSliceParseOptions;

// A node's name without its namespace prefix ("x:c" -> "c").
std::string_view LocalName(const char* name) {
  const char* colon = std::strchr(name, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(name);
}

bool Is(const pugi::xml_node& node, std::string_view local) {
  return node.type() == pugi::node_element && LocalName(node.name()) == local;
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view local) {
  for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling()) {
    if (Is(n, local)) return n;
  }
  return {};
}

// An attribute by local name ("r:id" matches "id" only when a prefix is present).
pugi::xml_attribute PrefixedAttribute(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const char* colon = std::strchr(a.name(), ':');
    if (colon && std::string_view(colon + 1) == local) return a;
  }
  return {};
}

// The text without the XML white space around it.
std::string_view Trim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

bool ParseDouble(std::string_view text, double& out) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

bool ParseUint(std::string_view text, uint32_t& out) {
  text = Trim(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Texts in the package escape characters XML cannot carry as "_xHHHH_".
std::string DecodeEscapes(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '_' && i + 7 <= text.size() && text[i + 1] == 'x' && text[i + 6] == '_') {
      uint32_t cp = 0;
      const auto [end, ec] = std::from_chars(text.data() + i + 2, text.data() + i + 6, cp, 16);
      if (ec == std::errc() && end == text.data() + i + 6) {
        AppendUtf8(out, cp >= 0xD800 && cp < 0xE000 ? 0xFFFD : cp);  // no lone surrogates
        i += 7;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

// The text of a string item (<si> or <is>): its <t>, or the <t> of every run joined; phonetic
// runs (<rPh>) are not part of the value.
std::string StringItemText(const pugi::xml_node& item) {
  std::string text;
  for (pugi::xml_node n = item.first_child(); n; n = n.next_sibling()) {
    if (Is(n, "t")) {
      text += n.child_value();
    } else if (Is(n, "r")) {
      if (pugi::xml_node t = Child(n, "t")) text += t.child_value();
    }
  }
  return DecodeEscapes(text);
}

// Days from 1899-12-30 to a civil date.
double SerialFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<double>(era) * 146097 + doe - 719468 + 25569;
}

// An ISO 8601 date or date-time ("2020-02-29", "2020-02-29T13:05:00", "13:05:00").
bool ParseIsoDate(std::string_view s, double& serial) {
  int y = 1899, mo = 12, d = 30, h = 0, mi = 0;
  double sec = 0;
  auto num = [&](size_t pos, size_t len, int& out) {
    if (pos + len > s.size()) return false;
    const auto [end, ec] = std::from_chars(s.data() + pos, s.data() + pos + len, out);
    return ec == std::errc() && end == s.data() + pos + len;
  };
  size_t time_at = std::string_view::npos;
  if (s.size() >= 10 && s[4] == '-' && s[7] == '-') {
    if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d)) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    if (s.size() > 10 && s[10] == 'T') time_at = 11;
  } else if (s.size() >= 8 && s[2] == ':') {
    time_at = 0;
  } else {
    return false;
  }
  if (time_at != std::string_view::npos) {
    if (!num(time_at, 2, h) || s.size() < time_at + 5 || s[time_at + 2] != ':' ||
        !num(time_at + 3, 2, mi)) {
      return false;
    }
    if (s.size() > time_at + 6 && s[time_at + 5] == ':') {
      std::string_view rest = s.substr(time_at + 6);
      size_t n = 0;
      while (n < rest.size() && ((rest[n] >= '0' && rest[n] <= '9') || rest[n] == '.')) ++n;
      if (!ParseDouble(rest.substr(0, n), sec)) return false;
    }
  }
  serial =
      (time_at == 0 ? 0 : SerialFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d))) +
      (h * 3600 + mi * 60 + sec) / 86400.0;
  return true;
}

class XlsxReader {
 public:
  explicit XlsxReader(ZipReader& package) : package_(package) {}

  WorkbookData Read() {
    const std::string workbook_part = FindWorkbookPart();
    const std::string base = Folder(workbook_part);
    const auto rels = ReadRelationships(RelsPartOf(workbook_part), base);

    pugi::xml_document workbook_doc;
    const pugi::xml_node workbook = Load(workbook_part, workbook_doc, "workbook");
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
    std::unordered_map<std::string_view, const Relationship*> by_id;
    for (const auto& r : rels) by_id[r.id] = &r;
    if (pugi::xml_node sheets = Child(workbook, "sheets")) {
      for (pugi::xml_node s = sheets.first_child(); s; s = s.next_sibling()) {
        if (!Is(s, "sheet")) continue;
        SheetData sheet;
        sheet.name = s.attribute("name").value();
        data_.sheets.push_back(std::move(sheet));
        const auto r = by_id.find(PrefixedAttribute(s, "id").value());
        sheet_parts.push_back(r == by_id.end() ? std::string() : r->second->target);
        may_be_worksheet.push_back(r == by_id.end() || EndsWith(r->second->type, "/worksheet"));
      }
    }
    if (data_.sheets.empty()) Corrupt("工作簿中没有工作表");
    data_.active_sheet = ClampActiveSheet(active, data_.sheets.size());

    std::string styles_part = PartName(base + "styles.xml");
    std::string strings_part = PartName(base + "sharedStrings.xml");
    for (const auto& r : rels) {
      if (EndsWith(r.type, "/styles")) styles_part = r.target;
      if (EndsWith(r.type, "/sharedStrings")) strings_part = r.target;
    }
    ReadStyles(styles_part);
    ReadSharedStrings(strings_part);

    const std::string& sheet_part = sheet_parts[data_.active_sheet];
    if (sheet_part.empty() || !package_.Has(sheet_part)) Corrupt("找不到当前工作表的内容");
    std::string bytes = ReadPart(sheet_part);
    // The active tab may be a chart or dialog sheet, which has no cells: read the first
    // worksheet instead. Each part is looked at once, however many sheets name it.
    if (!may_be_worksheet[data_.active_sheet] || !IsWorksheetRoot(RootName(bytes))) {
      std::unordered_set<std::string_view> looked_at;
      if (!IsWorksheetRoot(RootName(bytes))) looked_at.insert(sheet_part);
      for (size_t i = 0; i < sheet_parts.size(); ++i) {
        if (i == data_.active_sheet || !may_be_worksheet[i] || !package_.Has(sheet_parts[i]) ||
            !looked_at.insert(sheet_parts[i]).second) {
          continue;
        }
        std::string other = ReadPart(sheet_parts[i]);
        if (IsWorksheetRoot(RootName(other))) {
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
  struct Relationship {
    std::string id, type, target;
  };

  [[noreturn]] void Corrupt(std::string_view what) const {
    throw RuntimeError::Format(package_.display_name(),
                               "不是有效的Excel工作簿或已损坏：" + std::string(what));
  }

  static bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
  }

  static std::string Folder(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
  }

  static std::string RelsPartOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    if (slash == std::string::npos) return "_rels/" + part + ".rels";
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
  }

  // Resolves a relationship target against the folder of its source part.
  static std::string Resolve(const std::string& base, std::string_view target) {
    std::string path = !target.empty() && target[0] == '/' ? std::string(target.substr(1))
                                                           : base + std::string(target);
    // Fold "a/../b" and "./".
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
      size_t slash = path.find('/', start);
      if (slash == std::string::npos) slash = path.size();
      const std::string piece = path.substr(start, slash - start);
      if (piece == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!piece.empty() && piece != ".") {
        parts.push_back(piece);
      }
      start = slash + 1;
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
  }

  // The entry that holds `part`. Part names ignore case ("xl/SharedStrings.xml" is the part a
  // relationship names "sharedStrings.xml"); an exact match wins.
  std::string PartName(const std::string& part) {
    if (package_.Has(part)) return part;
    if (folded_names_.empty()) {
      for (const std::string& name : package_.names()) folded_names_.emplace(Folded(name), name);
    }
    const auto it = folded_names_.find(Folded(part));
    return it == folded_names_.end() ? part : it->second;
  }

  static std::string Folded(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  }

  // Parses a part into `doc` and returns its root element, which must be `root_name`.
  pugi::xml_node Load(const std::string& part, pugi::xml_document& doc,
                      std::string_view root_name) {
    auto bytes = package_.Read(part);
    if (!bytes) Corrupt("缺少 " + part);
    buffers_.push_back(std::move(*bytes));
    return Parse(part, buffers_.back(), doc, root_name);
  }

  // Parses `buffer` in place; it must stay alive as long as `doc`.
  pugi::xml_node Parse(const std::string& part, std::string& buffer, pugi::xml_document& doc,
                       std::string_view root_name) {
    const pugi::xml_parse_result ok =
        doc.load_buffer_inplace(buffer.data(), buffer.size(), kParseOptions);
    if (!ok) Corrupt(part + " 的XML格式错误（" + ok.description() + "）");
    pugi::xml_node root = doc.document_element();
    // A chart sheet may be the active tab: it is a sheet without cells.
    const bool chart = root_name == "worksheet" && Is(root, "chartsheet");
    if (!Is(root, root_name) && !chart) Corrupt(part + " 的内容不符合预期");
    return root;
  }

  std::vector<Relationship> ReadRelationships(const std::string& rels_part,
                                              const std::string& base) {
    std::vector<Relationship> out;
    if (!package_.Has(rels_part)) return out;
    pugi::xml_document doc;
    const pugi::xml_node root = Load(rels_part, doc, "Relationships");
    for (pugi::xml_node r = root.first_child(); r; r = r.next_sibling()) {
      if (!Is(r, "Relationship")) continue;
      if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
      out.push_back({r.attribute("Id").value(), r.attribute("Type").value(),
                     PartName(Resolve(base, r.attribute("Target").value()))});
    }
    buffers_.pop_back();
    return out;
  }

  std::string FindWorkbookPart() {
    for (const auto& r : ReadRelationships("_rels/.rels", "")) {
      if (EndsWith(r.type, "/officeDocument") && package_.Has(r.target)) return r.target;
    }
    if (package_.Has("xl/workbook.xml")) return "xl/workbook.xml";
    if (package_.Has("word/document.xml")) Corrupt("这是Word文档，不是Excel工作簿");
    Corrupt("找不到工作簿内容");
  }

  void ReadStyles(const std::string& part) {
    if (!package_.Has(part)) return;
    pugi::xml_document doc;
    const pugi::xml_node root = Load(part, doc, "styleSheet");
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
    buffers_.pop_back();
  }

  // The strings are parsed a slice of items at a time, like the rows of a sheet: a table of
  // millions of short strings would take ten times its size as one tree of nodes.
  void ReadSharedStrings(const std::string& part) {
    if (!package_.Has(part)) return;
    std::string bytes = ReadPart(part);
    const size_t strings_before = data_.strings.size();
    if (RootName(bytes) == "sst" &&
        ForEachXmlSlice(bytes, "sst", "si", [&](const pugi::xml_node& parent) { AddStrings(parent); })) {
      return;
    }
    data_.strings.Truncate(strings_before);
    shared_count_ = 0;
    buffers_.push_back(std::move(bytes));
    pugi::xml_document doc;
    AddStrings(Parse(part, buffers_.back(), doc, "sst"));
    buffers_.pop_back();
  }

  void AddStrings(const pugi::xml_node& parent) {
    for (pugi::xml_node si = parent.first_child(); si; si = si.next_sibling()) {
      if (!Is(si, "si")) continue;
      const uint32_t index = data_.AddString(StringItemText(si));
      if (shared_count_++ == 0) shared_first_ = index;
    }
  }

  std::string ReadPart(const std::string& part) {
    auto bytes = package_.Read(part);
    if (!bytes) Corrupt("缺少 " + part);
    return std::move(*bytes);
  }

  // The local name of the root element of an XML part ("" when there is none to be seen).
  static std::string_view RootName(std::string_view xml) {
    for (size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
      if (at + 1 >= xml.size()) break;
      const char next = xml[at + 1];
      if (next == '?' || next == '!') continue;  // declaration, comment, document type
      size_t end = at + 1;
      while (end < xml.size() && xml[end] != '>' && xml[end] != '/' && xml[end] != ' ' &&
             xml[end] != '\t' && xml[end] != '\r' && xml[end] != '\n') {
        ++end;
      }
      std::string_view name = xml.substr(at + 1, end - at - 1);
      const size_t colon = name.find(':');
      return colon == std::string_view::npos ? name : name.substr(colon + 1);
    }
    return {};
  }

  // A root we cannot make out (an encoding other than UTF-8) counts as a worksheet.
  static bool IsWorksheetRoot(std::string_view name) {
    return name.empty() || name == "worksheet";
  }

  // The worksheets besides the active one, which a caller may choose instead. One that cannot be
  // read is noted as such rather than failing the whole workbook.
  void ReadOtherSheets(const std::vector<std::string>& parts, const std::vector<bool>& may_be_worksheet) {
    for (size_t i = 0; i < parts.size(); ++i) {
      if (i == data_.active_sheet || !may_be_worksheet[i] || parts[i].empty()) continue;
      SheetData& sheet = data_.sheets[i];
      try {
        std::string bytes = ReadPart(parts[i]);
        if (IsWorksheetRoot(RootName(bytes))) ReadSheet(parts[i], std::move(bytes), sheet);
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
      buffers_.push_back(std::move(bytes));
      pugi::xml_document doc;
      const pugi::xml_node root = Parse(part, buffers_.back(), doc, "worksheet");
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
        if (!ParseUint(ra.value(), r) || r < 1 || r > kMaxRows) Corrupt("行号超出范围");
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
    if (pugi::xml_attribute s = c.attribute("s"); s && ParseUint(s.value(), xf) && xf < xf_format_.size()) {
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
    if (type != "str" && Trim(text).empty()) return false;
    if (type == "s") {
      uint32_t index = 0;
      if (!ParseUint(text, index) || index >= shared_count_) Corrupt("共享字符串编号无效");
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
      if (!ParseDouble(text, number)) Corrupt("数值无效");
      cell.number = number;
      uint32_t xf = 0;
      if (pugi::xml_attribute s = c.attribute("s");
          s && ParseUint(s.value(), xf) && xf < xf_is_date_.size() && xf_is_date_[xf]) {
        cell.kind = Cell::Kind::kDate;
        if (date1904_) cell.number += k1904Offset;
      }
    }
    return true;
  }

  ZipReader& package_;
  WorkbookData data_;
  bool date1904_ = false;
  std::vector<bool> xf_is_date_;
  std::vector<uint16_t> xf_format_;  // index into data_.formats
  // The shared strings are one run of data_.strings, added one after another.
  uint32_t shared_first_ = 0;
  uint32_t shared_count_ = 0;
  std::deque<std::string> buffers_;  // parsed in place; a deque never moves them
  // The package's entry names in lower case -> the first entry of that name, made on first use.
  std::unordered_map<std::string, std::string> folded_names_;
};

}  // namespace

WorkbookData ReadXlsx(ZipReader& package) { return XlsxReader(package).Read(); }

}  // namespace vexlo::engine::sheet
