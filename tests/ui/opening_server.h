// A small stand-in for the spreadsheet and word-processor servers: an application object with
// "application", "visible" and a collection ("documents" or "workbooks") whose "open" records the
// path. Registered under the real ProgIDs for one test and removed afterwards; can be made to
// refuse to start, or to start only a number of times.
#ifndef VEXLO_TESTS_UI_FAKE_OFFICE_H_
#define VEXLO_TESTS_UI_FAKE_OFFICE_H_

#include <string>
#include <vector>

namespace vexlo::test {

struct FakeServerLog {
  int started = 0;
  int released = 0;
  std::vector<std::string> opened;  // paths passed to open
  bool visible = false;
  bool fail_open = false;           // open raises an automation error
};

class FakeOffice {
 public:
  // `starts_allowed`: how many instances may start (-1: any number, 0: none).
  FakeOffice(std::string progid, std::string collection, int starts_allowed = -1);
  ~FakeOffice();
  FakeOffice(const FakeOffice&) = delete;
  FakeOffice& operator=(const FakeOffice&) = delete;

  FakeServerLog log;

 private:
  std::string progid_;
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_UI_FAKE_OFFICE_H_
