// The embedded "excel.application" server: an instance per start_new, with the application
// object, its workbooks collection and the workbooks it opened (parsed once per open). The
// engine has no window; an instance left visible and not quit when its last handle goes hands
// its workbooks to the desktop (output/desktop_handoff.h). UI thread only.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_SPREADSHEET_SERVER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_SPREADSHEET_SERVER_H_

#include <memory>
#include <vector>

#include "office/automation_object.h"
#include "office/engine/output/desktop_handoff.h"
#include "office/engine/sheet/sheet_objects.h"
#include "office/server_registry.h"

namespace vexlo::engine::sheet {

// What the server uses, owned by the program (its EngineServices) and given at registration.
struct SheetServices {
  OfficePool* pool = nullptr;  // calculates formulas stored without results (nullptr: none)
  DesktopHandoff handoff;      // where a visible instance leaves its workbooks (empty: nowhere)
};

// The state one instance shares between its objects.
struct SpreadsheetState {
  SheetServices services;
  bool visible = false;
  bool quit = false;
  std::vector<std::shared_ptr<Workbook>> workbooks;  // in opening order; the last is active
};

// "Workbooks": open(filename, ...) (further arguments of the usual signature are accepted and
// ignored), count, item(index).
class Workbooks : public office::AutomationObject {
 public:
  explicit Workbooks(std::shared_ptr<SpreadsheetState> state);

 private:
  office::Value Open(const std::string& path);

  std::shared_ptr<SpreadsheetState> state_;
};

// "Application": application, workbooks, activeworkbook, activesheet, visible, version, quit.
// After quit every member fails, as a server that has gone away.
class Application : public office::AutomationObject,
                    public std::enable_shared_from_this<Application> {
 public:
  explicit Application(std::shared_ptr<SpreadsheetState> state);

  office::Value Get(std::string_view member) override;
  void Set(std::string_view member, const office::Value& value) override;
  office::Value Call(std::string_view member, std::span<const office::Value> args) override;

 private:
  void CheckRunning(std::string_view member) const;

  std::shared_ptr<SpreadsheetState> state_;
  std::shared_ptr<Workbooks> workbooks_;
};

class SpreadsheetInstance : public office::ServerInstance {
 public:
  explicit SpreadsheetInstance(SheetServices services);

  std::shared_ptr<office::Dispatch> Root() override { return application_; }
  bool IsRunning() const override { return !state_->quit; }
  void LastHandleReleased() override;

 private:
  std::shared_ptr<SpreadsheetState> state_;
  std::shared_ptr<Application> application_;
};

}  // namespace vexlo::engine::sheet

namespace vexlo::engine {

// Registers "excel.application" with the automation gateway; its instances use `services`.
void RegisterSpreadsheetServer(sheet::SheetServices services);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SHEET_SPREADSHEET_SERVER_H_
