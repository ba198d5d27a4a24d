#include "office/engine/sheet/workbook_loader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/runtime_error.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/package/file_kind.h"
#include "office/engine/sheet/csv_reader.h"
#include "office/engine/sheet/html_table_reader.h"
#include "office/engine/sheet/package_decryption.h"
#include "office/engine/sheet/text_decoding.h"
#include "office/engine/sheet/workbook_protection.h"
#include "office/engine/sheet/xls_reader.h"
#include "office/engine/sheet/xlsx_reader.h"

namespace vexlo::engine::sheet {
namespace {

using app::RuntimeError;

ZipLimits WorkbookZipLimits() {
  ZipLimits limits;
  limits.max_entry_size = kMaxWorkbookBytes / 2;
  limits.max_total_size = kMaxWorkbookBytes;
  return limits;
}

bool IsZip(std::string_view head) { return head.size() >= 4 && head.substr(0, 2) == "PK"; }

// A bare BIFF stream outside a compound document starts with a BOF record.
bool IsBareBiff(std::string_view head) {
  return head.size() >= 2 && (head[0] == '\x09') &&
         (head[1] == '\x00' || head[1] == '\x02' || head[1] == '\x04' || head[1] == '\x08');
}

WorkbookData FromCompoundFile(std::string_view bytes, const std::string& name) {
  const CompoundFile file(bytes, name, "Excel文件");
  if (file.HasStream("EncryptionInfo") || file.HasStream("EncryptedPackage")) {
    const std::optional<std::string> info = file.ReadStream("EncryptionInfo");
    const std::optional<std::string> package = file.ReadStream("EncryptedPackage");
    if (!info || !package) RefuseEncryption(name, "加密信息不完整");
    auto zip = ZipReader::FromBytes(DecryptPackage(*info, *package, name), name, WorkbookZipLimits());
    return ReadXlsx(*zip);
  }
  std::optional<std::string> stream = file.ReadStream("Workbook");
  if (!stream) stream = file.ReadStream("Book");
  if (!stream) {
    if (file.HasStream("WordDocument")) {
      throw RuntimeError::Format(name, "是Word文档，不是Excel工作簿");
    }
    throw RuntimeError::Format(name, "不是Excel工作簿（找不到工作簿数据）");
  }
  return ReadXls(*stream, name);
}

// Text has no control characters but tab and line breaks (UTF-16 is judged by its mark). The
// readers judge the whole text once it is decoded; this look at its start tells text from binary.
bool LooksLikeText(std::string_view bytes) {
  return HasUtf16Bom(bytes) || HasOnlyTextControls(bytes.substr(0, 65536));
}

bool HasCsvExtension(const std::string& name) {
  std::string extension = std::filesystem::path(name).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".csv" || extension == ".txt" || extension == ".tsv";
}

// A text file: a web page's first table, or separated fields. Text under another name than .csv
// counts as data only when its first line has at least two fields.
WorkbookData FromText(std::string bytes, const std::string& name) {
  const std::string head = TextHead(bytes, 4096);
  if (LooksLikeMarkup(head)) return ReadHtmlTable(std::move(bytes), name);
  const std::string_view first_line = std::string_view(head).substr(0, head.find_first_of("\r\n"));
  if (HasCsvExtension(name) || first_line.find(CsvSeparator(head)) != std::string_view::npos) {
    return ReadCsv(std::move(bytes), name);
  }
  throw RuntimeError::Format(name, "是文本文件，但没有用逗号、制表符或分号分开的列，不是Excel工作簿");
}

// Takes the bytes over, so that a text file is not held twice while it is decoded.
WorkbookData FromOtherBytes(std::string&& bytes, const std::string& name) {
  if (bytes.empty()) throw RuntimeError::Format(name, "是空文件，不是Excel工作簿");
  if (CompoundFile::HasSignature(bytes)) return FromCompoundFile(bytes, name);
  if (IsBareBiff(bytes)) return ReadXls(bytes, name);
  if (const char* kind = KnownOtherKind(bytes)) {
    throw RuntimeError::Format(name, std::string("是") + kind + "，不是Excel工作簿");
  }
  if (LooksLikeText(bytes)) return FromText(std::move(bytes), name);
  throw RuntimeError::Format(name, "不是Excel工作簿（无法识别的文件格式）");
}

}  // namespace

WorkbookData LoadWorkbookBytes(std::string bytes, const std::string& display_name) {
  if (bytes.size() > kMaxWorkbookBytes) throw RuntimeError::Format(display_name, "过大，无法读取");
  if (IsZip(bytes)) {
    auto package = ZipReader::FromBytes(std::move(bytes), display_name, WorkbookZipLimits());
    return ReadXlsx(*package);
  }
  return FromOtherBytes(std::move(bytes), display_name);
}

WorkbookData LoadWorkbookFile(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) throw RuntimeError::File(path, "不存在");
  if (std::filesystem::is_directory(status)) throw RuntimeError::File(path, "是文件夹，不是文件");
  uint64_t size = std::filesystem::file_size(path, ec);
  if (ec) throw RuntimeError::File(path, "无法读取");
  if (size > kMaxWorkbookBytes) throw RuntimeError::Format(path, "过大，无法读取");

  std::ifstream in(path, std::ios::binary);
  if (!in) throw RuntimeError::File(path, "无法读取（没有权限或文件被占用）");
  char head[8] = {};
  in.read(head, sizeof head);
  const std::string_view head_view(head, static_cast<size_t>(in.gcount()));
  if (IsZip(head_view)) {
    in.close();
    auto package = ZipReader::Open(path, WorkbookZipLimits());
    return ReadXlsx(*package);
  }
  size = std::max<uint64_t>(size, head_view.size());  // the file may have grown meanwhile
  std::string bytes(head_view);
  bytes.resize(static_cast<size_t>(size));
  in.read(bytes.data() + head_view.size(), static_cast<std::streamsize>(size - head_view.size()));
  if (static_cast<uint64_t>(in.gcount()) + head_view.size() != size) {
    throw RuntimeError::File(path, "读取不完整");
  }
  return FromOtherBytes(std::move(bytes), path);
}

}  // namespace vexlo::engine::sheet
