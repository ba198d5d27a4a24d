// The hand-off of files to the user's desktop. An engine instance that is visible when its last
// handle is released without quit leaves what it opened "in front of the user": it hands each
// file to the program's hook, which opens it in the desktop's default application. The window
// installs a hook (QDesktopServices); tests install one that records the paths.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_DESKTOP_HANDOFF_H_
#define VEXLO_OFFICE_ENGINE_DESKTOP_HANDOFF_H_

#include <functional>
#include <string>

namespace vexlo::engine {

using DesktopHandoff = std::function<void(const std::string& path)>;

// Installs the hook; an empty function means nothing is handed off.
void SetDesktopHandoff(DesktopHandoff hook);
// Hands `path` to the hook, if there is one.
void HandToDesktop(const std::string& path);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_DESKTOP_HANDOFF_H_
