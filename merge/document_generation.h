// Document generation: the part of a merge run that makes and fills the word-processor
// documents. The template instance (`wordserver`) holds a document made from the template and is
// only copied from; the output instance (`wordserver2`) holds the document being filled. Every
// step is an automation call through the handles; a failing call raises app::RuntimeError and
// ends the run. UI thread only.
// Convention: a failing automation call raises app::RuntimeError, the program's error record.
#ifndef VEXLO_MERGE_DOCUMENT_GENERATION_H_
#define VEXLO_MERGE_DOCUMENT_GENERATION_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "merge/placeholders.h"
#include "office/oleobject.h"

namespace vexlo::merge {

// The value of title k (0-based, column order) in the current record; blank gives "".
using FieldValue = std::function<std::string(std::size_t k)>;

// Once per run, after both instances are connected: a document from the template in the
// template instance, then a blank output document.
void PrepareDocuments(const office::oleobject& wordserver, const office::oleobject& wordserver2,
                      const std::string& filenamew);

// A fresh blank output document (one document per record, every record after the first).
void NewRecordDocument(const office::oleobject& wordserver2);

// The order in which titles are looked for: column order, except that a title comes after every
// title that contains it (case ignored), so that 实发工资大写 is replaced before 实发工资 could
// break it.
std::vector<std::size_t> ReplacementOrder(const std::vector<std::string>& titles);

// One record: the whole template is copied and pasted at the output's insertion point, then each
// title, in ReplacementOrder, is replaced by the record's value in the pasted copy alone, wherever
// the template's placeholders for it stand (see placeholders.h). Text put in for a value is never
// searched by a later title, and earlier records (one file for all) are left as they are, so each
// copy comes out as the record's own document would. With `other_stories` the output document's
// headers, footers and notes are filled the same way.
void FillRecord(const office::oleobject& wordserver, const office::oleobject& wordserver2,
                const std::vector<std::string>& titles, const FieldValue& value,
                const TemplatePlaceholders& placeholders = {}, bool other_stories = false);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_DOCUMENT_GENERATION_H_
