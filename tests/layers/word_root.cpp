// A word/ source that reaches up to the engine root, which owns it: must not build.
#include "office/engine/engine_services.h"
