// The local date and time. Whoever stamps names or log entries is given a Clock, so that tests
// can fix the time.
#ifndef VEXLO_APP_CLOCK_H_
#define VEXLO_APP_CLOCK_H_

#include <functional>
#include <string>

namespace vexlo::app {

struct LocalTime {
  int year = 0, month = 0, day = 0;      // 1-based month and day
  int hour = 0, minute = 0, second = 0;  // 24-hour clock
};

using Clock = std::function<LocalTime()>;

// The system's local time: the clock of the programs.
LocalTime SystemTime();

// "yyyymmddhhmmss", the stamp of fallback file names.
std::string Stamp14(const LocalTime& t);

}  // namespace vexlo::app

#endif  // VEXLO_APP_CLOCK_H_
