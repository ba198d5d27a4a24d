#include "tests/engine/output/record_files.h"

#include <gtest/gtest.h>

#include "merge/document_generation.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/register_servers.h"
#include "office/oleobject.h"
#include "tests/support/test_paths.h"

namespace vexlo::test {

namespace fs = std::filesystem;

std::vector<fs::path> MakeRecords(const fs::path& dir, const std::string& fixture, const std::vector<std::string>& titles,
                                  const std::vector<std::vector<std::string>>& records) {
  engine::RegisterWordServer();
  office::oleobject word, word2;
  EXPECT_EQ(word.start_new("word.application"), 0);
  EXPECT_EQ(word2.start_new("word.application"), 0);
  const fs::path templ = dir / ("模板" + fs::path(fixture).extension().string());
  fs::copy_file(DataFile(fixture), templ, fs::copy_options::overwrite_existing);
  merge::PrepareDocuments(word, word2, templ.string());
  std::vector<fs::path> made;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) merge::NewRecordDocument(word2);
    merge::FillRecord(word, word2, titles, [&](std::size_t k) { return records[i][k]; });
    made.push_back(dir / ("记录" + std::to_string(i) + ".docx"));
    word2.get("activedocument").call("saveas", {made.back().string()});
    word2.get("activedocument").call("close");
  }
  word.get("application").call("quit");
  word2.get("application").call("quit");
  return made;
}

void RewritePart(const std::vector<fs::path>& records, const std::string& part,
                 const std::function<void(std::string&)>& change) {
  for (const fs::path& record : records) {
    std::unique_ptr<engine::ZipReader> zip = engine::ZipReader::Open(record.string());
    engine::ZipWriter out;
    for (const std::string& name : zip->names()) {
      std::string bytes = *zip->Read(name);
      if (name == part) change(bytes);
      out.Add(name, bytes);
    }
    zip.reset();
    WriteFile(record, out.Finish());
  }
}

}  // namespace vexlo::test
