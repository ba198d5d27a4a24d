#include "office/engine/package/pdf_shown_codes.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <vector>

namespace vexlo::engine {

namespace {

// Reads content streams and notes, per font, the codes shown. Fonts are set by Tf and restored
// by Q; forms drawn by Do are read with their own resources and the font in force.
class ContentReader : public QPDFObjectHandle::ParserCallbacks {
 public:
  // `content`: the page or form whose content is read.
  ContentReader(QPDFObjectHandle content, QPDFObjectHandle resources, ShownCodes& shown, QPDFObjectHandle font)
      : content_(content), resources_(resources), shown_(shown), font_(font) {}

  void handleObject(QPDFObjectHandle obj, std::size_t offset, std::size_t length) override {
    if (!obj.isOperator()) {
      operands_.push_back(obj);
      places_.emplace_back(offset, length);
      return;
    }
    Operator(obj.getOperatorValue());
    operands_.clear();
    places_.clear();
  }

  void handleEOF() override {}

 private:
  void Operator(const std::string& op) {
    if (op == "q") {
      saved_.push_back(font_);
    } else if (op == "Q") {
      if (!saved_.empty()) {
        font_ = saved_.back();
        saved_.pop_back();
      }
    } else if (op == "Tf" && operands_.size() >= 2 && operands_[operands_.size() - 2].isName()) {
      font_ = resources_.getKey("/Font").getKey(operands_[operands_.size() - 2].getName());
      if (!font_.isDictionary()) shown_.status = Status::Refused("PDF中的字体找不到");
      else shown_.selected.insert(font_.getObjGen());
    } else if ((op == "Tj" || op == "'" || op == "\"") && !operands_.empty()) {
      Note(operands_.back());
      Show(operands_.back());
    } else if (op == "TJ" && !operands_.empty() && operands_.back().isArray()) {
      Note(operands_.back());
      for (QPDFObjectHandle item : operands_.back().aitems()) Show(item);
    } else if (op == "gs" && !operands_.empty() && operands_.back().isName()) {
      QPDFObjectHandle state = resources_.getKey("/ExtGState").getKey(operands_.back().getName());
      if (state.isDictionary() && state.hasKey("/Font")) shown_.status = Status::Refused("PDF的图形状态中含有字体");
    } else if (op == "Do" && !operands_.empty() && operands_.back().isName()) {
      Draw(resources_.getKey("/XObject").getKey(operands_.back().getName()));
    }
  }

  void Draw(QPDFObjectHandle form) {
    if (!form.isStream() || !form.getDict().getKey("/Subtype").isName() ||
        form.getDict().getKey("/Subtype").getName() != "/Form") {
      return;
    }
    QPDFObjectHandle own = form.getDict().getKey("/Resources");
    ContentReader inner(form, own.isDictionary() ? own : resources_, shown_, font_);
    form.parseAsContents(&inner);
  }

  // The last operand, shown with the font in force.
  void Note(QPDFObjectHandle operand) {
    if (!font_.isDictionary()) return;
    shown_.strings.push_back({content_, places_.back().first, places_.back().second, operand, font_.getObjGen()});
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
  std::vector<QPDFObjectHandle> saved_;
  std::vector<QPDFObjectHandle> operands_;
  std::vector<std::pair<std::size_t, std::size_t>> places_;  // the operands' offsets and lengths
};

}  // namespace

ShownCodes ReadShownCodes(QPDF& pdf) {
  ShownCodes shown;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    ContentReader reader(page.getObjectHandle(), page.getAttribute("/Resources", false), shown,
                         QPDFObjectHandle::newNull());
    page.parseContents(&reader);
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
