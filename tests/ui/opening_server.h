// OpeningServer: one automation server that only starts, shows and opens files, for the window's
// commands that open a file in the office and for counting the servers started. Its application
// object has "application", "visible" and a collection ("documents" or "workbooks") whose "open"
// records the path. Registered under a real ProgID for one test and removed afterwards; can be
// made to refuse to start, to start only a number of times, or to fail to open. (The merge's
// tests, which need both servers recording every call, use tests/support/recording_office.h.)
#ifndef VEXLO_TESTS_UI_OPENING_SERVER_H_
#define VEXLO_TESTS_UI_OPENING_SERVER_H_

#include <string>
#include <vector>

namespace vexlo::test {

struct OpeningServerLog {
  int started = 0;
  int released = 0;
  std::vector<std::string> opened;  // paths passed to open
  bool visible = false;
  bool fail_open = false;           // open raises an automation error
};

class OpeningServer {
 public:
  // `starts_allowed`: how many instances may start (-1: any number, 0: none).
  OpeningServer(std::string progid, std::string collection, int starts_allowed = -1);
  ~OpeningServer();
  OpeningServer(const OpeningServer&) = delete;
  OpeningServer& operator=(const OpeningServer&) = delete;

  OpeningServerLog log;

 private:
  std::string progid_;
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_UI_OPENING_SERVER_H_
