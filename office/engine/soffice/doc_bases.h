// The .doc bases of each template (doc_base.h): the office's .doc of a freshly loaded record is
// kept (up to four per template, for sixteen templates), and the .doc files of later records of
// that template are written from one of them without an office. A template whose .doc files
// keep failing as bases stops being tried. Thread-safe.
// Convention: std::optional, nullopt when no base can write the record (the office makes it then).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DOC_BASES_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DOC_BASES_H_

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "office/engine/soffice/doc_base.h"
#include "office/engine/soffice/job_queue.h"
#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

class PoolState;

class DocBases {
 public:
  explicit DocBases(bool enabled) : enabled_(enabled) {}

  // Whether the template of `frame` could use another base: its .doc is then made from a fresh
  // load rather than a kept document.
  bool Wants(std::size_t frame) const;
  // Keeps the .doc at `doc` (the office's, of a freshly loaded package with `texts`) as a base
  // of its template, when it wants one.
  void Keep(const std::string& doc, const DocxTexts& texts);
  // The .doc of the package with `texts`, written from a base of its template (and read back);
  // nullopt when none can serve.
  std::optional<std::string> Write(const DocxTexts& texts) const;

 private:
  struct Bases {
    std::vector<std::shared_ptr<const DocBase>> docs;
    int failures = 0;  // .doc files of the template that could not serve as bases
  };
  bool WantsLocked(std::size_t frame) const;

  const bool enabled_;
  mutable std::mutex mutex_;
  std::map<std::size_t, Bases> bases_;  // by the template's frame
};

// Makes the .doc files of `task` (only .doc asked for) from a base and finishes it; false (the
// task untouched) when no base can serve.
bool WriteFromBase(PoolState& pool, const std::shared_ptr<Task>& task, const DocxTexts& texts);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DOC_BASES_H_
