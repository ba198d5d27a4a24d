// The local date and time, read in one place so that tests can fix it.
#ifndef VEXLO_APP_CLOCK_H_
#define VEXLO_APP_CLOCK_H_

#include <functional>
#include <string>

namespace vexlo::app {

struct LocalTime {
  int year = 0, month = 0, day = 0;      // 1-based month and day
  int hour = 0, minute = 0, second = 0;  // 24-hour clock
};

LocalTime Now();

// "yyyymmddhhmmss", the stamp of fallback file names.
std::string Stamp14(const LocalTime& t);

// Replaces the clock until called again with an empty function. For tests.
void SetClockForTest(std::function<LocalTime()> clock);

}  // namespace vexlo::app

#endif  // VEXLO_APP_CLOCK_H_
