#include "office/engine/package/zip_reader.h"

#include <zip.h>

#include <algorithm>
#include <unordered_map>

#include "app/runtime_error.h"

namespace vexlo::engine {

using app::RuntimeError;

namespace {

// What a libzip error code means to the user.
std::string ZipProblem(int code) {
  switch (code) {
    case ZIP_ER_NOZIP:
      return "不是压缩包格式";
    case ZIP_ER_INCONS:
    case ZIP_ER_COMPNOTSUPP:
      return "文件结构不一致";
    case ZIP_ER_CRC:
      return "数据校验错误";
    case ZIP_ER_ZLIB:
    case ZIP_ER_EOF:
      return "数据不完整";
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
      return "已加密";
    case ZIP_ER_MEMORY:
      return "内存不足";
    default:
      return "错误码 " + std::to_string(code);
  }
}

std::vector<std::string> EntryNames(zip* archive) {
  std::vector<std::string> names;
  const zip_int64_t n = zip_get_num_entries(archive, 0);
  names.reserve(static_cast<size_t>(std::max<zip_int64_t>(n, 0)));
  for (zip_int64_t i = 0; i < n; ++i) {
    const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    names.push_back(name ? name : "");
  }
  return names;
}

}  // namespace

ZipReader::ZipReader(zip* archive, std::string display_name, std::string data, ZipLimits limits)
    : archive_(archive),
      display_name_(std::move(display_name)),
      data_(std::move(data)),
      limits_(limits) {}

ZipReader::~ZipReader() {
  if (archive_) zip_discard(archive_);
}

void ZipReader::Corrupt(std::string_view what) const {
  throw RuntimeError::Format(display_name_, "已损坏或不是有效的文档：" + std::string(what));
}

std::unique_ptr<ZipReader> ZipReader::Open(const std::string& path, ZipLimits limits) {
  int code = 0;
  zip* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (archive == nullptr) {
    if (code == ZIP_ER_NOENT) throw RuntimeError::File(path, "不存在");
    if (code == ZIP_ER_OPEN || code == ZIP_ER_READ) throw RuntimeError::File(path, "无法读取");
    throw RuntimeError::Format(path, "已损坏或不是有效的文档（" + ZipProblem(code) + "）");
  }
  std::unique_ptr<ZipReader> reader(new ZipReader(archive, path, {}, limits));
  reader->ListEntries();
  return reader;
}

std::unique_ptr<ZipReader> ZipReader::FromBytes(std::string data, std::string display_name,
                                                ZipLimits limits) {
  zip_error_t error;
  zip_error_init(&error);
  std::unique_ptr<ZipReader> reader(new ZipReader(nullptr, display_name, std::move(data), limits));
  zip_source_t* source =
      zip_source_buffer_create(reader->data_.data(), reader->data_.size(), 0, &error);
  zip* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (archive == nullptr) {
    if (source) zip_source_free(source);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    throw RuntimeError::Format(display_name, "已损坏或不是有效的文档（" + ZipProblem(code) + "）");
  }
  zip_error_fini(&error);
  reader->archive_ = archive;
  reader->ListEntries();
  return reader;
}

void ZipReader::ListEntries() {
  const zip_int64_t n = zip_get_num_entries(archive_, 0);
  if (n < 0 || static_cast<uint64_t>(n) > limits_.max_entries) Corrupt("条目数量异常");
  names_ = EntryNames(archive_);
  index_.reserve(names_.size());
  for (size_t i = 0; i < names_.size(); ++i) index_.emplace(names_[i], i);
}

int64_t ZipReader::IndexOf(std::string_view name) const {
  const auto it = index_.find(name);
  return it == index_.end() ? -1 : static_cast<int64_t>(it->second);
}

bool ZipReader::Has(std::string_view name) const { return IndexOf(name) >= 0; }

std::optional<std::string> ZipReader::Read(std::string_view name) {
  const int64_t index = IndexOf(name);
  if (index < 0) return std::nullopt;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0) {
    Corrupt(std::string(name));
  }
  // The declared size may lie; it only picks the buffer size, the read below is bounded anyway.
  const uint64_t declared = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
  const uint64_t compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
  if (declared > limits_.max_entry_size) Corrupt(std::string(name) + " 过大");
  if (declared > (1u << 20) && compressed > 0 && declared / compressed > limits_.max_ratio) {
    Corrupt(std::string(name) + " 压缩比异常");
  }

  zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) {
    Corrupt(std::string(name) + "（" + ZipProblem(zip_error_code_zip(zip_get_error(archive_))) + "）");
  }
  std::string out;
  out.reserve(static_cast<size_t>(std::min<uint64_t>(declared, 64u << 20)));
  char buf[65536];
  for (;;) {
    const zip_int64_t n = zip_fread(file, buf, sizeof buf);
    if (n < 0) {
      const int code = zip_error_code_zip(zip_file_get_error(file));
      zip_fclose(file);
      Corrupt(std::string(name) + "（" + ZipProblem(code) + "）");
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
    total_read_ += static_cast<uint64_t>(n);
    if (out.size() > limits_.max_entry_size || total_read_ > limits_.max_total_size) {
      zip_fclose(file);
      Corrupt(std::string(name) + " 解压后过大");
    }
  }
  zip_fclose(file);
  return out;
}

}  // namespace vexlo::engine
