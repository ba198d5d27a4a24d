// One document through an office: loaded (or made by changing the texts of the document the
// office keeps, kept_document.h), stored in every format asked for, each stored file checked
// (stored_check.h), and, only once every one is whole, the files delivered (delivery.h). The
// office's .doc of a freshly loaded record is offered to the .doc bases. No UNO in this header;
// worker thread of the office only. Convention: returns Result (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DOCUMENT_CONVERSION_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DOCUMENT_CONVERSION_H_

#include "office/engine/soffice/conversion_job.h"
#include "office/engine/soffice/job_queue.h"
#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

struct Office;
class PoolState;

struct DocumentResult {
  ConversionOutcome outcome = 0;  // the error not yet naming the document
  bool office_failed = false;  // the office died or was killed: it is to be replaced
};

// Converts `task` in `office`; `texts` are those of its package when read (text_delta.h).
DocumentResult ConvertDocument(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DOCUMENT_CONVERSION_H_
