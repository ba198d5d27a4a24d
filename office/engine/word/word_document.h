// WordDocument: the automation object of one open document ("Document"): saveas, save, close,
// exportasfixedformat, printout, its name, its main story as "content" and "range", and its
// fields, sections (headers and footers), story ranges and notes (word_stories.h). It owns
// the DocumentModel. Saving is atomic; save() may be coalesced (the state at that call is held
// and written later) but the file is complete on disk at every close, saveas, export, print,
// quit, release, and at the caller's flush point (HeldSaves::Flush, office::FlushPoint), so
// a merge that fails still leaves a whole file.
// UI thread only; raises app::RuntimeError.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_DOCUMENT_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_DOCUMENT_H_

#include <functional>
#include <memory>
#include <string>

#include "office/automation_object.h"
#include "office/engine/soffice/conversion_job.h"
#include "office/engine/word/document_model.h"
#include "office/engine/word/word_services.h"

namespace vexlo::engine::word {

class WordRange;

class WordDocument : public office::AutomationObject,
                     public std::enable_shared_from_this<WordDocument> {
 public:
  // `path`: the file the document was opened from ("" for a new document named `name`).
  // `on_close` is told when the document closes. Its saves, PDFs and prints go through
  // `services`.
  WordDocument(const WordServices& services, std::shared_ptr<const WordPackage> package,
               bool blank, std::string path, std::string name,
               std::function<void(WordDocument*)> on_close);

  DocumentModel& model() { return model_; }
  const std::string& path() const { return path_; }
  // The template a new document was made from (documents.add), whose conversion it shares.
  void SetTemplatePath(std::string path) { template_path_ = std::move(path); }
  bool closed() const { return closed_; }

  void SaveAs(const std::string& path);
  void Save();
  // Writes a held save now. Never loses it: on failure the save stays held and the error rises.
  void FlushSave();
  void Close();
  // Writes the document as it is now to a new temporary .docx file and returns its path.
  std::string TakeSnapshot();

 private:
  // What the document's PDFs and prints show: the file it was saved as when that is in a
  // converted format (output_queue.h), else the document itself.
  StoreFormat PdfVia() const;
  void WriteTo(const std::string& path, const std::string& docx_bytes);
  // Puts this document on the program's list of held saves.
  void ListHeld();

  WordServices services_;
  DocumentModel model_;
  std::string path_;
  std::string template_path_;
  std::string name_;
  std::function<void(WordDocument*)> on_close_;
  bool closed_ = false;
  uint64_t saved_change_ = 0;       // model change count at the last save
  size_t written_blocks_ = 0;       // blocks in the last file actually written
  bool pending_ = false;            // a save() is held
  std::shared_ptr<WordRange> content_;  // the whole story as a range
  std::shared_ptr<WordRange> range_;    // the last range asked for
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_WORD_DOCUMENT_H_
