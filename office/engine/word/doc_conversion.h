// Formats the engine reads and writes through LibreOffice (the warm offices of the office pool):
// .doc templates are converted to .docx once per content (cached in the user's cache folder);
// .doc, .rtf and .odt outputs are converted from .docx on saving, in the background. Without
// LibreOffice the calls raise app::RuntimeError::File saying what is missing. UI thread only,
// except PrepareTemplateAsync's work.
// Convention: the gateway's calls raise app::RuntimeError; the temporary folders are Results
// (status.h).
#ifndef VEXLO_OFFICE_ENGINE_WORD_DOC_CONVERSION_H_
#define VEXLO_OFFICE_ENGINE_WORD_DOC_CONVERSION_H_

#include <future>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "office/deferred_work.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/detour_proof.h"

namespace vexlo::engine::word {

// The lower-case extension of `path` with its dot (".docx"), or "".
std::string ExtensionOf(std::string_view path);

// True for extensions the engine writes natively.
bool IsNativeExtension(std::string_view extension);
// True for extensions written through LibreOffice (.doc, .rtf, .odt).
bool IsConvertedExtension(std::string_view extension);

// What a template conversion made: the cached .docx, or a Chinese reason.
struct TemplateConversion {
  std::string docx_path;
  std::string error;
  bool refused = false;  // not a document at all (`error` says why); nothing was converted
  std::string docx = {};  // the .docx itself, when the cache folder could not keep it
  // For a .doc template: whether the office's .doc of the .docx was proven to show what the
  // office makes of the template itself (nullopt: the proof could not be made).
  std::optional<DetourVerdict> detour = {};
  std::string key = {};  // the template content's digest
};

// The conversions of one program, owned by its EngineServices, done by the offices of `pool`
// (and, for a document a warm office cannot store, by a converter of its own run through
// `runs`): saved files handed to the offices and not yet waited for, the template conversions,
// one per content, shared by everyone who asks while they run, and the process's private
// temporary folder that the run's documents are staged in. Its destructor ends the template
// conversions still running (the offices are stopped before), waits for their threads and
// removes the temporary folder.
class DocConversions {
 public:
  DocConversions(OfficePool& pool, SofficeRuns& runs) : pool_(pool), runs_(runs) {}
  ~DocConversions();
  DocConversions(const DocConversions&) = delete;
  DocConversions& operator=(const DocConversions&) = delete;

  OfficePool& pool() { return pool_; }
  SofficeRuns& runs() { return runs_; }

  // Converts the document at `path` (.doc, .rtf, .odt ...) and returns the .docx bytes. Uses
  // the cached conversion of the same content when there is one (see PrepareTemplateAsync).
  std::string ConvertToDocx(const std::string& path);

  // Starts converting the template at `path` in the background (reading its bytes now) and
  // returns at once; a template whose content was converted before is ready at once. A .doc
  // template's conversion is proven, and repaired where it loses content, on the way
  // (detour_proof.h); the verdict is kept with the cached conversion. A file the office would
  // read as plain text is refused before any conversion (see convertible_input.h). The window
  // calls this when a template is chosen, so that opening it later does not wait. Any thread.
  std::shared_future<TemplateConversion> PrepareTemplateAsync(const std::string& path);

  // What the office's files of the .doc template at `path` lose on their way through its .docx
  // after the repairs (detour_proof.h), in words; "" when the conversion was proven to lose
  // nothing, is not known yet, or `path` is no .doc. Any thread.
  std::string ConversionLoss(const std::string& path);
  // Forgets the template conversions made in this program (the cache folder keeps its
  // entries), as a new session finds them.
  void ForgetTemplates();
  // Takes `conversion` as the template conversion of the content with digest `key` (tests put a
  // verdict in place of the proof's).
  void KeepTemplate(const std::string& key, std::shared_future<TemplateConversion> conversion);

  // Gets LibreOffice ready ahead of a run that will need it: starts the offices when the run
  // makes PDFs or prints (`needs_pdf`) or the template is not .docx, and starts reading a .doc
  // (.rtf, .odt) template. Returns at once; does nothing without LibreOffice. Any thread.
  void WarmUpFor(const std::string& template_path, bool needs_pdf);

  // Writes the .docx bytes `docx` to `path` in the format of its extension (atomically): the
  // bytes are staged now and converted by the office pool in the background; the file is
  // complete once Flush returns (the word server calls it on quit, on release and before opening
  // a file; the caller's flush point through office::FlushPoint).
  void QueueConverted(std::string_view docx, const std::string& path);
  // Waits for every queued conversion, telling `watch` (when given) how far it has come; when
  // the watch answers true, drops what is left and returns. Raises RuntimeError::Output for the
  // first file that failed; the others are written all the same.
  void Flush(const office::WaitWatch& watch = {});
  // Drops everything queued and its temporary files (a cancelled run): the offices are stopped.
  void Drop();

  // The engine's private temporary folder of this process, or why it could not be made. It holds
  // the documents of the run under way (staged for conversion, PDF export or printing).
  Result<std::string> ProcessTempFolder();
  // A fresh, empty folder inside that one, or why it could not be made: one per snapshot of a
  // document, so that the snapshot carries the document's own file name.
  Result<std::string> NewSnapshotFolder();
  // Removes that folder with what is left in it (at the end of a run, once its output work is
  // done or dropped); the next ProcessTempFolder makes a fresh one.
  void RemoveProcessTempFolder();

 private:
  OfficePool& pool_;
  SofficeRuns& runs_;
  std::vector<std::shared_future<ConversionOutcome>> saved_;
  unsigned staged_ = 0;     // numbers the staged copies of saved files
  unsigned snapshots_ = 0;  // numbers the snapshot folders
  std::string process_folder_;
  std::mutex templates_mutex_;
  std::map<std::string, std::shared_future<TemplateConversion>> templates_;
  DetourLog detour_log_;
};

// A fresh private temporary folder for the engine, or why it could not be made.
Result<std::string> MakeTempFolder();

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DOC_CONVERSION_H_
