// TemplateReadiness: a .doc (.rtf, .odt) template is read by LibreOffice once per content, in the
// background, as soon as it is chosen; the window never waits for it. While it is being read the
// window's status strip says so. An action that needs the template (opening it for editing,
// starting a run) asked for before it is read is held and runs once it is read, with the window
// live meanwhile; a newer request replaces a held one. A template LibreOffice could not read is
// reported with a plain message when the user acts on it, and the action does not run.
// Also the hook that starts the offices when the window opens. UI thread only.
#ifndef VEXLO_UI_MAIN_TEMPLATE_READINESS_H_
#define VEXLO_UI_MAIN_TEMPLATE_READINESS_H_

#include <QObject>
#include <QTimer>
#include <functional>
#include <future>
#include <string>

#include "app/event_guard.h"
#include "app/host.h"
#include "office/engine/word/doc_conversion.h"

namespace vexlo::ui {

// The status text while a template is being read, and while an action waits for it.
extern const char* const kReadingTemplate;
extern const char* const kWaitingForTemplate;

// Starts reading the template at a path in the background; an invalid future means there is
// nothing to wait for (a .docx, no such file, no LibreOffice).
using TemplatePreparer =
    std::function<std::shared_future<engine::word::TemplateConversion>(const std::string& path)>;

// The preparer of the program: LibreOffice's conversion into the template cache, by the
// program's `conversions`.
TemplatePreparer LibreOfficePreparer(engine::word::DocConversions& conversions);

// The program's starter: one office of `pool`, when LibreOffice is installed.
void StartOneOffice(engine::OfficePool& pool);

class TemplateReadiness : public QObject {
 public:
  // `show_status` puts a text on the window's status strip; "" puts back its usual text.
  // `preparer` starts reading a template (none: nothing ever waits); a failed reading is told
  // through `host`, and `focus_template` sends the user back to the template field.
  TemplateReadiness(QObject* parent, app::Host& host, app::Events& events,
                    TemplatePreparer preparer,
                    std::function<void(const std::string&)> show_status,
                    std::function<void()> focus_template);


  // The template field now holds `path`: starts reading it.
  void Chosen(const std::string& path);
  // Runs `action` (guarded) now when the template at `path` needs no reading or is read, later
  // when it is read; replaces an action held before. Does not run it when the reading failed.
  void WhenReady(const std::string& path, std::function<void()> action);
  // Drops a held action (the window is closing).
  void Drop();

  bool reading() const { return timer_.isActive(); }
  bool holding() const { return static_cast<bool>(action_); }

 private:
  void Track(const std::string& path);
  void Poll();
  void Settled();

  app::Host& host_;
  app::Events& events_;
  std::function<void(const std::string&)> show_status_;
  std::function<void()> focus_template_;
  TemplatePreparer preparer_;
  QTimer timer_;
  std::string path_;
  std::shared_future<engine::word::TemplateConversion> reading_;
  std::function<void()> action_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_TEMPLATE_READINESS_H_
