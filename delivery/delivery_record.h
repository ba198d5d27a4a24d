// The delivery record "送达记录.csv" in the output folder: one line per message the server
// accepted (record, address, file, time, the server's answer, the message id, the record's
// content key), UTF-8 with a byte order mark so that spreadsheet programs read the Chinese right.
// Each line is appended with one write and flushed to disk before the next message starts, so a
// run that is killed loses at most the line of a message in flight; a last line cut short is
// ignored when read and removed before the next line is written. A re-run reads it to send only what is not yet recorded. One thread.
#ifndef VEXLO_DELIVERY_DELIVERY_RECORD_H_
#define VEXLO_DELIVERY_DELIVERY_RECORD_H_

#include <set>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::delivery {

inline constexpr const char* kDeliveryRecordName = "送达记录.csv";

struct DeliveryEntry {
  std::string record;      // the record's name (first column)
  std::string address;
  std::string file;        // the attached file's name
  std::string time;        // local time "2026-11-30 14:05:09"
  std::string answer;      // the server's reply to the message
  std::string message_id;
  std::string content;     // the record's content key: same data, same key
};

// The fields of one CSV line (quoted where they hold a comma, quote or line break).
std::string CsvLine(const std::vector<std::string>& fields);
// The lines of a CSV text (quoted fields may hold line breaks); a last line without its line
// break is left out: it was cut short. `complete` gets the length of the whole lines.
std::vector<std::vector<std::string>> ParseCsvLines(const std::string& text,
                                                  std::size_t* complete = nullptr);

class DeliveryRecord {
 public:
  // Reads the record at `path` if there is one. Returns what stops it being used (a folder in
  // its place, unreadable), for the user; nullopt when it can be used.
  std::optional<std::string> Open(const std::string& path);

  // True when a message with this address, file and content key is recorded as sent.
  bool Sent(const std::string& address, const std::string& file, const std::string& content) const;

  // Appends `entry` and flushes it to disk; returns what went wrong (for the user), nullopt when
  // it is written.
  std::optional<std::string> Append(const DeliveryEntry& entry);

  const std::string& path() const { return path_; }

 private:
  static std::string Key(const std::string& address, const std::string& file,
                         const std::string& content);

  std::string path_;
  std::set<std::string> sent_;
  bool ends_cut_ = false;         // the file's last line was cut short: it goes before the next
  std::size_t complete_size_ = 0;  // the length of the file's whole lines
};

// The local time as the record writes it.
std::string RecordTime();

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_DELIVERY_RECORD_H_
