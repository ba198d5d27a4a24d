#include "office/engine/output/cups_printer.h"

#include <cups/cups.h>

#include <memory>

#include "app/runtime_error.h"

namespace vexlo::engine {
namespace {

struct DestDeleter {
  void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestDeleter>;

DestPtr DefaultDest() { return DestPtr(cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)); }

constexpr const char* kNoPrinter =
    "无法打印：没有可用的打印机（未设置默认打印机，或打印服务 CUPS 没有运行）";

}  // namespace

std::string DefaultPrinter() {
  DestPtr dest = DefaultDest();
  return dest ? std::string(dest->name) : std::string();
}

void RequirePrinter() {
  if (!DefaultDest()) throw app::RuntimeError::Output(kNoPrinter);
}

int PrintPdf(const std::string& pdf, int copies, const std::string& title) {
  DestPtr dest = DefaultDest();
  if (!dest) throw app::RuntimeError::Output(kNoPrinter);
  cups_option_t* options = nullptr;
  const int count =
      cupsAddOption("copies", std::to_string(copies < 1 ? 1 : copies).c_str(), 0, &options);
  const int job = cupsPrintFile(dest->name, pdf.c_str(), title.c_str(), count, options);
  cupsFreeOptions(count, options);
  if (job <= 0) {
    throw app::RuntimeError::Output("无法打印“" + title + "”：" + cupsLastErrorString());
  }
  return job;
}

}  // namespace vexlo::engine
