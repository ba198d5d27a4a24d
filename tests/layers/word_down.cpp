// A word/ source reaches its own layer and every layer below it.
#include "app/runtime_error.h"
#include "office/automation_object.h"
#include "office/engine/output/output_queue.h"
#include "office/engine/package/xml_string_writer.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/word/word_document.h"

int vexlo_layer_probe_down() { return 0; }
