#include "ui/main/presence_check.h"

#include <string>

#include "app/host.h"

namespace vexlo::ui {
namespace {

struct Step {
  const char* progid;
  const char* before_code;
  const char* after_code;
};

constexpr Step kSteps[] = {
    {"excel.application", "连接到EXCEL失败！错误码：",
     "请确认您的系统是否已经安装Office Excel程序，Windows10系统请以管理员身份运行程序。"},
    {"word.application", "连接到Word失败！错误码：",
     "请确认您的系统是否已经安装Office Word程序，Windows10系统请以管理员身份运行程序。"},
    {"word.application", "连接到Word失败！错误码：", "请确认您的系统是否已经安装Office Word程序。"},
};

// One step: a running server is kept; otherwise a new one is started to prove it can be, and
// let go at once.
bool CheckStep(app::Host& host, std::unique_ptr<office::oleobject>& handle, const Step& step) {
  handle = std::make_unique<office::oleobject>();
  if (handle->attach(step.progid) == office::kConnectOk) return true;
  const int32_t code = handle->start_new(step.progid);
  if (code < 0) {
    host.MessageBox("错误提示", std::string(step.before_code) + std::to_string(code) +
                                          step.after_code);
    return false;
  }
  handle->release();
  return true;
}

}  // namespace

bool OfficePresenceCheck(app::Host& host, std::unique_ptr<office::oleobject>& excelserver,
                         std::unique_ptr<office::oleobject>& wordserver,
                         std::unique_ptr<office::oleobject>& wordserver2) {
  return CheckStep(host, excelserver, kSteps[0]) && CheckStep(host, wordserver, kSteps[1]) &&
         CheckStep(host, wordserver2, kSteps[2]);
}

}  // namespace vexlo::ui
