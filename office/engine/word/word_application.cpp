#include "office/engine/word/word_application.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/event_guard.h"
#include "app/runtime_error.h"
#include "office/engine/output/output_queue.h"
#include "office/engine/word/convertible_input.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/word_document.h"
#include "office/engine/word/word_package.h"
#include "office/engine/word/word_selection.h"
#include "office/server_registry.h"

namespace vexlo::engine::word {

using app::RuntimeError;
using office::Args;
using office::Value;

namespace {

constexpr char kVersion[] = "16.0";

}  // namespace

std::shared_ptr<const WordPackage> WordApplication::LoadAny(const std::string& path) {
  DocConversions& conversions = services_.conversions;
  conversions.Flush();  // a file saved a moment ago may still wait for its conversion
  if (IsConvertedExtension(ExtensionOf(path))) {
    return WordPackage::FromBytes(conversions.ConvertToDocx(path), path);
  }
  // A Word 97-2003 file under another name (or none) goes the same way; an encrypted package
  // (also a compound file) is refused by the package reader with its own message.
  std::ifstream in(path, std::ios::binary);
  char head[4096] = {};
  in.read(head, sizeof head);
  const std::string_view head_bytes(head, static_cast<size_t>(in.gcount()));
  if (head_bytes.starts_with("PK")) return WordPackage::Load(path);
  if (!IsCompoundFile(head_bytes)) {
    // No package: a document the office reads (RTF, a web page) under this name, or a file
    // that is no document at all, which is told as what it is.
    if (Status readable = CheckWordDocument(head_bytes); !readable.ok()) {
      throw app::RuntimeError::Format(path, readable.message());
    }
    return WordPackage::FromBytes(conversions.ConvertToDocx(path), path);
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size > 0 && size < (512 << 20)) {
    std::string bytes(static_cast<size_t>(size), '\0');
    in.seekg(0);
    if (in.read(bytes.data(), size) && IsEncryptedPackage(bytes)) {
      return WordPackage::FromBytes(std::move(bytes), path);
    }
  }
  return WordPackage::FromBytes(conversions.ConvertToDocx(path), path);
}

namespace {

// The "Documents" collection of one instance. Holds the application weakly: a script may keep
// the collection after the instance is gone.
class WordDocuments : public office::AutomationObject {
 public:
  explicit WordDocuments(std::weak_ptr<WordApplication> weak) : AutomationObject("Documents") {
    auto app = [weak] {
      std::shared_ptr<WordApplication> a = weak.lock();
      if (!a) throw RuntimeError::Automation("自动化调用失败：文字处理程序已经关闭");
      return a;
    };
    // Template, NewTemplate, DocumentType, Visible.
    AddMethod("add", 0, 4, [app](const Args& a) {
      return Value(std::static_pointer_cast<office::Dispatch>(app()->Add(a.Text(0, ""))));
    });
    AddMethod("open", 1, 16, [app](const Args& a) {
      return Value(std::static_pointer_cast<office::Dispatch>(app()->Open(a.Text(0))));
    });
    AddMethod("item", 1, 1, [app](const Args& a) {
      const int32_t n = a.Long(0);
      const auto& docs = app()->documents();
      if (n < 1 || static_cast<size_t>(n) > docs.size()) {
        throw RuntimeError::Automation("自动化调用失败：文档集合中没有第 " + std::to_string(n) +
                                       " 项（共 " + std::to_string(docs.size()) + " 个文档）");
      }
      return Value(std::static_pointer_cast<office::Dispatch>(docs[static_cast<size_t>(n - 1)]));
    });
    AddProperty("count", [app] { return Value(static_cast<int32_t>(app()->documents().size())); });
  }
};

class WordInstance : public office::ServerInstance {
 public:
  WordInstance(const WordServices& services, app::FailureReport* report)
      : app_(std::make_shared<WordApplication>(services)), report_(report) {}
  std::shared_ptr<office::Dispatch> Root() override { return app_; }
  bool IsRunning() const override { return !app_->quit(); }
  void LastHandleReleased() override { app_->Released(report_); }

 private:
  std::shared_ptr<WordApplication> app_;
  app::FailureReport* report_;
};

}  // namespace

WordApplication::WordApplication(const WordServices& services)
    : AutomationObject("Application"), services_(services) {
  AddProperty("application", [this] { return Value(std::static_pointer_cast<office::Dispatch>(shared_from_this())); });
  // The collection and the selection are made on first use, when the application is owned by a
  // shared pointer they can hold weakly.
  AddProperty("documents", [this] {
    if (!collection_) collection_ = std::make_shared<WordDocuments>(weak_from_this());
    return Value(std::static_pointer_cast<office::Dispatch>(collection_));
  });
  AddProperty("activedocument", [this] {
    std::shared_ptr<WordDocument> doc = Active();
    if (!doc) throw RuntimeError::Automation("自动化调用失败：没有打开的文档（activedocument）");
    return Value(std::static_pointer_cast<office::Dispatch>(doc));
  });
  AddProperty("selection", [this] {
    if (!selection_) {
      std::weak_ptr<WordApplication> weak = weak_from_this();
      selection_ = std::make_shared<WordSelection>(
          [weak] {
            std::shared_ptr<WordApplication> app = weak.lock();
            std::shared_ptr<WordDocument> doc = app ? app->Active() : nullptr;
            if (!doc) {
              throw RuntimeError::Automation("自动化调用失败：没有打开的文档，无法使用选定内容");
            }
            return doc;
          },
          services_.clipboard);
    }
    return Value(std::static_pointer_cast<office::Dispatch>(selection_));
  });
  AddProperty("version", [] { return Value(kVersion); });
  AddProperty("name", [] { return Value("vexlo 文字处理"); });
  AddProperty("visible", [this] { return Value(visible_); },
              [this](const Value& v) { visible_ = office::ArgBool(v, "visible", 1); });
  AddMethod("quit", 0, 3, [this](const Args&) {
    Quit();
    return Value();
  });
}

WordApplication::~WordApplication() = default;

std::shared_ptr<WordDocument> WordApplication::Adopt(std::shared_ptr<WordDocument> doc) {
  documents_.push_back(doc);
  active_ = doc;
  return doc;
}

void WordApplication::Closed(WordDocument* doc) {
  std::erase_if(documents_, [doc](const auto& d) { return d.get() == doc; });
  if (active_.get() == doc) active_ = documents_.empty() ? nullptr : documents_.back();
}

std::function<void(WordDocument*)> WordApplication::CloseHook() {
  std::weak_ptr<WordApplication> weak = weak_from_this();
  return [weak](WordDocument* d) {
    if (auto app = weak.lock()) app->Closed(d);
  };
}

std::shared_ptr<WordDocument> WordApplication::Add(const std::string& template_path) {
  if (quit_) throw RuntimeError::Automation("自动化调用失败：文字处理程序已经退出");
  const bool blank = template_path.empty();
  std::shared_ptr<const WordPackage> package = blank ? WordPackage::Blank() : LoadAny(template_path);
  const std::string name = "文档" + std::to_string(next_number_++);
  auto document = std::make_shared<WordDocument>(services_, package, blank, "", name, CloseHook());
  document->SetTemplatePath(template_path);
  return Adopt(std::move(document));
}

std::shared_ptr<WordDocument> WordApplication::Open(const std::string& path) {
  if (quit_) throw RuntimeError::Automation("自动化调用失败：文字处理程序已经退出");
  if (path.empty()) throw RuntimeError::File(path, "无法打开：没有给出文件名");
  std::shared_ptr<const WordPackage> package = LoadAny(path);
  opened_files_.push_back(path);
  return Adopt(std::make_shared<WordDocument>(services_, package, false, path, "",
                                              CloseHook()));
}

std::shared_ptr<WordDocument> WordApplication::Active() const { return active_; }

void WordApplication::Quit() {
  if (quit_) return;
  // Held saves are written first; unsaved edits are discarded, as nobody can be asked.
  std::vector<std::shared_ptr<WordDocument>> docs = documents_;
  for (const auto& d : docs) d->FlushSave();
  quit_ = true;
  for (const auto& d : docs) d->Close();
  documents_.clear();
  active_.reset();
  services_.conversions.Flush();
  services_.output.Flush();
}

void WordApplication::Released(app::FailureReport* report) noexcept {
  try {
    std::vector<std::shared_ptr<WordDocument>> docs = documents_;
    for (const auto& d : docs) d->FlushSave();
    services_.conversions.Flush();
    if (visible_ && !quit_ && services_.handoff) {
      // What the user sees stays in front of the user: the files opened, and new documents
      // that hold something (written to temporary files first).
      for (const auto& d : docs) {
        if (!d->path().empty()) {
          services_.handoff(d->path());
        } else if (d->model().block_count() > 0) {
          services_.handoff(d->TakeSnapshot());
        }
      }
    }
  } catch (...) {
    // Nobody can catch it any more: it is reported as a run-time error where a report is wired.
    try {
      if (report != nullptr) {
        report->ReportException(std::current_exception(),
                                {"word.application", "application", "release"});
      } else {
        std::fputs("vexlo：释放文字处理服务时出错\n", stderr);
      }
    } catch (...) {
    }
  }
}

}  // namespace vexlo::engine::word

namespace vexlo::engine {

void RegisterWordServer(const word::WordServices& services, app::FailureReport* report) {
  office::RegisterServer("word.application", [services, report] {
    return std::make_shared<word::WordInstance>(services, report);
  });
}

}  // namespace vexlo::engine
