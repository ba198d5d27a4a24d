// Dispatch: one automation object (an application, a collection, a document, a range ...),
// reached by member name. Member names are case-insensitive. Servers derive from
// AutomationObject (automation_object.h) rather than from Dispatch directly.
#ifndef VEXLO_OFFICE_DISPATCH_H_
#define VEXLO_OFFICE_DISPATCH_H_

#include <span>
#include <string_view>

#include "office/value.h"

namespace vexlo::office {

class Dispatch {
 public:
  virtual ~Dispatch() = default;

  // The object's type name, used in error texts ("Application", "Range").
  virtual std::string_view TypeName() const = 0;
  // Property get; a method that takes no arguments may be invoked this way too.
  virtual Value Get(std::string_view member) = 0;
  // Property set.
  virtual void Set(std::string_view member, const Value& value) = 0;
  // Method call with positional arguments; a property may be read this way with no arguments.
  virtual Value Call(std::string_view member, std::span<const Value> args) = 0;
};

}  // namespace vexlo::office

#endif  // VEXLO_OFFICE_DISPATCH_H_
