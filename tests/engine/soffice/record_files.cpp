#include "tests/engine/soffice/record_files.h"

#include "office/engine/package/zip_reader.h"
#include "office/engine/package/zip_writer.h"
#include "tests/engine/oracle/record_documents.h"
#include "tests/support/test_paths.h"

namespace vexlo::test {

namespace fs = std::filesystem;

std::vector<fs::path> MakeRecords(const fs::path& dir, const std::string& fixture, const std::vector<std::string>& titles,
                                  const std::vector<std::vector<std::string>>& records) {
  const fs::path templ = dir / ("模板" + fs::path(fixture).extension().string());
  fs::copy_file(DataFile(fixture), templ, fs::copy_options::overwrite_existing);
  return oracle::MakeRecordDocuments(dir, templ, titles, records);
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
