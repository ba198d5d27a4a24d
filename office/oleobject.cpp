#include "office/oleobject.h"

#include <map>
#include <string>
#include <vector>

#include "app/runtime_error.h"
#include "office/automation_object.h"
#include "office/dispatch.h"
#include "office/server_registry.h"

namespace vexlo::office {

// Shared by every handle of one instance; the instance's last handle is the last owner.
struct oleobject::Connection {
  std::string progid;
  std::shared_ptr<ServerInstance> instance;
  ~Connection() {
    if (instance) instance->LastHandleReleased();
  }
};

namespace {

struct Registry {
  std::map<std::string, ServerFactory> factories;
  // Instances that handles hold, by ProgID, oldest first.
  std::map<std::string, std::vector<std::weak_ptr<oleobject::Connection>>> running;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterServer(std::string_view progid, ServerFactory factory) {
  TheRegistry().factories[Lower(progid)] = std::move(factory);
}

void UnregisterServer(std::string_view progid) { TheRegistry().factories.erase(Lower(progid)); }

bool IsServerRegistered(std::string_view progid) {
  return TheRegistry().factories.count(Lower(progid)) > 0;
}

oleobject::oleobject() = default;

oleobject::~oleobject() { release(); }

bool oleobject::connected() const { return connection_ != nullptr; }

void oleobject::release() { connection_.reset(); }

int32_t oleobject::attach(std::string_view progid) {
  release();
  if (progid.empty()) return kConnectInvalidCall;
  const std::string key = Lower(progid);
  Registry& r = TheRegistry();
  if (!r.factories.count(key)) return kConnectClassNotFound;
  auto& list = r.running[key];
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (auto live = it->lock(); live && live->instance->IsRunning()) {
      connection_ = std::move(live);
      return kConnectOk;
    }
  }
  return kConnectNotRunning;
}

int32_t oleobject::start_new(std::string_view progid) {
  release();
  if (progid.empty()) return kConnectInvalidCall;
  const std::string key = Lower(progid);
  Registry& r = TheRegistry();
  auto factory = r.factories.find(key);
  if (factory == r.factories.end()) return kConnectClassNotFound;
  std::shared_ptr<ServerInstance> instance = factory->second();
  if (!instance) return kConnectCannotCreate;
  connection_ = std::make_shared<Connection>();
  connection_->progid = key;
  connection_->instance = std::move(instance);
  auto& list = r.running[key];
  std::erase_if(list, [](const auto& weak) { return weak.expired(); });
  list.push_back(connection_);
  return kConnectOk;
}

Value oleobject::Root(std::string_view member, std::string_view how) const {
  if (!connection_) {
    throw app::RuntimeError::Automation("自动化调用失败：对象没有连接到服务器（" +
                                        std::string(how) + " " + std::string(member) + "）");
  }
  return Value(connection_->instance->Root());
}

Value oleobject::get(std::string_view member) const { return Root(member, "读取属性").get(member); }

void oleobject::set(std::string_view member, const Value& value) const {
  Root(member, "设置属性").set(member, value);
}

Value oleobject::call(std::string_view member, std::initializer_list<Value> args) const {
  return Root(member, "调用方法").call(member, args);
}

}  // namespace vexlo::office
