#include "ui/main/template_readiness.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include "app/event_guard.h"
#include "app/host.h"
#include "office/engine/soffice/office_pool.h"

namespace vexlo::ui {

const char* const kReadingTemplate = "正在读取模板…";
const char* const kWaitingForTemplate = "正在读取模板…读完后继续";

namespace {

// Often enough that a held action follows the reading closely; the check itself costs nothing.
constexpr std::chrono::milliseconds kPollInterval{50};

bool Ready(const std::shared_future<engine::word::TemplateConversion>& reading) {
  return !reading.valid() ||
         reading.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace

TemplatePreparer LibreOfficePreparer(engine::word::DocConversions& conversions) {
  return [&conversions](
             const std::string& path) -> std::shared_future<engine::word::TemplateConversion> {
    if (!engine::word::IsConvertedExtension(engine::word::ExtensionOf(path))) return {};
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return {};
    // Without LibreOffice the run and the editor say so themselves.
    if (!engine::OfficePool::Available()) return {};
    return conversions.PrepareTemplateAsync(path);
  };
}


void StartOneOffice(engine::OfficePool& pool) {
  // One office: a second one starting at the same time would slow the first; the pool starts
  // more when a run queues enough work for them.
  if (engine::OfficePool::Available()) pool.Start(1);
}

TemplateReadiness::TemplateReadiness(QObject* parent, app::Host& host, app::Events& events,
                                     TemplatePreparer preparer,
                                     std::function<void(const std::string&)> show_status,
                                     std::function<void()> focus_template)
    : QObject(parent),
      host_(host),
      events_(events),
      show_status_(std::move(show_status)),
      focus_template_(std::move(focus_template)),
      preparer_(std::move(preparer)) {
  timer_.setInterval(kPollInterval);
  connect(&timer_, &QTimer::timeout, this, [this] {
    events_.RunGuarded({"w_vexlo", "sle_2", "ue_templateread"}, [this] { Poll(); });
  });
}

void TemplateReadiness::Track(const std::string& path) {
  path_ = path;
  reading_ = preparer_ ? preparer_(path)
                       : std::shared_future<engine::word::TemplateConversion>();
  if (Ready(reading_)) {
    timer_.stop();
  } else if (!timer_.isActive()) {
    timer_.start();
  }
}

void TemplateReadiness::Chosen(const std::string& path) {
  Track(path);
  if (reading()) {
    show_status_(holding() ? kWaitingForTemplate : kReadingTemplate);
  } else {
    Settled();
  }
}

void TemplateReadiness::WhenReady(const std::string& path, std::function<void()> action) {
  action_ = std::move(action);
  Track(path);
  if (reading()) {
    show_status_(kWaitingForTemplate);
  } else {
    Settled();
  }
}

void TemplateReadiness::Drop() {
  action_ = nullptr;
  timer_.stop();
}

void TemplateReadiness::Poll() {
  if (!Ready(reading_)) return;
  timer_.stop();
  Settled();
}

void TemplateReadiness::Settled() {
  show_status_("");
  std::function<void()> action = std::exchange(action_, nullptr);
  if (!action) return;
  const std::string error = reading_.valid() ? reading_.get().error : std::string();
  if (!error.empty()) {
    host_.MessageBox("错误提示", "无法读取模板文件“" + path_ + "”：\n" + error);
    if (focus_template_) focus_template_();
    return;
  }
  action();
}

}  // namespace vexlo::ui
