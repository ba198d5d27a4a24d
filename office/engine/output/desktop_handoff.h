// The hand-off of files to the user's desktop. An engine instance that is visible when its last
// handle is released without quit leaves what it opened "in front of the user": it hands each
// file to the hand-off the program gave its servers, which opens it in the desktop's default
// application. The window gives one (QDesktopServices); tests give one that records the paths;
// an empty one hands nothing off.
#ifndef VEXLO_OFFICE_ENGINE_OUTPUT_DESKTOP_HANDOFF_H_
#define VEXLO_OFFICE_ENGINE_OUTPUT_DESKTOP_HANDOFF_H_

#include <functional>
#include <string>

namespace vexlo::engine {

using DesktopHandoff = std::function<void(const std::string& path)>;

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_OUTPUT_DESKTOP_HANDOFF_H_
