// The proof that a .doc template comes through its .docx unchanged. The engine fills a .doc
// template through the .docx the office converts it to, and the office makes each record's .doc
// (and its PDF, through that .doc) from the filled .docx. For some files that detour loses
// content the template shows. So, once per template content, the office's .doc of the converted
// .docx is compared with the office's own re-save of the template, each as the office shows it
// when it opens it: paragraph by paragraph (empty ones and field results included, from the
// office's text of it) and by page count. Where they differ, the known losses are
// repaired in the .docx (detour_repair.h) and the comparison made again. Any thread.
#ifndef VEXLO_OFFICE_ENGINE_WORD_DETOUR_PROOF_H_
#define VEXLO_OFFICE_ENGINE_WORD_DETOUR_PROOF_H_

#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "office/engine/soffice/office_pool.h"

namespace vexlo::engine::word {

struct DetourVerdict {
  enum class Way { kSame, kRepaired, kDiffers };
  Way way = Way::kSame;
  std::string why;  // what differed before the repair, or still differs (Chinese)

  // One line for the cache ("same", "repaired …", "differs …"), and back (nullopt: not one).
  std::string Serialize() const;
  static std::optional<DetourVerdict> Parse(const std::string& text);
  // What the run's log says of the template (Chinese).
  std::string Describe() const;
};

// The paragraphs of the office's text of a document (UTF-8, one line per paragraph).
std::vector<std::string> TextParagraphs(std::string_view text);

// What `shown` differs in from `reference` ("" when nothing): the first paragraph that differs,
// or the number of paragraphs, or of pages (Chinese).
std::string DescribeDifference(const std::vector<std::string>& reference, int reference_pages,
                               const std::vector<std::string>& shown, int shown_pages);

class DetourProof {
 public:
  // Starts the office's re-save of the template at `doc` (a private copy that stays until the
  // proof is done) at once; the files go into `folder`.
  DetourProof(OfficePool& pool, std::string doc, std::string folder);
  ~DetourProof();  // waits for the re-save, which reads from and writes into the folder
  DetourProof(const DetourProof&) = delete;
  DetourProof& operator=(const DetourProof&) = delete;

  // Proves the converted .docx `docx` (its path; a repaired one is written beside it and put
  // there): nullopt when the office could not make the files to compare (nothing is known).
  std::optional<DetourVerdict> Prove(const std::string& docx);

 private:
  // "" when the office's .doc of `docx` shows what the template shows, else what differs;
  // nullopt when the files could not be made or read.
  std::optional<std::string> Compare(const std::string& docx);

  OfficePool& pool_;
  std::string folder_;
  std::string reference_text_;
  std::shared_future<ConversionOutcome> reference_;
  int round_ = 0;
};

// Says on stderr (with VEXLO_LOG set) which way a template went, once per template and verdict
// for the life of its owner (the program's conversions). Any thread.
class DetourLog {
 public:
  void Say(const std::string& label, const std::string& key, const DetourVerdict& verdict);

 private:
  std::mutex mutex_;
  std::set<std::string> said_;
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DETOUR_PROOF_H_
