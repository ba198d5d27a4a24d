// RecordingOffice: small stand-ins for "excel.application" and "word.application" that record
// every call the merge job makes (used by the merge's and vexlo-merge's tests), so tests can check the exact order of calls, arguments, visibility and quits.
// The spreadsheet serves cells from a map; the word processor keeps each document as plain text,
// pastes the template file's text and replaces whole words, and writes files on save and export.
#ifndef VEXLO_TESTS_SUPPORT_RECORDING_OFFICE_H_
#define VEXLO_TESTS_SUPPORT_RECORDING_OFFICE_H_

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vexlo::test {

struct RecordingOffice {
  RecordingOffice();   // registers both servers
  ~RecordingOffice();  // unregisters them

  // What happened: "excel open PATH", "word2 saveas PATH", "word1 quit", "excel released", ...
  std::vector<std::string> log;
  std::map<std::string, std::string> cells;  // "a1" -> text; missing = empty
  std::map<std::string, std::string> shown;  // "a2" -> the text the cell shows, when not its value
  std::string word_version = "16.0";
  int word_starts_allowed = 100;   // start_new of word fails once this many were started
  bool excel_can_start = true;
  std::set<std::string> failing_members;  // a call of one of these raises an automation error
  bool pdfs_written_at_once = true;  // false: exports stay queued (no PDF until the end)
  std::string clipboard;
  int word_instances = 0;
  int running = 0;  // instances started and not yet quit

  // Log lines that start with `prefix`.
  std::vector<std::string> Lines(const std::string& prefix) const;
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_SUPPORT_RECORDING_OFFICE_H_
