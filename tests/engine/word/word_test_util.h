// Helpers of the word-processor tests: reading back what the engine wrote.
#ifndef VEXLO_TESTS_ENGINE_WORD_WORD_TEST_UTIL_H_
#define VEXLO_TESTS_ENGINE_WORD_WORD_TEST_UTIL_H_

#include <memory>
#include <string>
#include <vector>

#include "office/engine/package/zip_reader.h"
#include "office/engine/word/word_package.h"

namespace vexlo::test {

// The visible text of each paragraph of the main story, as our reader sees it.
inline std::vector<std::string> Paragraphs(const engine::word::WordPackage& pkg) {
  std::vector<std::string> out;
  const auto& story = pkg.story();
  for (const auto& p : story.paragraphs()) {
    std::string text;
    for (uint32_t i = 0; i < p.item_count; ++i) {
      const auto& item = story.items()[p.first_item + i];
      if (item.text >= 0) {
        text += story.texts()[item.text];
      } else {
        text += item.boundary == '\t' ? "\t" : item.boundary == '\v' ? "\n" : "#";
      }
    }
    out.push_back(text);
  }
  return out;
}

inline std::string AllText(const engine::word::WordPackage& pkg) {
  std::string all;
  for (const std::string& p : Paragraphs(pkg)) all += p + "\n";
  return all;
}

// One part of a package file, inflated.
inline std::string Part(const std::string& file, const std::string& name) {
  auto reader = engine::ZipReader::Open(file);
  return reader->Read(name).value_or("");
}

inline size_t Count(const std::string& haystack, const std::string& needle) {
  size_t n = 0;
  for (size_t pos = haystack.find(needle); pos != std::string::npos;
       pos = haystack.find(needle, pos + needle.size())) {
    ++n;
  }
  return n;
}

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_ENGINE_WORD_WORD_TEST_UTIL_H_
