#include "tests/engine/oracle/record_documents.h"

#include "app/runtime_error.h"
#include "merge/document_generation.h"
#include "merge/placeholders.h"
#include "office/oleobject.h"

namespace vexlo::oracle {

namespace fs = std::filesystem;

std::vector<fs::path> MakeRecordDocuments(const fs::path& dir, const fs::path& templ,
                                          const std::vector<std::string>& titles,
                                          const std::vector<std::vector<std::string>>& records) {
  office::oleobject word, word2;
  if (word.start_new("word.application") != 0 || word2.start_new("word.application") != 0) {
    throw app::RuntimeError::Output("无法启动文字处理服务");
  }
  std::vector<fs::path> made;
  const auto quit = [&] {
    word.get("application").call("quit");
    word2.get("application").call("quit");
  };
  try {
    merge::PrepareDocuments(word, word2, templ.string());
    // As a run does: merge fields become marked names, and the stories besides the main text
    // (headers, footers, notes) are filled for each record too.
    const merge::TemplatePlaceholders placeholders = merge::ReadPlaceholders(word, titles);
    merge::PrepareTemplate(word, placeholders);
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (i > 0) merge::NewRecordDocument(word2);
      merge::FillRecord(
          word, word2, titles, [&](std::size_t k) { return records[i][k]; }, placeholders,
          placeholders.in_other_stories);
      made.push_back(dir / ("记录" + std::to_string(i) + ".docx"));
      word2.get("activedocument").call("saveas", {made.back().string()});
      word2.get("activedocument").call("close");
    }
  } catch (...) {
    quit();
    throw;
  }
  quit();
  return made;
}

}  // namespace vexlo::oracle
