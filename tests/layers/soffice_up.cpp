// A soffice/ source that reaches up to the word processor: must not build.
#include "office/engine/word/word_document.h"
