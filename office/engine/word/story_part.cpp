#include "office/engine/word/story_part.h"

#include <pugixml.hpp>

#include <vector>

#include "office/engine/package/xml_string_writer.h"
#include "office/engine/word/text_fold.h"
#include "office/engine/word/text_match.h"

namespace vexlo::engine::word {

namespace {

constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

std::string Prefix(const pugi::xml_document& doc) {
  const std::string_view root = doc.document_element().name();
  const size_t colon = root.find(':');
  return colon == std::string_view::npos ? "" : std::string(root.substr(0, colon + 1));
}

// One paragraph: its run text nodes and the items the search sees.
struct PartParagraph {
  std::vector<pugi::xml_node> nodes;  // w:t, by text index
  std::vector<ParaItem> items;
};

class ParagraphWalk {
 public:
  explicit ParagraphWalk(std::string w) : w_(std::move(w)) {}

  std::vector<PartParagraph> paragraphs;

  // Every paragraph under `n`, each before the text-box paragraphs it holds.
  void Visit(const pugi::xml_node& n) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      if (Local(c) == "p") {
        const size_t index = paragraphs.size();
        paragraphs.emplace_back();
        Items(c, index);
      } else {
        Visit(c);
      }
    }
  }

 private:
  std::string_view Local(const pugi::xml_node& n) const {
    const std::string_view name = n.name();
    return name.substr(0, w_.size()) == w_ ? name.substr(w_.size()) : std::string_view();
  }

  void Items(const pugi::xml_node& n, size_t p) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view local = Local(c);
      PartParagraph& para = paragraphs[p];
      if (local == "t") {
        para.items.push_back({static_cast<int32_t>(para.nodes.size()), 0});
        para.nodes.push_back(c);
      } else if (local == "tab" || local == "ptab") {
        para.items.push_back({-1, '\t'});
      } else if (local == "br" || local == "cr") {
        para.items.push_back({-1, '\v'});
      } else if (local == "drawing" || local == "pict" || local == "object" || local == "sym" ||
                 std::string_view(c.name()).ends_with("AlternateContent")) {
        para.items.push_back({-1, 0xFFFC});
        Visit(c);  // text boxes: paragraphs of their own
      } else if (local != "instrText" && local != "delText" && local != "rPr" && local != "pPr") {
        Items(c, p);
      }
    }
  }

  const std::string w_;
};

// Writes `text` into run text `t`; tabs and line breaks become elements of their own.
void PutText(pugi::xml_node t, const std::string& text, const std::string& w) {
  pugi::xml_node run = t.parent();
  pugi::xml_node at = t;
  size_t start = 0;
  bool first = true;
  while (true) {
    const size_t stop = text.find_first_of("\t\v", start);
    const std::string piece = text.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
    pugi::xml_node node = first ? t : run.insert_child_after((w + "t").c_str(), at);
    node.text().set(piece.c_str());
    if (!node.attribute("xml:space")) node.append_attribute("xml:space") = "preserve";
    at = node;
    first = false;
    if (stop == std::string::npos) break;
    at = run.insert_child_after((w + (text[stop] == '\t' ? "tab" : "br")).c_str(), at);
    start = stop + 1;
  }
}

}  // namespace

std::string PartText(std::string_view xml) {
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.data(), xml.size(), kParse)) return {};
  ParagraphWalk walk(Prefix(doc));
  walk.Visit(doc.document_element());
  std::string out;
  for (const PartParagraph& p : walk.paragraphs) {
    for (const ParaItem& item : p.items) {
      if (item.text >= 0) {
        out += p.nodes[item.text].text().get();
      } else if (item.boundary == '\t' || item.boundary == '\v') {
        out += static_cast<char>(item.boundary);
      }
    }
    out += '\r';
  }
  return out;
}

int ReplaceInPart(std::string& xml, std::string_view find, const std::string* with,
                  const PartFind& options) {
  if (find.empty()) return 0;
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.data(), xml.size(), kParse)) return 0;
  const std::string w = Prefix(doc);
  ParagraphWalk walk(w);
  walk.Visit(doc.document_element());
  std::u32string key = FoldText(find);
  if (options.match_case) {
    key.clear();
    size_t pos = 0;
    while (pos < find.size()) key.push_back(DecodeUtf8(find, pos));
  }
  const std::string clean = with ? CleanInsertedText(*with) : std::string();
  int total = 0;
  int budget = options.max_replacements < 0 ? INT32_MAX : options.max_replacements;
  for (const PartParagraph& p : walk.paragraphs) {
    if (budget <= 0) break;
    std::vector<std::string> texts;
    for (const pugi::xml_node& t : p.nodes) texts.emplace_back(t.text().get());
    const FoldedPara para = FoldItems(p.items, texts, !options.match_case);
    const std::vector<size_t> matches = FindMatches(para, key, options.whole_word, budget);
    total += static_cast<int>(matches.size());
    budget -= static_cast<int>(matches.size());
    if (matches.empty() || with == nullptr) continue;
    std::vector<std::string> edited = texts;
    ReplaceMatches(edited, para, matches, key.size(), clean);
    for (size_t i = 0; i < edited.size(); ++i) {
      if (edited[i] != texts[i]) PutText(p.nodes[i], edited[i], w);
    }
  }
  if (with != nullptr && total > 0) {
    XmlStringWriter out;
    doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    xml = std::move(out.s);
  }
  return total;
}

}  // namespace vexlo::engine::word
