// What protected workbooks share: the password spreadsheet programs use when a file is only
// protected against changes (it opens without asking), and the refusal of a file that needs a
// password of its own.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_PROTECTION_H_
#define VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_PROTECTION_H_

#include <string>
#include <string_view>

#include "app/runtime_error.h"

namespace vexlo::engine::sheet {

inline constexpr std::u16string_view kDefaultPassword = u"VelvetSweatshop";

[[noreturn]] inline void RefusePasswordProtected(const std::string& display_name) {
  throw app::RuntimeError::Format(display_name,
                                  "受密码保护，需要密码才能打开，无法读取（请先在Excel中取消打开密码）");
}

// A protected file whose encryption data cannot be made out, or whose method we do not know.
[[noreturn]] inline void RefuseEncryption(const std::string& display_name, std::string_view what) {
  throw app::RuntimeError::Format(display_name,
                                  "受密码保护，无法读取：" + std::string(what));
}

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_PROTECTION_H_
