// The error numbers written as "1.代号" in AppError.txt. One number per family of run-time error;
// the text of the error says what exactly went wrong.
#ifndef VEXLO_APP_ERROR_NUMBERS_H_
#define VEXLO_APP_ERROR_NUMBERS_H_

#include <cstdint>

namespace vexlo::app {

enum ErrorNumber : int16_t {
  kErrOther = 1,           // any other failure, including unexpected C++ exceptions
  kErrNullObject = 2,      // reference through an object that does not exist
  kErrDivideByZero = 3,    // division by zero (bit positions, round degree)
  kErrArrayBounds = 4,     // index or counter out of its range
  kErrAutomation = 5,      // automation call refused: unknown member, bad arguments, no connection
  kErrFileAccess = 6,      // a file cannot be found, opened, read or written
  kErrFileFormat = 7,      // a file is corrupt, encrypted, truncated or hostile
  kErrOutput = 8,          // saving, PDF export or printing failed
};

}  // namespace vexlo::app

#endif  // VEXLO_APP_ERROR_NUMBERS_H_
