// oleobject: an automation handle, the one way in which vexlo reaches a word processor or a
// spreadsheet. A handle is unconnected or connected to one server instance; it is connected with
// attach (a running instance) or start_new (a new one) and dropped with release or destruction.
// Members are reached by name (case-insensitive): get, set, call, and the values returned can be
// used the same way (excelserver.get("application").get("workbooks").call("open", {path})).
// Every failed access raises the automation run-time error. Not copyable. UI thread only.
#ifndef VEXLO_OFFICE_OLEOBJECT_H_
#define VEXLO_OFFICE_OLEOBJECT_H_

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "office/value.h"

namespace vexlo::office {

// Results of attach and start_new.
enum ConnectResult : int32_t {
  kConnectOk = 0,
  kConnectInvalidCall = -1,       // empty ProgID
  kConnectClassNotFound = -2,     // no server registered under that ProgID
  kConnectCannotCreate = -3,      // the server failed to start
  kConnectNotRunning = -5,        // attach: no running instance of that ProgID
};

class oleobject {
 public:
  oleobject();
  ~oleobject();  // releases the connection
  oleobject(const oleobject&) = delete;
  oleobject& operator=(const oleobject&) = delete;

  // Connects to a running instance of `progid` that another handle holds (the most recently
  // started one). Returns kConnectOk or a negative ConnectResult. Drops an earlier connection.
  int32_t attach(std::string_view progid);
  // Starts a new instance of `progid` and connects to it. Same results.
  int32_t start_new(std::string_view progid);
  // Drops the connection. When it was the instance's last handle, the instance is dropped too.
  // Does nothing on an unconnected handle.
  void release();

  bool connected() const;

  Value get(std::string_view member) const;
  void set(std::string_view member, const Value& value) const;
  Value call(std::string_view member, std::initializer_list<Value> args = {}) const;

 // Shared by the handles of one instance (defined in oleobject.cpp).
  struct Connection;

 private:
  Value Root(std::string_view member, std::string_view how) const;

  std::shared_ptr<Connection> connection_;
};

}  // namespace vexlo::office

#endif  // VEXLO_OFFICE_OLEOBJECT_H_
