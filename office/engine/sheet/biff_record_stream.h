// BiffRecordStream: the records of a binary Excel workbook stream read one after another, with
// the CONTINUE records that carry on a record's body and the strings in them (BIFF8's UTF-16 or
// one-byte characters across pieces, BIFF2-7's 8-bit text in the workbook's code page). Once a
// FILEPASS record has been read, reading goes on in a decrypted copy of the stream. Raises
// app::RuntimeError::Format naming the file on anything cut short or out of place.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_BIFF_RECORD_STREAM_H_
#define VEXLO_OFFICE_ENGINE_SHEET_BIFF_RECORD_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine::sheet {

struct BiffRecord {
  std::uint16_t type = 0;
  std::string_view data;  // the body, valid as long as the stream
};

class BiffRecordStream;

// A record's body followed by those of its CONTINUE records, read as one sequence of bytes. A
// string whose characters cross into the next piece starts that piece with a new option byte.
class BiffContinued {
 public:
  BiffContinued(const BiffRecordStream& owner, std::string_view first);
  void Add(std::string_view piece);
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  void Skip(std::uint64_t n);
  // A BIFF8 string whose character count `cch` has been read already, as UTF-8.
  std::string Biff8Chars(std::uint16_t cch);

 private:
  void Check(std::uint64_t n) const;
  bool AtPieceStart();
  std::size_t PieceEnd();

  const BiffRecordStream& owner_;
  std::string bytes_;
  std::vector<std::size_t> ends_;
  std::size_t piece_ = 0;  // index into ends_ of the piece that holds pos_
  std::size_t pos_ = 0;
};

class BiffRecordStream {
 public:
  // `display_name` names the file in errors; both must outlive the reader.
  BiffRecordStream(std::string_view stream, const std::string& display_name)
      : stream_(stream), display_name_(display_name) {}

  // The record at the current position (moving past it), or nullopt at the end of the stream.
  std::optional<BiffRecord> Next();
  // The type of the record at the current position, without moving.
  std::optional<std::uint16_t> PeekType() const;
  std::size_t position() const { return pos_; }
  // Moves to `at`, which must lie inside the stream.
  void Seek(std::size_t at);
  // Skips the records of a substream whose BOF has just been read, embedded ones included.
  void SkipSubstream();
  static bool IsBof(std::uint16_t type);

  // Refuses a record whose body is shorter than `size`.
  void Need(const BiffRecord& r, std::size_t size) const;
  [[noreturn]] void Corrupt(std::string_view what) const;
  const std::string& display_name() const { return display_name_; }

  // BIFF8 strings are UTF-16 or one byte per character and may go on in CONTINUE records; earlier
  // versions' strings are 8-bit text in the code page of a CODEPAGE record.
  void set_biff8(bool biff8) { biff8_ = biff8; }
  bool biff8() const { return biff8_; }
  void SetCodePage(std::uint16_t codepage);

  // The record just read with its CONTINUE records.
  BiffContinued WithContinues(const BiffRecord& r);
  // A string with a 16-bit (or 8-bit) length at `at` of the record just read.
  std::string RecordString(const BiffRecord& r, std::size_t at, bool short_length);

  // Goes on in a decrypted copy of the stream: the records after FILEPASS (whose body is
  // `filepass`) are encrypted.
  void Decrypt(std::string_view filepass);

 private:
  std::string Narrow(std::string_view bytes) const;

  std::string_view stream_;
  std::string decrypted_;  // the stream decrypted, once a FILEPASS record has been read
  const std::string& display_name_;
  std::size_t pos_ = 0;
  bool biff8_ = true;
  std::string codepage_name_ = "CP1252";
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_BIFF_RECORD_STREAM_H_
