// The class registry of automation servers: a factory per ProgID ("word.application",
// "excel.application"), and the instances that are running. The embedded engine registers its
// servers here at start-up; tests register small servers of their own. ProgIDs are
// case-insensitive. UI thread only.
#ifndef VEXLO_OFFICE_SERVER_REGISTRY_H_
#define VEXLO_OFFICE_SERVER_REGISTRY_H_

#include <functional>
#include <memory>
#include <string_view>

namespace vexlo::office {

class Dispatch;

// One running server instance.
class ServerInstance {
 public:
  virtual ~ServerInstance() = default;

  // The object a handle talks to (the application object of the server).
  virtual std::shared_ptr<Dispatch> Root() = 0;
  // False once the instance has quit: handles still hold it, but attach no longer finds it.
  virtual bool IsRunning() const { return true; }
  // The last handle let go. The instance is dropped right after this call; a visible instance
  // that was not quit hands what it opened to the user here.
  virtual void LastHandleReleased() {}
};

// Makes a new instance, or returns nullptr when the server cannot start.
using ServerFactory = std::function<std::shared_ptr<ServerInstance>()>;

// Registers (or replaces) the factory of `progid`.
void RegisterServer(std::string_view progid, ServerFactory factory);
void UnregisterServer(std::string_view progid);
bool IsServerRegistered(std::string_view progid);

}  // namespace vexlo::office

#endif  // VEXLO_OFFICE_SERVER_REGISTRY_H_
