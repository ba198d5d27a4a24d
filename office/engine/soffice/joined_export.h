// The PDFs of many records from one export: the batch's packages are joined into one document
// (page_batch.h), the office exports it once, and the PDF is cut per record (pdf_split.h). Each
// record's part is checked and delivered; what could not be made that way goes back to the queue
// to be made alone, or ends as cancelled. No UNO in this header; worker thread of the office only.
// Convention: each task of the batch ends with its ConversionOutcome (a Result, status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_EXPORT_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_EXPORT_H_

#include <memory>
#include <vector>

#include "office/engine/soffice/job_queue.h"

namespace vexlo::engine {

struct Office;
class PoolState;

void ConvertBatch(Office& office, PoolState& pool, std::vector<std::shared_ptr<Task>> batch);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_EXPORT_H_
