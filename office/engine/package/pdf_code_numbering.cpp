#include "office/engine/package/pdf_code_numbering.h"

#include "office/engine/package/pdf_flate.h"

#include <qpdf/QPDF.hh>

#include <vector>

namespace vexlo::engine {

namespace {

QPDFObjectHandle Renumbered(QPDFObjectHandle operand, const FontCodes& codes) {
  if (operand.isString()) {
    std::string text = operand.getStringValue();
    for (char& c : text) c = static_cast<char>(codes[static_cast<unsigned char>(c)]);
    return QPDFObjectHandle::newString(text);
  }
  QPDFObjectHandle array = QPDFObjectHandle::newArray();
  for (QPDFObjectHandle item : operand.aitems()) array.appendItem(item.isString() ? Renumbered(item, codes) : item);
  return array;
}

// One content's rewriting: where each operand lies (offset → length, new text).
struct Content {
  QPDFObjectHandle object;
  const std::string* bytes = nullptr;  // as the reader read them
  std::map<std::size_t, std::pair<std::size_t, std::string>> edits;
};

// Notes the rewriting of `s` in `content`; false when it cannot be done safely.
bool Edit(Content& content, const ShownString& s, const FontCodes& codes) {
  // The operand is what the reader read from these bytes there.
  if (s.offset > content.bytes->size() || s.length > content.bytes->size() - s.offset) return false;
  const std::string text = Renumbered(s.operand, codes).unparseBinary();
  const auto [it, added] = content.edits.try_emplace(s.offset, s.length, text);
  return added || it->second == std::pair{s.length, text};
}

// The content with its edits; nullopt when two of them overlap.
std::optional<std::string> Rewritten(const Content& content) {
  std::string out;
  std::size_t at = 0;
  for (const auto& [offset, edit] : content.edits) {
    if (offset < at) return std::nullopt;
    out.append(*content.bytes, at, offset - at);
    out += " " + edit.second + " ";
    at = offset + edit.first;
  }
  return out + content.bytes->substr(at);
}

}  // namespace

std::optional<std::map<QPDFObjGen, FontCodes>> NumberShownCodes(QPDF& pdf, const ShownCodes& shown) {
  std::map<QPDFObjGen, FontCodes> numbering;
  for (const auto& [font, used] : shown.codes) numbering[font] = NumberCodes(used);
  std::map<QPDFObjGen, Content> contents;
  try {
    for (const ShownString& s : shown.strings) {
      Content& content = contents[s.content.getObjGen()];
      if (!content.object.isInitialized()) {
        const auto read = shown.contents.find(s.content.getObjGen());
        if (read == shown.contents.end()) return std::nullopt;
        content = {s.content, &read->second, {}};
      }
      if (!Edit(content, s, numbering.at(s.font))) return std::nullopt;
    }
  } catch (const std::exception&) {
    return std::nullopt;
  }
  std::vector<std::pair<QPDFObjectHandle, std::string>> rewritten;
  for (const auto& [id, content] : contents) {
    std::optional<std::string> bytes = Rewritten(content);
    if (!bytes) return std::nullopt;
    rewritten.emplace_back(content.object, std::move(*bytes));
  }
  for (auto& [object, bytes] : rewritten) {
    if (object.isStream()) {
      ReplaceWithFlate(object, bytes);
    } else {
      object.replaceKey("/Contents", NewFlateStream(pdf, bytes));
    }
  }
  return numbering;
}

}  // namespace vexlo::engine
