#include "office/engine/sheet/spreadsheet_server.h"

#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/sheet/workbook_loader.h"

namespace vexlo::engine {

namespace sheet {
namespace {

using app::RuntimeError;
using office::Args;
using office::Value;

// The version string of the application we stand in for.
constexpr char kVersion[] = "16.0";
// Workbooks.Open takes up to 15 positional arguments; only the file name is used.
constexpr int kOpenMaxArgs = 15;

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

Workbooks::Workbooks(std::shared_ptr<SpreadsheetState> state)
    : AutomationObject("Workbooks"), state_(std::move(state)) {
  AddMethod("open", 1, kOpenMaxArgs, [this](const Args& a) { return Open(a.Text(0)); });
  AddProperty("count", [this] { return Value(static_cast<int32_t>(state_->workbooks.size())); });
  AddMethod("item", 1, 1, [this](const Args& a) {
    const int32_t index = a.Long(0);
    if (index < 1 || static_cast<size_t>(index) > state_->workbooks.size()) {
      throw RuntimeError::Automation("自动化调用失败：“Workbooks”中没有第 " +
                                     std::to_string(index) + " 个工作簿");
    }
    return Value(std::static_pointer_cast<office::Dispatch>(state_->workbooks[index - 1]));
  });
}

Value Workbooks::Open(const std::string& path) {
  if (path.empty()) throw RuntimeError::File(path, "不存在（文件名为空）");
  const std::string full = FullPath(path);
  auto& books = state_->workbooks;
  // Opening a workbook that is already open activates it again.
  for (size_t i = 0; i < books.size(); ++i) {
    if (books[i]->book()->path == full) {
      auto again = books[i];
      books.erase(books.begin() + static_cast<std::ptrdiff_t>(i));
      books.push_back(again);
      return Value(std::static_pointer_cast<office::Dispatch>(again));
    }
  }
  auto book = std::make_shared<OpenWorkbook>();
  book->pool = state_->services.pool;
  book->path = full;
  book->data = LoadWorkbookFile(path);
  std::weak_ptr<SpreadsheetState> weak_state = state_;
  const OpenWorkbook* key = book.get();
  auto workbook = std::make_shared<Workbook>(std::move(book), [weak_state, key] {
    if (auto state = weak_state.lock()) {
      std::erase_if(state->workbooks, [key](const auto& w) { return w->book().get() == key; });
    }
  });
  books.push_back(workbook);
  return Value(std::static_pointer_cast<office::Dispatch>(workbook));
}

Application::Application(std::shared_ptr<SpreadsheetState> state)
    : AutomationObject("Application"),
      state_(std::move(state)),
      workbooks_(std::make_shared<Workbooks>(state_)) {
  AddProperty("application",
              [this] { return Value(std::shared_ptr<Dispatch>(shared_from_this())); });
  AddProperty("workbooks",
              [this] { return Value(std::static_pointer_cast<Dispatch>(workbooks_)); });
  AddProperty("activeworkbook", [this] {
    if (state_->workbooks.empty()) return Value();
    return Value(std::static_pointer_cast<Dispatch>(state_->workbooks.back()));
  });
  // No workbook open: nothing is active, and the caller's next access hits a null object.
  AddProperty("activesheet", [this] {
    if (state_->workbooks.empty()) return Value();
    return state_->workbooks.back()->ActiveSheet();
  });
  AddProperty(
      "visible", [this] { return Value(state_->visible); },
      [this](const Value& v) { state_->visible = office::ArgBool(v, "visible", 1); });
  AddProperty("version", [] { return Value(kVersion); });
  AddMethod("quit", 0, 0, [this](const Args&) {
    state_->quit = true;
    state_->workbooks.clear();
    return Value();
  });
}

void Application::CheckRunning(std::string_view member) const {
  if (state_->quit) {
    throw RuntimeError::Automation("自动化调用失败：Excel 已经退出，不能再访问“" +
                                   std::string(member) + "”");
  }
}

Value Application::Get(std::string_view member) {
  CheckRunning(member);
  return AutomationObject::Get(member);
}

void Application::Set(std::string_view member, const Value& value) {
  CheckRunning(member);
  AutomationObject::Set(member, value);
}

Value Application::Call(std::string_view member, std::span<const Value> args) {
  CheckRunning(member);
  return AutomationObject::Call(member, args);
}

SpreadsheetInstance::SpreadsheetInstance(SheetServices services)
    : state_(std::make_shared<SpreadsheetState>()) {
  state_->services = std::move(services);
  application_ = std::make_shared<Application>(state_);
}

void SpreadsheetInstance::LastHandleReleased() {
  if (state_->quit || !state_->visible) return;
  if (!state_->services.handoff) return;
  for (const auto& workbook : state_->workbooks) state_->services.handoff(workbook->book()->path);
}

}  // namespace sheet

void RegisterSpreadsheetServer(sheet::SheetServices services) {
  office::RegisterServer("excel.application", [services = std::move(services)] {
    return std::make_shared<sheet::SpreadsheetInstance>(services);
  });
}

}  // namespace vexlo::engine
