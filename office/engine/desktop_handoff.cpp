#include "office/engine/desktop_handoff.h"

namespace vexlo::engine {
namespace {
DesktopHandoff& Hook() {
  static DesktopHandoff hook;
  return hook;
}
}  // namespace

void SetDesktopHandoff(DesktopHandoff hook) { Hook() = std::move(hook); }

void HandToDesktop(const std::string& path) {
  if (Hook()) Hook()(path);
}

}  // namespace vexlo::engine
