#include "office/engine/package/zip_writer.h"

#include <zip.h>
#include <zlib.h>

#include <ctime>
#include <unordered_set>

#include "app/runtime_error.h"
#include "office/engine/package/little_endian.h"
#include "office/engine/package/zip_reader.h"

namespace vexlo::engine {

using app::RuntimeError;

namespace {

// Bit 11 of the flags marks a UTF-8 name. Set it only for names that really are UTF-8 beyond
// ASCII: readers reject a flagged name that is not valid UTF-8, and libzip counts control
// characters other than tab and line ends as not UTF-8.
uint16_t NameFlags(std::string_view s) {
  bool ascii = true;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    ascii = false;
    const int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || (len == 2 && c < 0xC2) || i + len > s.size()) return 0;
    for (int k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    }
    i += static_cast<size_t>(len);
  }
  return ascii ? 0 : 0x0800;
}

std::string Deflate(std::string_view data, int level) {
  z_stream z{};
  // Raw deflate (negative window bits): zip entries carry no zlib header.
  if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw RuntimeError::Output("压缩数据失败：内存不足");
  }
  std::string out;
  out.resize(deflateBound(&z, static_cast<uLong>(data.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw RuntimeError::Output("压缩数据失败");
  return out;
}

}  // namespace

std::vector<RawEntry> ReadRawEntries(ZipReader& reader, uint64_t package_size,
                                     std::vector<std::string>* inflated) {
  zip* archive = reader.archive();
  const std::string& file = reader.display_name();
  std::vector<RawEntry> entries;
  std::unordered_set<std::string> seen;
  const auto& names = reader.names();
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    if (name.empty() || name.back() == '/') continue;
    if (!seen.insert(name).second) {
      throw RuntimeError::Format(file, "已损坏：部件“" + name + "”重复出现");
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, i, 0, &st) != 0) {
      throw RuntimeError::Format(file, "已损坏或不是有效的文档：" + name);
    }
    if ((st.valid & ZIP_STAT_COMP_SIZE) && st.comp_size > package_size) {
      throw RuntimeError::Format(file, "已损坏：部件“" + name + "”的大小与文件不符");
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      throw RuntimeError::Format(file, "已加密，请先在原程序中取消密码保护");
    }
    // A full read checks size limits and the checksum.
    std::optional<std::string> bytes = reader.Read(name);
    if (!bytes) throw RuntimeError::Format(file, "已损坏或不是有效的文档：" + name);

    RawEntry entry;
    const bool raw_ok = (st.valid & ZIP_STAT_COMP_METHOD) && (st.valid & ZIP_STAT_CRC) &&
                        (st.valid & ZIP_STAT_COMP_SIZE) &&
                        (st.comp_method == ZIP_CM_STORE || st.comp_method == ZIP_CM_DEFLATE) &&
                        st.comp_size < (1ull << 31) && st.size == bytes->size();
    if (raw_ok) {
      zip_file_t* f = zip_fopen_index(archive, i, ZIP_FL_COMPRESSED);
      if (f == nullptr) throw RuntimeError::Format(file, "已损坏或不是有效的文档：" + name);
      entry.data.resize(st.comp_size);
      const zip_int64_t n = zip_fread(f, entry.data.data(), st.comp_size);
      zip_fclose(f);
      if (n < 0 || static_cast<uint64_t>(n) != st.comp_size) {
        throw RuntimeError::Format(file, "已损坏或不是有效的文档：" + name);
      }
      entry.name = name;
      entry.method = static_cast<uint16_t>(st.comp_method);
      entry.crc = st.crc;
      entry.size = st.size;
    } else {
      entry = MakeEntry(name, *bytes);
    }
    entries.push_back(std::move(entry));
    if (inflated) inflated->push_back(std::move(*bytes));
  }
  return entries;
}

RawEntry MakeEntry(std::string name, std::string_view data, int level) {
  RawEntry e;
  e.name = std::move(name);
  e.size = data.size();
  e.crc = static_cast<uint32_t>(
      crc32_z(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
  if (data.size() < 64) {
    e.method = 0;
    e.data.assign(data);
  } else {
    e.method = 8;
    e.data = Deflate(data, level);
  }
  return e;
}

ZipWriter::ZipWriter() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  if (tm.tm_year < 80) tm.tm_year = 80;
  dos_time_ = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  dos_date_ = static_cast<uint16_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
}

void ZipWriter::AddParts(std::string_view name, uint16_t method, uint32_t crc, uint64_t size,
                         std::string_view data) {
  if (out_.size() + data.size() + name.size() + 64 >= 0xFFFFFFFFull || size >= 0xFFFFFFFFull ||
      central_.size() >= 0xFFFF) {
    throw RuntimeError::Output("文档过大，无法保存（超过 4 GB）");
  }
  Central c{std::string(name), method, crc, static_cast<uint32_t>(data.size()),
            static_cast<uint32_t>(size), static_cast<uint32_t>(out_.size())};
  const uint16_t flags = NameFlags(name);
  AppendLe32(out_, 0x04034b50);
  AppendLe16(out_, 20);
  AppendLe16(out_, flags);
  AppendLe16(out_, method);
  AppendLe16(out_, dos_time_);
  AppendLe16(out_, dos_date_);
  AppendLe32(out_, crc);
  AppendLe32(out_, c.csize);
  AppendLe32(out_, c.size);
  AppendLe16(out_, static_cast<uint16_t>(name.size()));
  AppendLe16(out_, 0);
  out_.append(name);
  out_.append(data);
  central_.push_back(std::move(c));
}

void ZipWriter::Add(const RawEntry& e) { AddParts(e.name, e.method, e.crc, e.size, e.data); }

void ZipWriter::Add(std::string_view name, std::string_view data, int level) {
  RawEntry e = MakeEntry(std::string(name), data, level);
  Add(e);
}

std::string ZipWriter::Finish() {
  const uint32_t cd_offset = static_cast<uint32_t>(out_.size());
  for (const Central& c : central_) {
    const uint16_t flags = NameFlags(c.name);
    AppendLe32(out_, 0x02014b50);
    AppendLe16(out_, 20);
    AppendLe16(out_, 20);
    AppendLe16(out_, flags);
    AppendLe16(out_, c.method);
    AppendLe16(out_, dos_time_);
    AppendLe16(out_, dos_date_);
    AppendLe32(out_, c.crc);
    AppendLe32(out_, c.csize);
    AppendLe32(out_, c.size);
    AppendLe16(out_, static_cast<uint16_t>(c.name.size()));
    AppendLe16(out_, 0);
    AppendLe16(out_, 0);
    AppendLe16(out_, 0);
    AppendLe16(out_, 0);
    AppendLe32(out_, 0);
    AppendLe32(out_, c.offset);
    out_.append(c.name);
  }
  const uint32_t cd_size = static_cast<uint32_t>(out_.size() - cd_offset);
  AppendLe32(out_, 0x06054b50);
  AppendLe16(out_, 0);
  AppendLe16(out_, 0);
  AppendLe16(out_, static_cast<uint16_t>(central_.size()));
  AppendLe16(out_, static_cast<uint16_t>(central_.size()));
  AppendLe32(out_, cd_size);
  AppendLe32(out_, cd_offset);
  AppendLe16(out_, 0);
  central_.clear();
  return std::move(out_);
}

}  // namespace vexlo::engine
