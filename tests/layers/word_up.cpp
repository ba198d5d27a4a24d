// A word/ source that reaches up to the merge: must not build.
#include "merge/merge_session.h"
