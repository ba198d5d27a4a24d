#include "office/engine/sheet/xls_reader.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/codepage.h"
#include "app/runtime_error.h"
#include "office/engine/package/little_endian.h"
#include "office/engine/sheet/biff_decryption.h"
#include "office/engine/sheet/cell_display.h"
#include "office/engine/sheet/number_format.h"
#include "office/engine/sheet/utf8.h"
#include "office/engine/sheet/workbook_protection.h"

namespace vexlo::engine::sheet {
namespace {

// Record types of BIFF5 and BIFF8 (most of them also of BIFF3 and BIFF4).
enum : uint16_t {
  kFormula = 0x0006,
  kEof = 0x000A,
  kFilePass = 0x002F,
  kDateMode = 0x0022,
  kContinue = 0x003C,
  kWindow1 = 0x003D,
  kCodePage = 0x0042,
  kBoundSheet = 0x0085,
  kMulRk = 0x00BD,
  kRString = 0x00D6,
  kXf = 0x00E0,
  kSst = 0x00FC,
  kLabelSst = 0x00FD,
  kNumber = 0x0203,
  kLabel = 0x0204,
  kBoolErr = 0x0205,
  kString = 0x0207,
  kRk = 0x027E,
  kFormat = 0x041E,
  kBof = 0x0809,
  // Records that may stand between a FORMULA record and the STRING record of its text result.
  kShrFmla = 0x04BC,
  kArray = 0x0221,
  kTable = 0x0236,
};

// Record types of the single-sheet files of Excel 2.x to 4.x and of Excel 4.0 workbooks.
enum : uint16_t {
  kBof2 = 0x0009,
  kBof3 = 0x0209,
  kBof4 = 0x0409,
  kBlank2 = 0x0001,
  kInteger2 = 0x0002,
  kNumber2 = 0x0003,
  kLabel2 = 0x0004,
  kBoolErr2 = 0x0005,
  kFormula2 = 0x0006,  // BIFF2 layout: 3 attribute bytes instead of an XF index
  kString2 = 0x0007,
  kFormat2 = 0x001E,
  kXf2 = 0x0043,
  kXf3 = 0x0243,
  kXf4 = 0x0443,
  kFormula3 = 0x0206,
  kFormula4 = 0x0406,
  kSheetHeader = 0x008F,  // Excel 4.0 workbook: stream position and name of the next sheet
};

constexpr uint16_t kSubstreamWorksheet = 0x0010;
constexpr uint16_t kSubstreamWorkbook4 = 0x0100;

constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kBiff5 = 0x0500;
constexpr uint16_t kCodePageUtf16 = 1200;
constexpr double k1904Offset = 1462;

constexpr auto& U16 = ReadLe16;
constexpr auto& U32 = ReadLe32;
double F64(std::string_view d, size_t at) {
  double v;
  std::memcpy(&v, d.data() + at, 8);
  return v;
}

// Characters of a BIFF8 string: one byte each (the low half of UTF-16) or UTF-16LE.
void AppendChars(std::string& out, std::string_view bytes, bool wide, uint16_t& pending_high) {
  if (!wide) {
    for (char c : bytes) AppendUtf8(out, static_cast<uint8_t>(c));
    return;
  }
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint16_t u = U16(bytes, i);
    if (u >= 0xD800 && u < 0xDC00) {
      if (pending_high) AppendUtf8(out, 0xFFFD);
      pending_high = u;
      continue;
    }
    if (u >= 0xDC00 && u < 0xE000) {
      if (pending_high) {
        AppendUtf8(out, 0x10000 + ((pending_high - 0xD800) << 10) + (u - 0xDC00));
        pending_high = 0;
      } else {
        AppendUtf8(out, 0xFFFD);
      }
      continue;
    }
    if (pending_high) AppendUtf8(out, 0xFFFD);
    pending_high = 0;
    AppendUtf8(out, u);
  }
}

// The iconv name of a BIFF5 code page number.
std::string CodePageName(uint16_t cp) {
  switch (cp) {
    case 367:
      return "ASCII";
    case 10000:
    case 32768:
      return "MACINTOSH";
    case 32769:
      return "CP1252";
    default:
      return "CP" + std::to_string(cp);
  }
}

struct Record {
  uint16_t type = 0;
  std::string_view data;
};

class XlsReader {
 public:
  XlsReader(std::string_view stream, const std::string& display_name)
      : stream_(stream), display_name_(display_name) {}

  WorkbookData Read() {
    auto first = Next();
    if (!first) Corrupt("工作簿数据流为空");
    const uint16_t substream = ReadBof(*first);
    if (version_ <= 4) {
      ReadEarly(substream);
      return std::move(data_);
    }
    ReadGlobals();
    if (data_.sheets.empty()) Corrupt("工作簿中没有工作表");
    data_.active_sheet = ClampActiveSheet(active_, data_.sheets.size());
    // A chart or macro sheet may be the active tab: read the first worksheet instead.
    if (sheet_types_[data_.active_sheet] != 0) {
      for (size_t i = 0; i < sheet_types_.size(); ++i) {
        if (sheet_types_[i] == 0) {
          data_.active_sheet = i;
          break;
        }
      }
    }
    ReadSheet(sheet_offsets_[data_.active_sheet], data_.sheets[data_.active_sheet]);
    ReadOtherSheets();
    return std::move(data_);
  }

 private:
  // The worksheets besides the active one, which a caller may choose instead. One that cannot be
  // read is noted as such rather than failing the whole workbook.
  void ReadOtherSheets() {
    for (size_t i = 0; i < data_.sheets.size(); ++i) {
      if (i != data_.active_sheet && sheet_types_[i] == 0) ReadOtherSheet(i);
    }
  }

  void ReadOtherSheet(size_t i) {
    SheetData& sheet = data_.sheets[i];
    try {
      ReadSheet(sheet_offsets_[i], sheet);
    } catch (const app::RuntimeError& e) {
      sheet.cells.clear();
      sheet.uncalculated.clear();
      sheet.unreadable = e.text();
    }
  }

  [[noreturn]] void Corrupt(std::string_view what) const {
    throw app::RuntimeError::Format(display_name_,
                                    "不是有效的Excel工作簿或已损坏：" + std::string(what));
  }

  // The record at pos_, or nullopt at the end of the stream.
  std::optional<Record> Next() {
    if (pos_ >= stream_.size()) return std::nullopt;
    if (pos_ + 4 > stream_.size()) Corrupt("记录被截断");
    Record r;
    r.type = U16(stream_, pos_);
    const uint16_t len = U16(stream_, pos_ + 2);
    if (pos_ + 4 + len > stream_.size()) Corrupt("记录长度超出数据流");
    r.data = stream_.substr(pos_ + 4, len);
    pos_ += 4 + len;
    return r;
  }

  // The type of the record at pos_, without consuming it.
  std::optional<uint16_t> PeekType() const {
    if (pos_ + 4 > stream_.size()) return std::nullopt;
    return U16(stream_, pos_);
  }

  void Need(const Record& r, size_t size) const {
    if (r.data.size() < size) Corrupt("记录过短");
  }

  // A record followed by its CONTINUE records, read as one sequence of bytes. A string whose
  // characters cross into the next piece starts that piece with a new option byte.
  class Continued {
   public:
    Continued(const XlsReader& owner, std::string_view first) : owner_(owner) { Add(first); }
    void Add(std::string_view piece) {
      bytes_.append(piece);
      ends_.push_back(bytes_.size());
    }
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    uint8_t U8() {
      Check(1);
      return static_cast<uint8_t>(bytes_[pos_++]);
    }
    uint16_t U16v() {
      Check(2);
      pos_ += 2;
      return U16(bytes_, pos_ - 2);
    }
    uint32_t U32v() {
      Check(4);
      pos_ += 4;
      return U32(bytes_, pos_ - 4);
    }
    void Skip(uint64_t n) {
      Check(n);
      pos_ += static_cast<size_t>(n);
    }
    // A BIFF8 string whose character count `cch` has been read already.
    std::string Biff8Chars(uint16_t cch) {
      if (cch == 0 && AtEnd()) return "";  // some writers leave out the option byte
      const uint8_t flags = U8();
      bool wide = flags & 0x01;
      const uint16_t runs = (flags & 0x08) ? U16v() : 0;
      const uint32_t ext = (flags & 0x04) ? U32v() : 0;
      std::string out;
      uint16_t pending = 0;
      size_t left = cch;
      while (left > 0) {
        // Characters that go on in the next piece start there with an option byte of their
        // own, even when the piece before holds none of them.
        if (AtPieceStart()) wide = U8() & 0x01;
        const size_t end = PieceEnd();
        const size_t unit = wide ? 2 : 1;
        const size_t fit = std::min(left, (end - pos_) / unit);
        if (fit == 0) owner_.Corrupt("字符串被截断");
        AppendChars(out, std::string_view(bytes_).substr(pos_, fit * unit), wide, pending);
        pos_ += fit * unit;
        left -= fit;
      }
      if (pending) AppendUtf8(out, 0xFFFD);
      Skip(4ull * runs);
      Skip(ext);
      return out;
    }

   private:
    void Check(uint64_t n) const {
      if (n > bytes_.size() - pos_) owner_.Corrupt("字符串表被截断");
    }
    // Whether pos_ is where a piece other than the first begins.
    bool AtPieceStart() {
      while (piece_ < ends_.size() && ends_[piece_] < pos_) ++piece_;
      return piece_ + 1 < ends_.size() && ends_[piece_] == pos_;
    }
    // The end of the piece that holds pos_. pos_ only grows, so the search resumes where the last
    // one stopped: a table cut into millions of pieces is still read in linear time.
    size_t PieceEnd() {
      while (piece_ < ends_.size() && ends_[piece_] <= pos_) ++piece_;
      return piece_ < ends_.size() ? ends_[piece_] : bytes_.size();
    }
    const XlsReader& owner_;
    std::string bytes_;
    std::vector<size_t> ends_;
    size_t piece_ = 0;  // index into ends_ of the piece that holds pos_
    size_t pos_ = 0;
  };

  Continued WithContinues(const Record& r) {
    Continued c(*this, r.data);
    while (PeekType() == kContinue) c.Add(Next()->data);
    return c;
  }

  // An 8-bit string in the workbook's code page (BIFF5/7).
  std::string Narrow(std::string_view bytes) const {
    bool ascii = true;
    for (char c : bytes) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
    if (ascii) return std::string(bytes);
    std::string out;
    if (!app::ToUtf8(codepage_name_, bytes, out)) app::ToUtf8("CP1252", bytes, out);
    return out;
  }

  // A string with a 16-bit (or 8-bit) length at `at` of the record just read. In BIFF8 its
  // characters may go on in the CONTINUE records that follow.
  std::string RecordString(const Record& r, size_t at, bool short_length) {
    const size_t len_size = short_length ? 1 : 2;
    Need(r, at + len_size);
    const uint16_t cch = short_length ? static_cast<uint8_t>(r.data[at]) : U16(r.data, at);
    if (!biff8_) {
      Need(r, at + len_size + cch);
      return Narrow(r.data.substr(at + len_size, cch));
    }
    if (PeekType() != kContinue) {
      Continued c(*this, r.data.substr(at + len_size));
      return c.Biff8Chars(cch);
    }
    Continued c = WithContinues(r);
    c.Skip(at + len_size);
    return c.Biff8Chars(cch);
  }

  // Checks a BOF record, sets the version from it and returns the substream type.
  uint16_t ReadBof(const Record& r) {
    Need(r, 4);
    switch (r.type) {
      case kBof2:
        version_ = 2;
        break;
      case kBof3:
        version_ = 3;
        break;
      case kBof4:
        version_ = 4;
        break;
      case kBof:
        // A sheet's BOF follows its workbook's, whatever version it claims.
        if (!in_sheets_) version_ = Biff5Or8(r);
        break;
      default:
        Corrupt("缺少文件头记录");
    }
    biff8_ = version_ == 8;
    return U16(r.data, 2);
  }

  // The version of a workbook's first BOF. Some writers leave its version field 0 or put
  // another number there; the record's length tells BIFF8 (16 bytes) from BIFF5/7 (8 bytes).
  static int Biff5Or8(const Record& r) {
    const uint16_t version = U16(r.data, 0);
    if (version == kBiff8) return 8;
    if (version == kBiff5) return 5;
    return r.data.size() >= 16 ? 8 : 5;
  }

  // Skips the records of a substream whose BOF has just been read, embedded ones included.
  void SkipSubstream() {
    int depth = 1;
    while (auto r = Next()) {
      if (IsBof(r->type)) ++depth;
      if (r->type == kEof && --depth == 0) return;
    }
    Corrupt("工作表没有结束记录");
  }

  static bool IsBof(uint16_t type) {
    return type == kBof || type == kBof2 || type == kBof3 || type == kBof4;
  }

  // Excel 2.x-4.x: a worksheet file is one sheet whose formats come before its cells; an
  // Excel 4.0 workbook holds global records, then each sheet behind a header with its name.
  void ReadEarly(uint16_t substream) {
    if (substream != kSubstreamWorkbook4) {
      SheetData sheet;
      sheet.name = std::filesystem::path(display_name_).stem().string();
      data_.sheets.push_back(std::move(sheet));
      ReadCells(data_.sheets[0]);
      return;
    }
    // Each sheet follows its header inside the workbook's substream, which ends last.
    std::vector<uint16_t> kinds;
    for (;;) {
      auto r = Next();
      if (!r) Corrupt("工作簿全局数据没有结束记录");
      if (r->type == kEof) break;
      if (r->type != kSheetHeader) {
        ReadEarlySetting(*r);
        continue;
      }
      Need(*r, 5);
      SheetData sheet;
      sheet.name = RecordString(*r, 4, true);
      data_.sheets.push_back(std::move(sheet));
      sheet_offsets_.push_back(static_cast<uint32_t>(pos_));
      auto bof = Next();
      if (!bof || !IsBof(bof->type)) Corrupt("工作表缺少文件头记录");
      kinds.push_back(ReadBof(*bof));
      SkipSubstream();
    }
    if (data_.sheets.empty()) Corrupt("工作簿中没有工作表");
    for (size_t i = kinds.size(); i-- > 0;) {
      if (kinds[i] == kSubstreamWorksheet) data_.active_sheet = i;
    }
    // A sheet that brings its own formats replaces those of the workbook.
    sheet_formats_replace_ = true;
    ReadSheet(sheet_offsets_[data_.active_sheet], data_.sheets[data_.active_sheet]);
    for (size_t i = 0; i < kinds.size(); ++i) {
      if (i != data_.active_sheet && kinds[i] == kSubstreamWorksheet) {
        sheet_formats_replace_ = true;
        ReadOtherSheet(i);
      }
    }
  }

  void StartSheetFormats() {
    if (!sheet_formats_replace_) return;
    sheet_formats_replace_ = false;
    early_formats_.clear();
    early_codes_.clear();
    xf_is_date_.clear();
    xf_shown_.clear();
  }

  // Code page, date system and number formats of an Excel 2.x-4.x stream; false for any other
  // record.
  bool ReadEarlySetting(const Record& r) {
    switch (r.type) {
      case kFilePass:  // Excel 2.x-4.x files are only ever obfuscated with a password of their own
        RefuseEncryption(display_name_, "不支持这种早期加密方式");
      case kCodePage:
        Need(r, 2);
        if (U16(r.data, 0) != kCodePageUtf16) codepage_name_ = CodePageName(U16(r.data, 0));
        return true;
      case kDateMode:
        Need(r, 2);
        date1904_ = U16(r.data, 0) == 1;
        data_.date1904 = date1904_;
        return true;
      case kFormat2:
      case kFormat:  // BIFF4: two bytes before the text
        StartSheetFormats();
        early_codes_.push_back(RecordString(r, r.type == kFormat ? 2 : 0, true));
        early_formats_.push_back(IsDateFormatCode(early_codes_.back()));
        return true;
      case kXf2:
      case kXf3:
      case kXf4: {
        StartSheetFormats();
        Need(r, 3);
        const uint8_t format = r.type == kXf2 ? static_cast<uint8_t>(r.data[2]) & 0x3F
                                              : static_cast<uint8_t>(r.data[1]);
        xf_is_date_.push_back(format < early_formats_.size() && early_formats_[format]);
        xf_shown_.push_back(EarlyFormat(format));
        return true;
      }
      default:
        return false;
    }
  }

  void ReadGlobals() {
    std::unordered_map<uint16_t, bool> custom_formats;  // FORMAT index -> is a date (the last)
    while (auto r = Next()) {
      switch (r->type) {
        case kEof:
          FinishFormats(custom_formats);
          return;
        case kFilePass:
          Decrypt(r->data);
          break;
        case kCodePage:
          Need(*r, 2);
          if (U16(r->data, 0) != kCodePageUtf16) codepage_name_ = CodePageName(U16(r->data, 0));
          break;
        case kDateMode:
          Need(*r, 2);
          date1904_ = U16(r->data, 0) == 1;
          data_.date1904 = date1904_;
          break;
        case kWindow1:
          Need(*r, 12);
          active_ = U16(r->data, 10);
          break;
        case kBoundSheet: {
          Need(*r, 7);
          sheet_offsets_.push_back(U32(r->data, 0));
          sheet_types_.push_back(static_cast<uint8_t>(r->data[5]));
          SheetData sheet;
          sheet.name = RecordString(*r, 6, true);
          data_.sheets.push_back(std::move(sheet));
          break;
        }
        case kFormat: {
          Need(*r, 3);
          const std::string code = RecordString(*r, 2, !biff8_);
          custom_formats[U16(r->data, 0)] = IsDateFormatCode(code);
          format_codes_[U16(r->data, 0)] = code;
          break;
        }
        case kXf:
          Need(*r, 4);
          xf_format_.push_back(U16(r->data, 2));
          break;
        case kSst:
          ReadSst(*r);
          break;
        default:
          break;
      }
    }
    Corrupt("工作簿全局数据没有结束记录");
  }

  // Goes on in a decrypted copy of the stream: the records after FILEPASS are encrypted.
  void Decrypt(std::string_view filepass) {
    if (!biff8_) RefuseEncryption(display_name_, "不支持这种早期加密方式");
    if (!decrypted_.empty()) Corrupt("重复的加密记录");
    decrypted_ = DecryptBiffStream(stream_, pos_, filepass, display_name_);
    stream_ = decrypted_;
  }

  void FinishFormats(const std::unordered_map<uint16_t, bool>& custom) {
    xf_is_date_.reserve(xf_format_.size());
    for (uint16_t id : xf_format_) {
      const auto found = custom.find(id);
      xf_is_date_.push_back(found != custom.end() ? found->second : IsBuiltinDateFormat(id));
      const auto code = format_codes_.find(id);
      xf_shown_.push_back(data_.AddFormat(code != format_codes_.end() ? code->second : BuiltinFormatCode(id)));
    }
  }

  void ReadSst(const Record& r) {
    if (!biff8_) return;  // BIFF5 has no shared strings
    Continued c = WithContinues(r);
    c.U32v();  // total references
    const uint32_t unique = c.U32v();
    // The workbook's globals add no other texts, so the shared strings are one run of the
    // text table (a second table goes on from the first).
    if (shared_count_ == 0) shared_first_ = static_cast<uint32_t>(data_.strings.size());
    for (uint32_t i = 0; i < unique && !c.AtEnd(); ++i) {
      const uint16_t cch = c.U16v();
      data_.AddString(c.Biff8Chars(cch));
      ++shared_count_;
    }
    // Some writers count fewer strings than they store; cells may use the rest. What does not
    // read as a whole string past the count is left alone.
    try {
      while (!c.AtEnd()) {
        const uint16_t cch = c.U16v();
        data_.AddString(c.Biff8Chars(cch));
        ++shared_count_;
      }
    } catch (const app::RuntimeError&) {
    }
  }

  // Stores a cell; a later record for the same cell replaces it.
  void Put(SheetData& sheet, uint16_t row, uint16_t col, Cell cell) {
    if (sheet.cells.size() >= kMaxCells) Corrupt("单元格数量过多");
    sheet.cells.Put(CellKey(row, col), cell);
  }

  bool IsDateXf(uint16_t xf) const { return xf < xf_is_date_.size() && xf_is_date_[xf]; }
  uint16_t ShownFormat(uint16_t xf) const { return xf < xf_shown_.size() ? xf_shown_[xf] : 0; }
  uint16_t EarlyFormat(uint8_t format) {
    return format < early_codes_.size() ? data_.AddFormat(early_codes_[format]) : 0;
  }

  // Gives the cell just stored its number format.
  void SetFormat(SheetData& sheet, uint16_t row, uint16_t col, uint16_t format) {
    if (Cell* cell = sheet.cells.Last(CellKey(row, col))) cell->format = format;
  }

  // BIFF2 cells name their XF in their first attribute byte and repeat its number format in
  // the second, which serves when the file has no XF records.
  bool IsDateAttributes(std::string_view d) const {
    const uint8_t xf = static_cast<uint8_t>(d[4]) & 0x3F;
    if (xf < xf_is_date_.size()) return xf_is_date_[xf];
    const uint8_t format = static_cast<uint8_t>(d[5]) & 0x3F;
    return format < early_formats_.size() && early_formats_[format];
  }

  Cell NumberCell(uint16_t xf, double value) const {
    Cell c = NumberCell(IsDateXf(xf), value);
    c.format = ShownFormat(xf);
    return c;
  }

  Cell NumberCell(bool is_date, double value) const {
    Cell c;
    c.number = std::isfinite(value) ? value : 0;
    if (is_date) {
      c.kind = Cell::Kind::kDate;
      if (date1904_) c.number += k1904Offset;
    }
    return c;
  }

  static double RkValue(uint32_t rk) {
    double v;
    if (rk & 0x02) {
      v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
      const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
      std::memcpy(&v, &bits, 8);
    }
    return (rk & 0x01) ? v / 100 : v;
  }

  // The number format a BIFF2 cell's attribute bytes name (through its XF, else directly).
  uint16_t Biff2Format(std::string_view d) {
    const uint8_t xf = static_cast<uint8_t>(d[4]) & 0x3F;
    if (xf < xf_shown_.size()) return xf_shown_[xf];
    return EarlyFormat(static_cast<uint8_t>(d[5]) & 0x3F);
  }

  Cell TextCell(std::string text) {
    Cell c;
    c.kind = Cell::Kind::kText;
    c.text = data_.AddString(std::move(text));
    return c;
  }

  Cell ErrorCell(uint8_t code) {
    const char* text = "#N/A";
    switch (code) {
      case 0x00:
        text = "#NULL!";
        break;
      case 0x07:
        text = "#DIV/0!";
        break;
      case 0x0F:
        text = "#VALUE!";
        break;
      case 0x17:
        text = "#REF!";
        break;
      case 0x1D:
        text = "#NAME?";
        break;
      case 0x24:
        text = "#NUM!";
        break;
      default:
        break;
    }
    Cell c;
    c.kind = Cell::Kind::kError;
    c.text = data_.AddString(text);
    return c;
  }

  void ReadSheet(uint32_t offset, SheetData& sheet) {
    if (offset >= stream_.size()) Corrupt("工作表位置超出数据流");
    pos_ = offset;
    auto bof = Next();
    if (!bof) Corrupt("工作表被截断");
    in_sheets_ = true;
    ReadBof(*bof);
    ReadCells(sheet);
  }

  // The result of a FORMULA record whose cached value starts at `at`: a number, or a marker
  // 0xFFFF in its last two bytes and a type in its first (0 text, 1 boolean, 2 error, 3 empty
  // text). A text result follows in a STRING record; a result of a type we do not know leaves
  // the cell blank unless a STRING record follows.
  void PutFormula(SheetData& sheet, uint16_t row, uint16_t col, std::string_view d, size_t at,
                  bool is_date) {
    if (U16(d, at + 6) != 0xFFFF) {
      Put(sheet, row, col, NumberCell(is_date, F64(d, at)));
      return;
    }
    switch (static_cast<uint8_t>(d[at])) {
      case 1: {
        Cell c;
        c.kind = Cell::Kind::kBool;
        c.number = d[at + 2] != 0 ? 1 : 0;
        Put(sheet, row, col, c);
        break;
      }
      case 2:
        Put(sheet, row, col, ErrorCell(static_cast<uint8_t>(d[at + 2])));
        break;
      case 3:
        Put(sheet, row, col, TextCell(""));
        break;
      default:  // 0: the text follows in a STRING record
        break;
    }
  }

  // The cell records of the sheet whose BOF has been read, up to its EOF.
  void ReadCells(SheetData& sheet) {
    // The cell of the last FORMULA record: a STRING record right after it holds its text.
    std::optional<std::pair<uint16_t, uint16_t>> formula_cell;
    // A FORMULA record whose result is a text still to come: without a STRING record after it,
    // the file holds no result for that cell (its writer did not calculate it).
    std::optional<UncalculatedCell> text_to_come;
    const bool early = version_ <= 4;
    while (auto r = Next()) {
      const std::string_view d = r->data;
      if (text_to_come && r->type != kString && r->type != kShrFmla && r->type != kArray &&
          r->type != kTable && r->type != kContinue) {
        if (sheet.uncalculated.size() >= kMaxCells) Corrupt("单元格数量过多");
        sheet.uncalculated.push_back(*text_to_come);
        text_to_come.reset();
      }
      if (early && ReadEarlySetting(*r)) continue;
      if (version_ == 2) {
        if (ReadBiff2Cell(*r, sheet, formula_cell)) continue;
      }
      switch (r->type) {
        case kEof:
          sheet.cells.Seal();
          return;
        case kBof:
        case kBof3:
        case kBof4:
          // An embedded chart's substream: skip to its end.
          SkipSubstream();
          continue;
        case kNumber:
          Need(*r, 14);
          Put(sheet, U16(d, 0), U16(d, 2), NumberCell(U16(d, 4), F64(d, 6)));
          break;
        case kRk:
          Need(*r, 10);
          Put(sheet, U16(d, 0), U16(d, 2), NumberCell(U16(d, 4), RkValue(U32(d, 6))));
          break;
        case kMulRk: {
          Need(*r, 6);
          const uint16_t row = U16(d, 0);
          const uint16_t first = U16(d, 2);
          const size_t n = (d.size() - 6) / 6;
          for (size_t i = 0; i < n; ++i) {
            const size_t at = 4 + 6 * i;
            Put(sheet, row, static_cast<uint16_t>(first + i),
                NumberCell(U16(d, at), RkValue(U32(d, at + 2))));
          }
          break;
        }
        case kLabelSst: {
          Need(*r, 10);
          const uint32_t index = U32(d, 6);
          if (index >= shared_count_) Corrupt("共享字符串编号无效");
          Cell c;
          c.kind = Cell::Kind::kText;
          c.text = shared_first_ + index;
          c.format = ShownFormat(U16(d, 4));
          Put(sheet, U16(d, 0), U16(d, 2), c);
          break;
        }
        case kLabel:
        case kRString:
          Need(*r, 6);
          Put(sheet, U16(d, 0), U16(d, 2), TextCell(RecordString(*r, 6, false)));
          break;
        case kBoolErr:
          Need(*r, 8);
          PutBoolErr(sheet, U16(d, 0), U16(d, 2), d[6], d[7]);
          break;
        case kFormula:
        case kFormula3:
        case kFormula4:
          // Some writers use another version's record number; from Excel 3.0 on the layout is
          // the same. (Excel 2.x formulas are read above.)
          Need(*r, 14);
          formula_cell.emplace(U16(d, 0), U16(d, 2));
          PutFormula(sheet, U16(d, 0), U16(d, 2), d, 6, IsDateXf(U16(d, 4)));
          SetFormat(sheet, U16(d, 0), U16(d, 2), ShownFormat(U16(d, 4)));
          if (U16(d, 12) == 0xFFFF && d[6] == 0) {
            text_to_come = UncalculatedCell{CellKey(U16(d, 0), U16(d, 2)), ShownFormat(U16(d, 4))};
          }
          break;
        case kString: {
          text_to_come.reset();
          if (!formula_cell) break;
          std::string text;
          if (biff8_) {
            Continued c = WithContinues(*r);
            const uint16_t cch = c.U16v();
            text = c.Biff8Chars(cch);
          } else {
            text = RecordString(*r, 0, false);
          }
          Put(sheet, formula_cell->first, formula_cell->second, TextCell(std::move(text)));
          formula_cell.reset();
          break;
        }
        default:
          break;
      }
    }
    Corrupt("工作表没有结束记录");
  }

  void PutBoolErr(SheetData& sheet, uint16_t row, uint16_t col, char value, char is_error) {
    if (is_error != 0) {
      Put(sheet, row, col, ErrorCell(static_cast<uint8_t>(value)));
      return;
    }
    Cell c;
    c.kind = Cell::Kind::kBool;
    c.number = value != 0 ? 1 : 0;
    Put(sheet, row, col, c);
  }

  // The cell records of Excel 2.x, whose three attribute bytes take the place of the XF index.
  // False for any other record.
  bool ReadBiff2Cell(const Record& r, SheetData& sheet,
                     std::optional<std::pair<uint16_t, uint16_t>>& formula_cell) {
    const std::string_view d = r.data;
    switch (r.type) {
      case kBlank2:
        return true;
      case kInteger2:
        Need(r, 9);
        Put(sheet, U16(d, 0), U16(d, 2), NumberCell(IsDateAttributes(d), U16(d, 7)));
        SetFormat(sheet, U16(d, 0), U16(d, 2), Biff2Format(d));
        return true;
      case kNumber2:
        Need(r, 15);
        Put(sheet, U16(d, 0), U16(d, 2), NumberCell(IsDateAttributes(d), F64(d, 7)));
        SetFormat(sheet, U16(d, 0), U16(d, 2), Biff2Format(d));
        return true;
      case kLabel2:
        Need(r, 8);
        Put(sheet, U16(d, 0), U16(d, 2), TextCell(RecordString(r, 7, true)));
        return true;
      case kBoolErr2:
        Need(r, 9);
        PutBoolErr(sheet, U16(d, 0), U16(d, 2), d[7], d[8]);
        return true;
      case kFormula2:
        Need(r, 15);
        formula_cell.emplace(U16(d, 0), U16(d, 2));
        PutFormula(sheet, U16(d, 0), U16(d, 2), d, 7, IsDateAttributes(d));
        return true;
      case kString2:
        if (formula_cell) {
          Put(sheet, formula_cell->first, formula_cell->second,
              TextCell(RecordString(r, 0, true)));
          formula_cell.reset();
        }
        return true;
      default:
        return false;
    }
  }

  std::string_view stream_;
  std::string decrypted_;  // the stream decrypted, once a FILEPASS record has been read
  const std::string& display_name_;
  size_t pos_ = 0;
  bool biff8_ = true;
  bool date1904_ = false;
  size_t active_ = 0;
  std::string codepage_name_ = "CP1252";
  int version_ = 8;  // 2, 3, 4, 5 (BIFF5/7) or 8
  bool in_sheets_ = false;  // past the workbook globals
  std::vector<uint32_t> sheet_offsets_;
  std::vector<uint8_t> sheet_types_;  // BOUNDSHEET: 0 worksheet, 1 macro, 2 chart, 6 module
  std::vector<uint16_t> xf_format_;
  std::vector<bool> xf_is_date_;
  std::vector<uint16_t> xf_shown_;  // XF -> index into data_.formats
  std::unordered_map<uint16_t, std::string> format_codes_;  // FORMAT index -> code
  std::vector<std::string> early_codes_;  // Excel 2.x-4.x: FORMAT codes in order
  std::vector<bool> early_formats_;  // Excel 2.x-4.x: FORMAT records in order, is a date
  bool sheet_formats_replace_ = false;
  uint32_t shared_first_ = 0;  // the data_.strings index of shared string 0
  uint32_t shared_count_ = 0;
  WorkbookData data_;
};

}  // namespace

WorkbookData ReadXls(std::string_view stream, const std::string& display_name) {
  return XlsReader(stream, display_name).Read();
}

}  // namespace vexlo::engine::sheet
