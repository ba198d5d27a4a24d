#include "office/engine/word/document_model.h"

#include <algorithm>

#include "app/runtime_error.h"
#include "office/engine/word/seq_fields.h"
#include "office/engine/word/text_fold.h"
#include "office/engine/word/text_match.h"

namespace vexlo::engine::word {

using app::RuntimeError;

namespace {

std::u32string Decode(std::string_view s) {
  std::u32string out;
  size_t pos = 0;
  while (pos < s.size()) out.push_back(DecodeUtf8(s, pos));
  return out;
}

// Characters of valid UTF-8 text in UTF-16 units: every lead byte one, a four-byte one two.
int64_t Utf16Length(std::string_view s) {
  int64_t n = 0;
  for (char c : s) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) n += b >= 0xF0 ? 2 : 1;
  }
  return n;
}

// Character positions of one copy of `story` holding `texts`.
int64_t StoryLength(const SourceStory& story, const std::vector<std::string>& texts) {
  int64_t n = static_cast<int64_t>(story.paragraphs().size()) + story.table_rows();
  for (const ParaItem& item : story.items()) n += item.text < 0 ? 1 : Utf16Length(texts[item.text]);
  return n;
}

}  // namespace

DocumentModel::DocumentModel(std::shared_ptr<const WordPackage> package, bool blank)
    : package_(std::move(package)), blank_(blank) {
  if (!blank_) AppendBlock(package_->story_ptr(), package_->story().texts());
}

void DocumentModel::AppendBlock(std::shared_ptr<const SourceStory> story,
                                std::vector<std::string> texts) {
  // Searches mostly revisit the last copies; older copies give their caches back.
  constexpr size_t kCachedBlocks = 3;
  if (blocks_.size() >= kCachedBlocks) {
    Block& old = blocks_[blocks_.size() - kCachedBlocks];
    std::unordered_map<uint32_t, FoldedPara>().swap(old.folded);
    std::vector<CharSet>().swap(old.chars);
  }
  Block b;
  b.visited.assign(story->paragraphs().size(), 0);
  b.edited.assign(story->paragraphs().size(), false);
  b.chars.resize(story->paragraphs().size());
  b.source = std::move(story);
  b.copy = next_copy_++;
  b.texts = std::move(texts);
  // A pasted story holds its own texts (see ClipContent): its length is known after the first.
  if (b.source != measured_) {
    measured_ = b.source;
    measured_length_ = StoryLength(*b.source, b.texts);
  }
  b.length = measured_length_;
  length_ += b.length;
  log_.push_back({static_cast<uint32_t>(blocks_.size()), -1});
  blocks_.push_back(std::move(b));
  ++changes_;
}

ClipContent DocumentModel::Copy() const {
  if (blocks_.size() == 1 && !blocks_[0].modified && blocks_[0].copy == 0 &&
      blocks_[0].source == package_->story_ptr()) {
    return {package_, blocks_[0].source, blocks_[0].texts};
  }
  // Several copies or edited texts: the story as it is now becomes a source of its own.
  std::shared_ptr<const WordPackage> pkg = package_->WithMainXml(MainXml(), Copies(blocks_.size()));
  return {pkg, pkg->story_ptr(), pkg->story().texts()};
}

void DocumentModel::Paste(const ClipContent& clip) {
  if (!clip.story) return;
  if (blank_) {
    // The blank document takes the look of what is pasted into it: page setup, headers and
    // footers, styles, lists and media all come with the package.
    blank_ = false;
    package_ = clip.package;
  } else if (clip.package != package_ && clip.story->uses_relationships() &&
             clip.package->main_rels() != package_->main_rels()) {
    throw RuntimeError::Other(
        "无法粘贴：复制的内容含有来自另一个文档的图片或链接，这里不支持这样粘贴");
  }
  if (snapshot_.active && snapshot_.package != package_) {
    throw RuntimeError::Other("内部错误：保存尚未完成时文档结构发生了变化");
  }
  AppendBlock(clip.story, clip.texts);
}

void DocumentModel::Clear() {
  if (snapshot_.active) throw RuntimeError::Other("内部错误：保存尚未完成时文档被清空");
  blocks_.clear();
  log_.clear();
  cursors_.clear();
  next_copy_ = 0;
  length_ = 0;
  ++generation_;
  ++changes_;
}

std::string DocumentModel::Text(size_t first_block, size_t end_block) const {
  std::string out;
  const auto put = [&out](char32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  for (size_t b = first_block; b < std::min(end_block, blocks_.size()); ++b) {
    const Block& block = blocks_[b];
    const SourceStory& story = *block.source;
    for (const Paragraph& p : story.paragraphs()) {
      for (uint32_t i = 0; i < p.item_count; ++i) {
        const ParaItem& item = story.items()[p.first_item + i];
        if (item.text >= 0) {
          out += block.texts[item.text];
        } else {
          put(item.boundary);
        }
      }
      out += '\r';
    }
  }
  return out;
}

void DocumentModel::Rewrite(std::string_view main_xml) {
  if (snapshot_.active) throw RuntimeError::Other("内部错误：保存尚未完成时文档被改写");
  std::shared_ptr<const WordPackage> pkg = package_->WithMainXml(main_xml, Copies(blocks_.size()));
  Clear();
  blank_ = false;
  package_ = std::move(pkg);
  AppendBlock(package_->story_ptr(), package_->story().texts());
}

void DocumentModel::SetPackage(std::shared_ptr<const WordPackage> package) {
  if (snapshot_.active) throw RuntimeError::Other("内部错误：保存尚未完成时文档结构发生了变化");
  package_ = std::move(package);
  ++changes_;
}

int DocumentModel::Replace(std::string_view find, const std::string* with,
                           const FindOptions& options) {
  if (find.empty()) return 0;
  std::string clean;
  if (with != nullptr) {
    clean = CleanInsertedText(*with);
    with = &clean;
  }
  const std::u32string key = options.match_case ? Decode(find) : FoldText(find);
  CharSet key_chars;
  key_chars.Add(options.match_case ? FoldText(find) : key);
  std::string cursor_key(find);
  cursor_key += options.match_case ? "\x01" : "\x02";
  cursor_key += options.whole_word ? "\x01" : "\x02";
  ++call_;
  const size_t first = std::min(options.first_block, blocks_.size());
  const size_t last = std::min(options.end_block, blocks_.size());
  // A plain search (no replacement) or a limited one visits every paragraph in document order.
  if (with == nullptr || options.max_replacements >= 0) {
    int total = 0;
    int budget = options.max_replacements < 0 ? INT32_MAX : options.max_replacements;
    for (uint32_t b = first; b < last && budget > 0; ++b) {
      for (uint32_t p = 0; p < blocks_[b].visited.size() && budget > 0; ++p) {
        const int n = SearchParagraph(b, p, key, with, options, budget);
        total += n;
        budget -= n;
        if (with == nullptr && n > 0) return n;
      }
    }
    return total;
  }
  if (first != 0 || last != blocks_.size()) {
    // Some copies only (the newest, as a rule): each is searched where it can hold `find`.
    int total = 0;
    for (size_t b = first; b < last; ++b) {
      total += SearchBlock(static_cast<uint32_t>(b), key, key_chars, *with, options);
    }
    return total;
  }
  // Replace all: only what changed since this search string last replaced everything.
  const size_t end = log_.size();
  int total = 0;
  for (size_t i = cursors_[cursor_key]; i < end; ++i) {
    const LogEntry e = log_[i];
    if (e.paragraph >= 0) {
      const uint32_t p = static_cast<uint32_t>(e.paragraph);
      if (MayHold(blocks_[e.block], p, key_chars)) {
        total += SearchParagraph(e.block, p, key, with, options, INT32_MAX);
      }
    } else if (!options.match_case) {
      // A whole pasted block: its paragraphs still hold their source text, except those edited
      // since, and each of those has a log entry of its own after this one.
      Block& block = blocks_[e.block];
      for (uint32_t p : block.source->Candidates(key)) {
        if (!block.edited[p]) total += SearchParagraph(e.block, p, key, with, options, INT32_MAX);
      }
    } else {
      const uint32_t n = static_cast<uint32_t>(blocks_[e.block].visited.size());
      for (uint32_t p = 0; p < n; ++p) {
        total += SearchParagraph(e.block, p, key, with, options, INT32_MAX);
      }
    }
  }
  cursors_[cursor_key] = end;
  return total;
}

int DocumentModel::SearchBlock(uint32_t b, const std::u32string& key, const CharSet& key_chars,
                               const std::string& with, const FindOptions& options) {
  Block& block = blocks_[b];
  int total = 0;
  if (options.match_case) {
    for (uint32_t p = 0; p < block.visited.size(); ++p) {
      if (!MayHold(block, p, key_chars)) continue;
      total += SearchParagraph(b, p, key, &with, options, INT32_MAX);
    }
    return total;
  }
  // Paragraphs edited by this call are appended to the list as it runs; they are marked as
  // visited and so not searched again.
  for (uint32_t p : block.source->Candidates(key)) {
    if (!block.edited[p]) total += SearchParagraph(b, p, key, &with, options, INT32_MAX);
  }
  for (size_t i = 0; i < block.edited_list.size(); ++i) {
    const uint32_t p = block.edited_list[i];
    if (!MayHold(block, p, key_chars)) continue;
    total += SearchParagraph(b, p, key, &with, options, INT32_MAX);
  }
  return total;
}

bool DocumentModel::MayHold(const Block& block, uint32_t p, const CharSet& key_chars) {
  return !block.edited[p] || block.chars.empty() || block.chars[p].Covers(key_chars);
}

BlockSpan DocumentModel::BlocksBetween(int64_t start, int64_t end) const {
  const int64_t content_end = ContentEnd();
  if (start < 0 || end < start || start > content_end) {
    throw RuntimeError::Automation("自动化调用失败：区域（" + std::to_string(start) + "，" +
                                   std::to_string(end) + "）不在文档之内（文档的字符位置是 0 到 " +
                                   std::to_string(content_end) + "）");
  }
  // Walks back from the end: ranges lie over the newest copies as a rule.
  const auto block_at = [&](int64_t pos) -> size_t {
    if (pos >= length_) return blocks_.size();
    if (pos == 0) return 0;
    int64_t at = length_;
    for (size_t b = blocks_.size(); b-- > 0;) {
      at -= blocks_[b].length;
      if (at == pos) return b;
      if (at < pos) break;
    }
    throw RuntimeError::Automation(
        "自动化调用失败：字符位置 " + std::to_string(pos) +
        " 在一份粘贴内容的中间；这里的区域只能起止于文档的开头、两份粘贴内容之间或文档的末尾");
  };
  const size_t first = block_at(start);
  return {first, std::max(first, block_at(std::min(end, content_end)))};
}

int64_t DocumentModel::BlockStart(size_t b) const {
  // From the end: ranges lie over the newest copies as a rule.
  if (b == 0) return 0;
  int64_t at = length_;
  for (size_t i = blocks_.size(); i > b; --i) at -= blocks_[i - 1].length;
  return at;
}

int DocumentModel::SearchParagraph(uint32_t b, uint32_t p, const std::u32string& key,
                                   const std::string* with, const FindOptions& options,
                                   int budget) {
  Block& block = blocks_[b];
  if (block.visited[p] == call_) return 0;
  block.visited[p] = call_;

  FoldedPara unfolded;
  const FoldedPara* para;
  if (options.match_case) {
    unfolded = block.source->Fold(p, block.texts, false);
    para = &unfolded;
  } else if (!block.edited[p]) {
    para = &block.source->folded(p);
  } else {
    auto it = block.folded.find(p);
    if (it == block.folded.end()) it = block.folded.emplace(p, block.source->Fold(p, block.texts)).first;
    para = &it->second;
  }
  const std::u32string& chars = para->chars;
  const size_t n = key.size();
  const std::vector<size_t> matches = FindMatches(*para, key, options.whole_word, budget);
  if (matches.empty() || with == nullptr) return static_cast<int>(matches.size());

  // Keep the texts of the last save before the first edit of this block.
  if (snapshot_.active && b < snapshot_.blocks && !snapshot_.texts.count(b)) {
    snapshot_.texts.emplace(b, block.texts);
  }
  const int64_t with_length = Utf16Length(*with);
  for (const size_t s : matches) {
    int64_t delta = with_length - static_cast<int64_t>(n);
    for (size_t i = s; i < s + n; ++i) delta -= chars[i] > 0xFFFF ? 1 : 0;
    block.length += delta;
    length_ += delta;
  }
  ReplaceMatches(block.texts, *para, matches, n, *with);
  block.modified = true;
  if (!block.chars.empty()) {
    // The paragraph may still hold every character it held; it now holds those of `with` too.
    if (!block.edited[p]) block.chars[p].Add(block.source->folded(p).chars);
    block.chars[p].Add(FoldText(*with));
  }
  if (!block.edited[p]) block.edited_list.push_back(p);
  block.edited[p] = true;
  // Folded again when it is next searched.
  block.folded.erase(p);
  log_.push_back({b, static_cast<int32_t>(p)});
  ++changes_;
  return static_cast<int>(matches.size());
}

std::string DocumentModel::Xml(size_t blocks, const std::map<size_t, std::vector<std::string>>* stash,
                               const WordPackage& package) const {
  const SourceStory& main = package.story();
  std::string out;
  out.reserve(last_xml_size_ + 4096);
  out += main.prefix();
  for (size_t b = 0; b < blocks; ++b) {
    const Block& block = blocks_[b];
    const std::vector<std::string>* texts = &block.texts;
    if (stash) {
      auto it = stash->find(b);
      if (it != stash->end()) texts = &it->second;
    }
    block.source->AppendBody(out, *texts, block.copy);
  }
  if (blocks == 0) out += main.empty_paragraph();
  out += main.final_sectpr();
  out += main.suffix();
  last_xml_size_ = std::max(last_xml_size_, out.size());
  return out;
}

std::string DocumentModel::MainXml() const { return Xml(blocks_.size(), nullptr, *package_); }

std::vector<StoryCopy> DocumentModel::Copies(size_t blocks) const {
  std::vector<StoryCopy> copies;
  for (size_t b = 0; b < blocks; ++b) {
    if (blocks_[b].copy > 0) copies.push_back({blocks_[b].source.get(), blocks_[b].copy});
  }
  return copies;
}

namespace {

// `xml` as written for a converted format: the office's .doc writer drops the switch that
// restarts a caption sequence in each further copy.
std::string ForConversion(std::string xml, bool converted, const std::vector<StoryCopy>& copies) {
  if (!converted || copies.empty()) return xml;
  return SequencesAsText(xml);
}

}  // namespace

std::string DocumentModel::PackageBytes(std::string_view extension, bool converted) const {
  const std::vector<StoryCopy> copies = Copies(blocks_.size());
  std::string xml = ForConversion(MainXml(), converted, copies);
  return package_->Write(xml, extension, copies);
}

void DocumentModel::HoldSnapshot() {
  snapshot_ = Snapshot{true, blocks_.size(), package_, {}};
}

void DocumentModel::DropSnapshot() { snapshot_ = Snapshot{}; }

std::string DocumentModel::SnapshotBytes(std::string_view extension, bool converted) const {
  if (!snapshot_.active) return PackageBytes(extension, converted);
  const std::vector<StoryCopy> copies = Copies(snapshot_.blocks);
  std::string xml = ForConversion(Xml(snapshot_.blocks, &snapshot_.texts, *snapshot_.package), converted, copies);
  return snapshot_.package->Write(xml, extension, copies);
}

}  // namespace vexlo::engine::word
