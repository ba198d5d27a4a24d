#include "ui/chrome/current_message.h"

namespace vexlo::ui {
namespace {
CurrentMessage& Current() {
  static CurrentMessage current;
  return current;
}
}  // namespace

const CurrentMessage& currentmessage() { return Current(); }

MessageScope::MessageScope(const CurrentMessage& message) : saved_(Current()) {
  Current() = message;
}

MessageScope::~MessageScope() { Current() = saved_; }

}  // namespace vexlo::ui
