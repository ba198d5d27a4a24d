#include "tests/ui/opening_server.h"

#include <memory>

#include "app/runtime_error.h"
#include "office/automation_object.h"
#include "office/server_registry.h"

namespace vexlo::test {
namespace {

using office::Args;
using office::AutomationObject;
using office::Dispatch;
using office::Value;

class Collection : public AutomationObject {
 public:
  explicit Collection(OpeningServerLog* log) : AutomationObject("Collection") {
    AddMethod("open", 1, 1, [log](const Args& a) {
      if (log->fail_open) throw app::RuntimeError::Automation("open: the file is damaged");
      log->opened.push_back(a.Text(0));
      return Value();
    });
  }
};

class Application : public AutomationObject {
 public:
  Application(OpeningServerLog* log, const std::string& collection) : AutomationObject("Application") {
    items_ = std::make_shared<Collection>(log);
    AddProperty("application", [this] { return Value(self.lock()); });
    AddProperty(collection, [this] { return Value(std::static_pointer_cast<Dispatch>(items_)); });
    AddProperty("visible", [log] { return Value(log->visible); },
                [log](const Value& v) { log->visible = office::ArgBool(v, "visible", 1); });
  }
  std::weak_ptr<Application> self;

 private:
  std::shared_ptr<Collection> items_;
};

class Instance : public office::ServerInstance {
 public:
  Instance(OpeningServerLog* log, const std::string& collection)
      : log_(log), app_(std::make_shared<Application>(log, collection)) {
    app_->self = app_;
    ++log_->started;
  }
  std::shared_ptr<Dispatch> Root() override { return app_; }
  void LastHandleReleased() override { ++log_->released; }

 private:
  OpeningServerLog* log_;
  std::shared_ptr<Application> app_;
};

}  // namespace

OpeningServer::OpeningServer(std::string progid, std::string collection, int starts_allowed)
    : progid_(std::move(progid)) {
  auto remaining = std::make_shared<int>(starts_allowed);
  office::RegisterServer(progid_, [this, collection, remaining]()
                                      -> std::shared_ptr<office::ServerInstance> {
    if (*remaining == 0) return nullptr;
    if (*remaining > 0) --*remaining;
    return std::make_shared<Instance>(&log, collection);
  });
}

OpeningServer::~OpeningServer() { office::UnregisterServer(progid_); }

}  // namespace vexlo::test
