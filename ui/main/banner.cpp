#include "ui/main/banner.h"

namespace vexlo::ui {

std::string BannerText([[maybe_unused]] const DesktopFacts& facts) {
#ifdef _WIN32
  return "重要提示：Windows10请以管理员身份运行程序";
#else
  if (!facts.office_found) return "提示：未找到LibreOffice，PDF和打印不可用";
  if (!facts.printer_found) return "提示：未找到打印机，输出后无法打印";
  return "提示：开始前请关闭要用到的模板和数据文件";
#endif
}

}  // namespace vexlo::ui
