#include "office/engine/package/pdf_shown_codes.h"

#include "office/engine/package/pdf_content_scan.h"

#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <vector>

namespace vexlo::engine {

namespace {

// The bytes of a page's content streams as one, or of a form's, as libqpdf's parser reads them.
std::string ContentBytes(QPDFObjectHandle content) {
  std::string bytes, description;
  Pl_String out("content", nullptr, bytes);
  QPDFObjectHandle streams = content.isStream() ? content : content.getKey("/Contents");
  if (!streams.isStream() && !streams.isArray()) return bytes;  // a page without content
  streams.pipeContentStreams(&out, "content", description);
  return bytes;
}

// The operations of a content as libqpdf's parser reads them, for what the scan gives up on.
class ParsedOperations : public QPDFObjectHandle::ParserCallbacks {
 public:
  void handleObject(QPDFObjectHandle obj, std::size_t offset, std::size_t length) override {
    if (obj.isOperator()) {
      operations.push_back({obj.getOperatorValue(), std::move(operands_)});
      operands_.clear();
      return;
    }
    ContentOperand operand;
    operand.offset = offset;
    operand.length = length;
    if (obj.isName()) {
      operand.kind = ContentOperand::Kind::kName;
      operand.name = obj.getName();
    } else if (obj.isString()) {
      operand.kind = ContentOperand::Kind::kString;
    } else if (obj.isArray()) {
      operand.kind = ContentOperand::Kind::kArray;
    } else if (obj.isDictionary()) {
      operand.kind = ContentOperand::Kind::kDictionary;
    }
    operands_.push_back(std::move(operand));
    objects[offset] = obj;
  }

  void handleEOF() override {}

  std::vector<ContentOperation> operations;
  std::map<std::size_t, QPDFObjectHandle> objects;  // each operand as the parser read it, by offset

 private:
  std::vector<ContentOperand> operands_;
};

// The operations of `content` (whose bytes are `bytes`); `objects` receives the operands as
// libqpdf's parser read them when the scan gave up.
std::vector<ContentOperation> Operations(QPDFObjectHandle content, const std::string& bytes,
                                         std::map<std::size_t, QPDFObjectHandle>& objects) {
  if (std::optional<std::vector<ContentOperation>> scanned = ScanContent(bytes)) return std::move(*scanned);
  ParsedOperations parsed;
  if (content.isStream()) {
    content.parseAsContents(&parsed);
  } else {
    QPDFPageObjectHelper(content).parseContents(&parsed);
  }
  objects = std::move(parsed.objects);
  return std::move(parsed.operations);
}

// Reads a content's operations and notes, per font, the codes shown. Fonts are set by Tf and
// restored by Q; forms drawn by Do are read with their own resources and the font in force.
class ContentReader {
 public:
  // `content`: the page or form whose content is read.
  ContentReader(QPDFObjectHandle content, QPDFObjectHandle resources, ShownCodes& shown, QPDFObjectHandle font)
      : content_(content), resources_(resources), shown_(shown), font_(font) {}

  void Read() {
    auto [read, added] = shown_.contents.try_emplace(content_.getObjGen());
    if (added) read->second = ContentBytes(content_);
    bytes_ = &read->second;
    for (const ContentOperation& operation : Operations(content_, *bytes_, parsed_)) {
      operands_ = &operation.operands;
      Operator(operation.op);
    }
  }

 private:
  void Operator(const std::string& op) {
    const std::vector<ContentOperand>& operands = *operands_;
    const auto last_is = [&](ContentOperand::Kind kind) { return !operands.empty() && operands.back().kind == kind; };
    if (op == "q") {
      saved_.push_back(font_);
    } else if (op == "Q") {
      if (!saved_.empty()) {
        font_ = saved_.back();
        saved_.pop_back();
      }
    } else if (op == "Tf" && operands.size() >= 2 && operands[operands.size() - 2].kind == ContentOperand::Kind::kName) {
      font_ = resources_.getKey("/Font").getKey(operands[operands.size() - 2].name);
      if (!font_.isDictionary()) shown_.status = Status::Refused("PDF中的字体找不到");
      else shown_.selected.insert(font_.getObjGen());
    } else if ((op == "Tj" || op == "'" || op == "\"") && !operands.empty()) {
      bool placed = true;
      QPDFObjectHandle text = Object(operands.back(), placed);
      Note(operands.back(), text, placed);
      Show(text);
    } else if (op == "TJ" && last_is(ContentOperand::Kind::kArray)) {
      bool placed = true;
      QPDFObjectHandle texts = Object(operands.back(), placed);
      Note(operands.back(), texts, placed);
      for (QPDFObjectHandle item : texts.aitems()) Show(item);
    } else if (op == "gs" && last_is(ContentOperand::Kind::kName)) {
      QPDFObjectHandle state = resources_.getKey("/ExtGState").getKey(operands.back().name);
      if (state.isDictionary() && state.hasKey("/Font")) shown_.status = Status::Refused("PDF的图形状态中含有字体");
    } else if (op == "Do" && last_is(ContentOperand::Kind::kName)) {
      Draw(resources_.getKey("/XObject").getKey(operands.back().name));
    }
  }

  void Draw(QPDFObjectHandle form) {
    if (!form.isStream() || !form.getDict().getKey("/Subtype").isName() ||
        form.getDict().getKey("/Subtype").getName() != "/Form") {
      return;
    }
    QPDFObjectHandle own = form.getDict().getKey("/Resources");
    ContentReader inner(form, own.isDictionary() ? own : resources_, shown_, font_);
    inner.Read();
  }

  // The operand as libqpdf reads its bytes; or as its parser read it, when it read the content,
  // `placed` telling whether those bytes are that operand (else the string is not to be
  // rewritten there).
  QPDFObjectHandle Object(const ContentOperand& operand, bool& placed) const {
    const auto parsed = parsed_.find(operand.offset);
    if (parsed == parsed_.end()) return QPDFObjectHandle::parse(bytes_->substr(operand.offset, operand.length));
    QPDFObjectHandle own = parsed->second;
    try {
      placed = QPDFObjectHandle::parse(bytes_->substr(operand.offset, operand.length)).unparseBinary() ==
               own.unparseBinary();
    } catch (const std::exception&) {
      placed = false;
    }
    return own;
  }

  // The operand, shown with the font in force; a string not `placed` at its bytes has no place
  // to be rewritten in.
  void Note(const ContentOperand& place, QPDFObjectHandle operand, bool placed) {
    if (!font_.isDictionary()) return;
    shown_.strings.push_back({content_, place.offset, placed ? place.length : std::string::npos, operand,
                              font_.getObjGen()});
  }

  void Show(QPDFObjectHandle text) {
    if (!text.isString()) return;
    if (!font_.isDictionary()) {
      shown_.status = Status::Refused("PDF中的文字没有字体");
      return;
    }
    std::bitset<256>& codes = shown_.codes[font_.getObjGen()];
    for (unsigned char c : text.getStringValue()) codes.set(c);
  }

  QPDFObjectHandle content_;
  QPDFObjectHandle resources_;
  ShownCodes& shown_;
  QPDFObjectHandle font_;
  const std::string* bytes_ = nullptr;
  const std::vector<ContentOperand>* operands_ = nullptr;
  std::map<std::size_t, QPDFObjectHandle> parsed_;  // see Operations
  std::vector<QPDFObjectHandle> saved_;
};

}  // namespace

ShownCodes ReadShownCodes(QPDF& pdf) {
  ShownCodes shown;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    ContentReader reader(page.getObjectHandle(), page.getAttribute("/Resources", false), shown,
                         QPDFObjectHandle::newNull());
    reader.Read();
    if (!shown.status.ok()) return shown;
    // Annotations draw their own appearances, which could show text as well.
    if (QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots"); annots.isArray()) {
      for (QPDFObjectHandle annot : annots.aitems()) {
        if (annot.isDictionary() && annot.hasKey("/AP")) {
          shown.status = Status::Refused("PDF中的批注带有外观");
          return shown;
        }
      }
    }
  }
  return shown;
}

}  // namespace vexlo::engine
