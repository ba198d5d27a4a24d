#include "merge/document_generation.h"

namespace vexlo::merge {

using office::Value;

void PrepareDocuments(const office::oleobject& wordserver, const office::oleobject& wordserver2,
                      const std::string& filenamew) {
  wordserver.get("documents").call("add", {Value(filenamew), Value(false), Value(0)});
  wordserver2.get("documents").call("add", {Value(""), Value(false), Value(0)});
}

void NewRecordDocument(const office::oleobject& wordserver2) {
  wordserver2.get("documents").call("add", {Value(""), Value(false), Value(0)});
}

void FillRecord(const office::oleobject& wordserver, const office::oleobject& wordserver2,
                const std::vector<std::string>& titles, const FieldValue& value) {
  wordserver.get("selection").get("wholestory");
  wordserver.get("selection").get("copy");
  wordserver2.get("selection").get("paste");
  for (std::size_t k = 0; k < titles.size(); ++k) {
    const std::string text = value(k);
    // Find text, match case, whole word, wildcards, sounds like, all word forms, forward,
    // wrap (1: continue), format, replace with, replace (2: all).
    wordserver2.get("selection").get("find").call(
        "execute", {Value(titles[k]), Value(false), Value(true), Value(false), Value(false),
                    Value(false), Value(true), Value(1), Value(true), Value(text), Value(2)});
  }
}

}  // namespace vexlo::merge
