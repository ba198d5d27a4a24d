// The word server's deferred work in one place: saves held for growing documents, conversions of
// .doc/.rtf/.odt outputs, and the output queue's PDF exports and prints. Registered with the
// gateway (office/deferred_work.h) by RegisterEmbeddedServers. UI thread only.
#ifndef VEXLO_OFFICE_ENGINE_WORD_DEFERRED_OUTPUT_H_
#define VEXLO_OFFICE_ENGINE_WORD_DEFERRED_OUTPUT_H_

#include "office/deferred_work.h"

namespace vexlo::engine::word {

office::DeferredWork& WordDeferredWork();

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DEFERRED_OUTPUT_H_
