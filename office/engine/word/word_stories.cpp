#include "office/engine/word/word_stories.h"

#include <pugixml.hpp>

#include <array>
#include <vector>

#include "app/runtime_error.h"
#include "office/automation_object.h"
#include "office/engine/word/field_codes.h"
#include "office/engine/word/story_part.h"
#include "office/engine/word/word_document.h"

namespace vexlo::engine::word {

using app::RuntimeError;
using office::Args;
using office::Value;

namespace {

using WeakDoc = std::weak_ptr<WordDocument>;

std::shared_ptr<WordDocument> Open(const WeakDoc& weak) {
  std::shared_ptr<WordDocument> doc = weak.lock();
  if (!doc || doc->closed()) throw RuntimeError::Automation("自动化调用失败：文档已经关闭");
  return doc;
}

template <typename T, typename... A>
Value Object(A&&... args) {
  return Value(std::static_pointer_cast<office::Dispatch>(std::make_shared<T>(std::forward<A>(args)...)));
}

// The XML of the main story (`part` empty) or of a story part.
std::string StoryXml(WordDocument& doc, const std::string& part) {
  if (part.empty()) return doc.model().MainXml();
  const std::string* xml = doc.model().package().StoryPart(part);
  if (xml == nullptr) throw RuntimeError::Automation("自动化调用失败：文档中没有“" + part + "”");
  return *xml;
}

void SetStoryXml(WordDocument& doc, const std::string& part, std::string xml) {
  if (part.empty()) {
    doc.model().Rewrite(xml);
  } else {
    doc.model().SetPackage(doc.model().package().WithStoryPart(part, std::move(xml)));
  }
}

// A field's instruction or result as a range: its text, settable for the result.
class FieldRange : public office::AutomationObject {
 public:
  FieldRange(std::function<std::string()> get, std::function<void(const std::string&)> set)
      : AutomationObject("Range") {
    if (set) {
      AddProperty("text", [get] { return Value(get()); },
                  [set](const Value& v) { set(office::ArgText(v, "text", 1)); });
    } else {
      AddProperty("text", [get] { return Value(get()); });
    }
  }
};

class WordField : public office::AutomationObject {
 public:
  WordField(WeakDoc doc, std::string part, size_t index)
      : AutomationObject("Field"), doc_(std::move(doc)), part_(std::move(part)), index_(index) {
    AddProperty("type", [this] { return Value(FieldTypeOf(Info().code)); });
    AddProperty("code", [this] {
      return Object<FieldRange>([this] { return Info().code; }, nullptr);
    });
    AddProperty("result", [this] {
      return Object<FieldRange>([this] { return Info().result; },
                                [this](const std::string& text) {
                                  Change(SetFieldResult(Xml(), index_, text));
                                });
    });
    AddMethod("unlink", 0, 0, [this](const Args&) {
      Change(UnlinkField(Xml(), index_));
      return Value();
    });
  }

 private:
  std::string Xml() const { return StoryXml(*Open(doc_), part_); }
  [[noreturn]] static void Gone() {
    throw RuntimeError::Automation("自动化调用失败：这个域已经不存在");
  }
  FieldText Info() const {
    std::vector<FieldText> fields = ListFields(Xml());
    if (index_ >= fields.size()) Gone();
    return fields[index_];
  }
  void Change(std::optional<std::string> xml) {
    if (!xml) Gone();
    SetStoryXml(*Open(doc_), part_, std::move(*xml));
  }

  WeakDoc doc_;
  std::string part_;
  size_t index_;
};

class WordFields : public office::AutomationObject {
 public:
  WordFields(WeakDoc doc, std::string part)
      : AutomationObject("Fields"), doc_(std::move(doc)), part_(std::move(part)) {
    AddProperty("count", [this] {
      return Value(static_cast<int32_t>(ListFields(StoryXml(*Open(doc_), part_)).size()));
    });
    AddMethod("item", 1, 1, [this](const Args& a) {
      const int32_t i = a.Long(0);
      const size_t count = ListFields(StoryXml(*Open(doc_), part_)).size();
      if (i < 1 || static_cast<size_t>(i) > count) throw RuntimeError::ArrayBounds();
      return Object<WordField>(doc_, part_, static_cast<size_t>(i - 1));
    });
  }

 private:
  WeakDoc doc_;
  std::string part_;
};

// Find and replace in a story part, with the eleven arguments of the main story's find.
class PartFinder : public office::AutomationObject {
 public:
  PartFinder(WeakDoc doc, std::string part) : AutomationObject("Find") {
    AddMethod("execute", 0, 15, [doc, part](const Args& a) {
      const std::string text = a.Text(0, "");
      PartFind options;
      options.match_case = a.Bool(1, false);
      options.whole_word = a.Bool(2, false);
      if (a.Bool(3, false)) {
        throw RuntimeError::Automation("自动化调用失败：查找不支持通配符（MatchWildcards）");
      }
      const std::shared_ptr<WordDocument> d = Open(doc);
      std::string xml = StoryXml(*d, part);
      const int32_t replace = a.Long(10, 0);
      if (replace == 0) return Value(ReplaceInPart(xml, text, nullptr, options) > 0);
      if (replace == 1) options.max_replacements = 1;
      const std::string with = a.Text(9, "");
      const int n = ReplaceInPart(xml, text, &with, options);
      if (n > 0) SetStoryXml(*d, part, std::move(xml));
      return Value(n > 0);
    });
  }
};

// A story kept in a part of its own, as a range over all of it.
class PartRange : public office::AutomationObject {
 public:
  PartRange(WeakDoc doc, std::string part, int32_t story_type) : AutomationObject("Range") {
    AddProperty("text", [doc, part] { return Value(PartText(StoryXml(*Open(doc), part))); });
    AddProperty("storytype", [story_type] { return Value(story_type); });
    AddProperty("find", [doc, part] { return Object<PartFinder>(doc, part); });
    AddProperty("fields", [doc, part] { return FieldsOf(Open(doc), part); });
  }
};

// Headers and footers of one section by kind: primary, first page, even pages.
struct SectionParts {
  std::array<std::string, 3> headers, footers;
  std::array<bool, 3> own_headers{}, own_footers{};  // named by this section itself
};

// The header and footer parts of each section; a section that names none of a kind has the
// previous section's (linked to previous).
std::vector<SectionParts> ReadSections(WordDocument& doc) {
  const std::string xml = doc.model().MainXml();
  const WordPackage& package = doc.model().package();
  std::vector<SectionParts> sections;
  pugi::xml_document dom;
  if (!dom.load_buffer(xml.data(), xml.size())) return sections;
  const std::string_view root = dom.document_element().name();
  const size_t colon = root.find(':');
  const std::string w = colon == std::string_view::npos ? "" : std::string(root.substr(0, colon + 1));
  SectionParts current;
  for (pugi::xpath_node x : dom.select_nodes("//*")) {
    const pugi::xml_node n = x.node();
    if (std::string_view(n.name()) != w + "sectPr") continue;
    current.own_headers = current.own_footers = {};
    for (pugi::xml_node ref = n.first_child(); ref; ref = ref.next_sibling()) {
      const std::string_view name = ref.name();
      const bool header = name == w + "headerReference";
      if (!header && name != w + "footerReference") continue;
      const std::string_view type = ref.attribute((w + "type").c_str()).value();
      const size_t kind = type == "first" ? 1 : type == "even" ? 2 : 0;
      std::string id;
      for (pugi::xml_attribute at : ref.attributes()) {
        const std::string_view an = at.name();
        if (an.size() > 3 && an.ends_with(":id") && an != w + "id") id = at.value();
      }
      const std::string target = package.RelationshipTarget(id);
      if (package.StoryPart(target) == nullptr) continue;
      (header ? current.headers : current.footers)[kind] = target;
      (header ? current.own_headers : current.own_footers)[kind] = true;
    }
    sections.push_back(current);
  }
  if (sections.empty()) sections.emplace_back();
  return sections;
}

constexpr int32_t kHeaderStory[3] = {kPrimaryHeaderStory, kFirstPageHeaderStory, kEvenPagesHeaderStory};
constexpr int32_t kFooterStory[3] = {kPrimaryFooterStory, kFirstPageFooterStory, kEvenPagesFooterStory};

class HeaderFooter : public office::AutomationObject {
 public:
  HeaderFooter(WeakDoc doc, std::string part, int32_t story_type, bool linked)
      : AutomationObject("HeaderFooter") {
    AddProperty("exists", [part] { return Value(!part.empty()); });
    AddProperty("linktoprevious", [linked] { return Value(linked); });
    AddProperty("range", [doc, part, story_type] {
      if (part.empty()) throw RuntimeError::Automation("自动化调用失败：这一节没有这种页眉或页脚");
      return Object<PartRange>(doc, part, story_type);
    });
  }
};

class HeadersFooters : public office::AutomationObject {
 public:
  HeadersFooters(WeakDoc doc, size_t section, bool footers) : AutomationObject("HeadersFooters") {
    AddProperty("count", [] { return Value(3); });
    AddMethod("item", 1, 1, [doc, section, footers](const Args& a) {
      const int32_t k = a.Long(0);
      if (k < 1 || k > 3) throw RuntimeError::ArrayBounds();
      const std::vector<SectionParts> sections = ReadSections(*Open(doc));
      if (section >= sections.size()) throw RuntimeError::ArrayBounds();
      const SectionParts& s = sections[section];
      return Object<HeaderFooter>(doc, (footers ? s.footers : s.headers)[k - 1],
                                  (footers ? kFooterStory : kHeaderStory)[k - 1],
                                  section > 0 && !(footers ? s.own_footers : s.own_headers)[k - 1]);
    });
  }
};

class Section : public office::AutomationObject {
 public:
  Section(WeakDoc doc, size_t index) : AutomationObject("Section") {
    AddProperty("headers", [doc, index] { return Object<HeadersFooters>(doc, index, false); });
    AddProperty("footers", [doc, index] { return Object<HeadersFooters>(doc, index, true); });
  }
};

class Sections : public office::AutomationObject {
 public:
  explicit Sections(WeakDoc doc) : AutomationObject("Sections") {
    AddProperty("count", [doc] { return Value(static_cast<int32_t>(ReadSections(*Open(doc)).size())); });
    AddMethod("item", 1, 1, [doc](const Args& a) {
      const int32_t i = a.Long(0);
      if (i < 1 || static_cast<size_t>(i) > ReadSections(*Open(doc)).size()) {
        throw RuntimeError::ArrayBounds();
      }
      return Object<Section>(doc, static_cast<size_t>(i - 1));
    });
  }
};

// The notes of a notes part that a reader sees (separators left out).
int32_t NoteCount(WordDocument& doc, bool endnotes) {
  const WordPackage& package = doc.model().package();
  const std::string& name = endnotes ? package.endnotes_part() : package.footnotes_part();
  const std::string* xml = package.StoryPart(name);
  if (xml == nullptr) return 0;
  pugi::xml_document dom;
  if (!dom.load_buffer(xml->data(), xml->size())) return 0;
  int32_t n = 0;
  for (pugi::xml_node note : dom.document_element().children()) {
    if (note.type() != pugi::node_element) continue;
    bool separator = false;
    for (pugi::xml_attribute at : note.attributes()) {
      const std::string_view an = at.name();
      if (an.ends_with("type") && std::string_view(at.value()) != "normal") separator = true;
    }
    n += separator ? 0 : 1;
  }
  return n;
}

class Notes : public office::AutomationObject {
 public:
  Notes(WeakDoc doc, bool endnotes) : AutomationObject(endnotes ? "Endnotes" : "Footnotes") {
    AddProperty("count", [doc, endnotes] { return Value(NoteCount(*Open(doc), endnotes)); });
  }
};

// Story types present, in the order of their numbers.
std::vector<std::pair<int32_t, std::string>> Stories(WordDocument& doc) {
  std::vector<std::pair<int32_t, std::string>> stories{{kMainTextStory, {}}};
  const WordPackage& package = doc.model().package();
  if (NoteCount(doc, false) > 0) stories.push_back({kFootnotesStory, package.footnotes_part()});
  if (NoteCount(doc, true) > 0) stories.push_back({kEndnotesStory, package.endnotes_part()});
  const SectionParts first = ReadSections(doc).front();
  for (size_t k = 0; k < 3; ++k) {
    if (!first.headers[k].empty()) stories.push_back({kHeaderStory[k], first.headers[k]});
    if (!first.footers[k].empty()) stories.push_back({kFooterStory[k], first.footers[k]});
  }
  return stories;
}

class StoryRanges : public office::AutomationObject {
 public:
  explicit StoryRanges(WeakDoc doc) : AutomationObject("StoryRanges") {
    AddProperty("count", [doc] { return Value(static_cast<int32_t>(Stories(*Open(doc)).size())); });
    AddMethod("item", 1, 1, [doc](const Args& a) {
      const int32_t type = a.Long(0);
      const std::shared_ptr<WordDocument> d = Open(doc);
      if (type == kMainTextStory) return d->Get("content");
      for (const auto& [t, part] : Stories(*d)) {
        if (t == type) return Object<PartRange>(doc, part, t);
      }
      throw RuntimeError::Automation("自动化调用失败：文档中没有类型为 " + std::to_string(type) +
                                     " 的部分");
    });
  }
};

}  // namespace

Value FieldsOf(const std::shared_ptr<WordDocument>& doc, const std::string& part) {
  return Object<WordFields>(WeakDoc(doc), part);
}

Value SectionsOf(const std::shared_ptr<WordDocument>& doc) { return Object<Sections>(WeakDoc(doc)); }

Value StoryRangesOf(const std::shared_ptr<WordDocument>& doc) {
  return Object<StoryRanges>(WeakDoc(doc));
}

Value NotesOf(const std::shared_ptr<WordDocument>& doc, bool endnotes) {
  return Object<Notes>(WeakDoc(doc), endnotes);
}

}  // namespace vexlo::engine::word
