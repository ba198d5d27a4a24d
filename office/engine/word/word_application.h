// The embedded word processor "word.application": WordApplication ("Application") with its
// documents collection, active document, selection, version "16.0", visibility and quit, and
// the server instance that the automation gateway holds. An instance that is visible when its
// last handle is released without quit hands the files it opened to the desktop.
// UI thread only; raises app::RuntimeError.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_APPLICATION_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_APPLICATION_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "office/automation_object.h"
#include "office/engine/word/word_services.h"

namespace vexlo::app {
class FailureReport;
}  // namespace vexlo::app

namespace vexlo::engine::word {

class WordDocument;
class WordSelection;
class WordPackage;

class WordApplication : public office::AutomationObject,
                        public std::enable_shared_from_this<WordApplication> {
 public:
  explicit WordApplication(const WordServices& services);
  ~WordApplication() override;

  // Documents, oldest first.
  const std::vector<std::shared_ptr<WordDocument>>& documents() const { return documents_; }
  std::shared_ptr<WordDocument> Add(const std::string& template_path);
  std::shared_ptr<WordDocument> Open(const std::string& path);
  std::shared_ptr<WordDocument> Active() const;
  bool visible() const { return visible_; }
  bool quit() const { return quit_; }
  void Quit();
  // The last handle let go: writes held saves, and hands what a visible instance opened to the
  // desktop. Never throws (it runs while a handle is destroyed); errors are reported.
  void Released(app::FailureReport* report) noexcept;

 private:
  // The package of the document at `path`; other formats are converted through the offices.
  std::shared_ptr<const WordPackage> LoadAny(const std::string& path);
  std::shared_ptr<WordDocument> Adopt(std::shared_ptr<WordDocument> doc);
  void Closed(WordDocument* doc);
  std::function<void(WordDocument*)> CloseHook();

  WordServices services_;
  std::vector<std::shared_ptr<WordDocument>> documents_;
  std::shared_ptr<WordDocument> active_;
  std::shared_ptr<WordSelection> selection_;
  std::shared_ptr<office::AutomationObject> collection_;
  std::vector<std::string> opened_files_;
  int next_number_ = 1;
  bool visible_ = false;
  bool quit_ = false;
};

}  // namespace vexlo::engine::word

namespace vexlo::engine {

// Registers "word.application" with the automation gateway; its instances use `services`.
// `report` hears of a failure at release, where nobody can catch it; without one it goes to
// stderr.
void RegisterWordServer(const word::WordServices& services, app::FailureReport* report = nullptr);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_WORD_WORD_APPLICATION_H_
