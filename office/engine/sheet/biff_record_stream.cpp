#include "office/engine/sheet/biff_record_stream.h"

#include <algorithm>

#include "app/codepage.h"
#include "app/runtime_error.h"
#include "office/engine/package/little_endian.h"
#include "office/engine/sheet/biff_decryption.h"
#include "office/engine/sheet/biff_records.h"
#include "office/engine/sheet/utf8.h"
#include "office/engine/sheet/workbook_protection.h"

namespace vexlo::engine::sheet {
namespace {

// Characters of a BIFF8 string: one byte each (the low half of UTF-16) or UTF-16LE. A high
// surrogate at the end of a piece waits in `pending_high` for its low half in the next.
void AppendChars(std::string& out, std::string_view bytes, bool wide, uint16_t& pending_high) {
  if (!wide) {
    for (char c : bytes) AppendUtf8(out, static_cast<uint8_t>(c));
    return;
  }
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint16_t u = ReadLe16(bytes, i);
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

}  // namespace

BiffContinued::BiffContinued(const BiffRecordStream& owner, std::string_view first) : owner_(owner) {
  Add(first);
}

void BiffContinued::Add(std::string_view piece) {
  bytes_.append(piece);
  ends_.push_back(bytes_.size());
}

uint8_t BiffContinued::U8() {
  Check(1);
  return static_cast<uint8_t>(bytes_[pos_++]);
}

uint16_t BiffContinued::U16() {
  Check(2);
  pos_ += 2;
  return ReadLe16(bytes_, pos_ - 2);
}

uint32_t BiffContinued::U32() {
  Check(4);
  pos_ += 4;
  return ReadLe32(bytes_, pos_ - 4);
}

void BiffContinued::Skip(uint64_t n) {
  Check(n);
  pos_ += static_cast<size_t>(n);
}

std::string BiffContinued::Biff8Chars(uint16_t cch) {
  if (cch == 0 && AtEnd()) return "";  // some writers leave out the option byte
  const uint8_t flags = U8();
  bool wide = flags & biff::string8::kWide;
  const uint16_t runs = (flags & biff::string8::kRich) ? U16() : 0;
  const uint32_t ext = (flags & biff::string8::kPhonetic) ? U32() : 0;
  std::string out;
  uint16_t pending = 0;
  size_t left = cch;
  while (left > 0) {
    // Characters that go on in the next piece start there with an option byte of their own,
    // even when the piece before holds none of them.
    if (AtPieceStart()) wide = U8() & biff::string8::kWide;
    const size_t end = PieceEnd();
    const size_t unit = wide ? 2 : 1;
    const size_t fit = std::min(left, (end - pos_) / unit);
    if (fit == 0) owner_.Corrupt("字符串被截断");
    AppendChars(out, std::string_view(bytes_).substr(pos_, fit * unit), wide, pending);
    pos_ += fit * unit;
    left -= fit;
  }
  if (pending) AppendUtf8(out, 0xFFFD);
  Skip(uint64_t{biff::string8::kRunSize} * runs);
  Skip(ext);
  return out;
}

void BiffContinued::Check(uint64_t n) const {
  if (n > bytes_.size() - pos_) owner_.Corrupt("字符串表被截断");
}

// Whether pos_ is where a piece other than the first begins.
bool BiffContinued::AtPieceStart() {
  while (piece_ < ends_.size() && ends_[piece_] < pos_) ++piece_;
  return piece_ + 1 < ends_.size() && ends_[piece_] == pos_;
}

// The end of the piece that holds pos_. pos_ only grows, so the search resumes where the last one
// stopped: a table cut into millions of pieces is still read in linear time.
size_t BiffContinued::PieceEnd() {
  while (piece_ < ends_.size() && ends_[piece_] <= pos_) ++piece_;
  return piece_ < ends_.size() ? ends_[piece_] : bytes_.size();
}

void BiffRecordStream::Corrupt(std::string_view what) const {
  throw app::RuntimeError::Format(display_name_, "不是有效的Excel工作簿或已损坏：" + std::string(what));
}

std::optional<BiffRecord> BiffRecordStream::Next() {
  if (pos_ >= stream_.size()) return std::nullopt;
  if (pos_ + biff::kHeaderSize > stream_.size()) Corrupt("记录被截断");
  BiffRecord r;
  r.type = ReadLe16(stream_, pos_ + biff::kTypeAt);
  const uint16_t len = ReadLe16(stream_, pos_ + biff::kSizeAt);
  if (pos_ + biff::kHeaderSize + len > stream_.size()) Corrupt("记录长度超出数据流");
  r.data = stream_.substr(pos_ + biff::kHeaderSize, len);
  pos_ += biff::kHeaderSize + len;
  return r;
}

std::optional<uint16_t> BiffRecordStream::PeekType() const {
  if (pos_ + biff::kHeaderSize > stream_.size()) return std::nullopt;
  return ReadLe16(stream_, pos_ + biff::kTypeAt);
}

void BiffRecordStream::Seek(size_t at) {
  if (at >= stream_.size()) Corrupt("工作表位置超出数据流");
  pos_ = at;
}

void BiffRecordStream::SkipSubstream() {
  int depth = 1;
  while (auto r = Next()) {
    if (IsBof(r->type)) ++depth;
    if (r->type == biff::kEof && --depth == 0) return;
  }
  Corrupt("工作表没有结束记录");
}

bool BiffRecordStream::IsBof(uint16_t type) {
  return type == biff::kBof || type == biff::kBof2 || type == biff::kBof3 || type == biff::kBof4;
}

void BiffRecordStream::Need(const BiffRecord& r, size_t size) const {
  if (r.data.size() < size) Corrupt("记录过短");
}

void BiffRecordStream::SetCodePage(uint16_t codepage) {
  if (codepage != biff::codepage::kUtf16) codepage_name_ = CodePageName(codepage);
}

BiffContinued BiffRecordStream::WithContinues(const BiffRecord& r) {
  BiffContinued c(*this, r.data);
  while (PeekType() == biff::kContinue) c.Add(Next()->data);
  return c;
}

// An 8-bit string in the workbook's code page (BIFF5/7).
std::string BiffRecordStream::Narrow(std::string_view bytes) const {
  bool ascii = true;
  for (char c : bytes) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) return std::string(bytes);
  std::string out;
  if (!app::ToUtf8(codepage_name_, bytes, out)) app::ToUtf8("CP1252", bytes, out);
  return out;
}

// In BIFF8 the string's characters may go on in the CONTINUE records that follow.
std::string BiffRecordStream::RecordString(const BiffRecord& r, size_t at, bool short_length) {
  const size_t len_size = short_length ? 1 : 2;
  Need(r, at + len_size);
  const uint16_t cch = short_length ? static_cast<uint8_t>(r.data[at]) : ReadLe16(r.data, at);
  if (!biff8_) {
    Need(r, at + len_size + cch);
    return Narrow(r.data.substr(at + len_size, cch));
  }
  if (PeekType() != biff::kContinue) {
    BiffContinued c(*this, r.data.substr(at + len_size));
    return c.Biff8Chars(cch);
  }
  BiffContinued c = WithContinues(r);
  c.Skip(at + len_size);
  return c.Biff8Chars(cch);
}

void BiffRecordStream::Decrypt(std::string_view filepass) {
  if (!biff8_) RefuseEncryption(display_name_, "不支持这种早期加密方式");
  if (!decrypted_.empty()) Corrupt("重复的加密记录");
  decrypted_ = DecryptBiffStream(stream_, pos_, filepass, display_name_);
  stream_ = decrypted_;
}

}  // namespace vexlo::engine::sheet
