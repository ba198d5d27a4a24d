// Layout hints for the final message of a one-file run: things about the template that make the
// merged document look different from the per-record documents although nothing went wrong.
// UI thread only. Never raises: a hint that cannot be worked out is simply not given.
// Convention: never raises; a hint that cannot be worked out is not given.
#ifndef VEXLO_MERGE_LAYOUT_HINT_H_
#define VEXLO_MERGE_LAYOUT_HINT_H_

#include <optional>
#include <string>

#include "office/oleobject.h"

namespace vexlo::merge {

// The template instance's active document holds floating tables or shapes placed relative to
// the page and does not end with a page or section break: in one file the copies follow one
// another without a break, so those objects of later copies sit on the first pages. Returns the
// sentence for the final message, or nothing (also when the word processor behind `wordserver`
// cannot tell).
std::optional<std::string> PageAnchorHint(const office::oleobject& wordserver);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_LAYOUT_HINT_H_
