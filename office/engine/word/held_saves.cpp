#include "office/engine/word/held_saves.h"

#include "office/engine/word/word_document.h"

namespace vexlo::engine::word {

void HeldSaves::Hold(const std::shared_ptr<WordDocument>& doc) {
  std::erase_if(docs_, [&doc](const std::weak_ptr<WordDocument>& weak) {
    const auto held = weak.lock();
    return !held || held == doc;
  });
  docs_.push_back(doc);
}

void HeldSaves::Flush() {
  std::vector<std::weak_ptr<WordDocument>> docs;
  docs.swap(docs_);
  for (std::size_t i = 0; i < docs.size(); ++i) {
    if (auto doc = docs[i].lock()) {
      try {
        doc->FlushSave();
      } catch (...) {
        // A save that failed stays held (and listed) for the next flush point.
        docs_.insert(docs_.end(), docs.begin() + static_cast<std::ptrdiff_t>(i), docs.end());
        throw;
      }
    }
  }
}

std::optional<app::RuntimeError> HeldSaves::FlushAtEnd() {
  std::vector<std::weak_ptr<WordDocument>> docs;
  docs.swap(docs_);
  std::optional<app::RuntimeError> first;
  for (const auto& weak : docs) {
    const auto doc = weak.lock();
    if (!doc) continue;
    try {
      doc->FlushSave();
    } catch (const app::RuntimeError& e) {
      if (!first) first = e;
    } catch (const std::exception& e) {
      if (!first) first = app::RuntimeError::Output(std::string("保存失败：") + e.what());
    }
  }
  return first;
}

}  // namespace vexlo::engine::word
