// Content streams read from their bytes: the operations, the operands' places and the names come
// out as libqpdf's parser reads them, whatever the spacing, comments, escapes and nesting; what
// the scan does not read (an inline image, braces, anything left open) it leaves whole to
// libqpdf, and the text of such a page is found all the same.
#include <gtest/gtest.h>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>

#include <string>
#include <vector>

#include "office/engine/package/pdf_content_scan.h"

namespace vexlo::engine {
namespace {

// The operations as "op(kind@offset+length name ...)", from the scan or from libqpdf.
std::string Describe(const std::vector<ContentOperation>& operations) {
  std::string out;
  for (const ContentOperation& o : operations) {
    out += o.op + "(";
    for (const ContentOperand& a : o.operands) {
      out += std::to_string(static_cast<int>(a.kind)) + "@" + std::to_string(a.offset) + "+" +
             std::to_string(a.length) + a.name + " ";
    }
    out += ") ";
  }
  return out;
}

class Collector : public QPDFObjectHandle::ParserCallbacks {
 public:
  void handleObject(QPDFObjectHandle obj, std::size_t offset, std::size_t length) override {
    if (obj.isOperator()) {
      operations.push_back({obj.getOperatorValue(), operands});
      operands.clear();
      return;
    }
    using Kind = ContentOperand::Kind;
    const Kind kind = obj.isName() ? Kind::kName : obj.isString() ? Kind::kString : obj.isArray() ? Kind::kArray
                      : obj.isDictionary() ? Kind::kDictionary : Kind::kOther;
    operands.push_back({kind, offset, length, obj.isName() ? obj.getName() : ""});
  }
  void handleEOF() override {}
  std::vector<ContentOperation> operations;
  std::vector<ContentOperand> operands;
};

std::string AsLibqpdfReadsIt(const std::string& bytes) {
  QPDF pdf;
  pdf.emptyPDF();
  Collector collector;
  QPDFObjectHandle::newStream(&pdf, bytes).parseAsContents(&collector);
  return Describe(collector.operations);
}

TEST(PdfContentScanTest, OperationsComeOutAsLibqpdfReadsThem) {
  for (const std::string& content : {
           std::string("BT /F1 12 Tf (a\\)b(c)) Tj [(x) -120 <00 41> (y)] TJ ET"),
           std::string("% a comment (unbalanced [\n/F#31 1 Tf q 1 0 0 1 -.5 +3 cm Q %last"),
           std::string("(\\\\) Tj (\\(\\)) Tj (a\\\nb) Tj (\\053) Tj (line\r\nend) Tj"),
           std::string("/Span <</ActualText (x\\)) /MCID 3 /K [1 <</A 2>>]>> BDC EMC"),
           std::string("(a) ' 1 2 (b) \" T* true false null d0"),
           std::string("<01 0 2>Tj[<0102>-3(z)]TJ/F1 9 Tf/Im1 Do"),
           std::string("1.5 0 0 1.5 0 0 cm\t\f/GS0 gs 0 0 10 10 re f*"),
           std::string(""),
           std::string("  \n\r "),
           std::string("1.2.3 - +x 4. .5 T*"),
           std::string("BT\0/F1\0" "1 Tf ET", 17),
       }) {
    const std::optional<std::vector<ContentOperation>> scanned = ScanContent(content);
    ASSERT_TRUE(scanned) << content;
    EXPECT_EQ(Describe(*scanned), AsLibqpdfReadsIt(content)) << content;
  }
}

TEST(PdfContentScanTest, WhatTheScanDoesNotReadIsLeftWhole) {
  for (const std::string& content : {
           std::string("q BI /W 1 /H 1 /BPC 8 /CS /G ID \x01\xff EI Q"),
           std::string("{ 1 } Do"),
           std::string(") Tj"),
           std::string("(left open Tj"),
           std::string("<< /A 1 BDC"),
           std::string("[ (a) BT ] TJ"),
           std::string("[ (a) >> TJ"),
           std::string("/a#zz Tf"),
           std::string("<0g> Tj"),
           std::string("<01"),
           std::string("]"),
       }) {
    EXPECT_FALSE(ScanContent(content)) << content;
  }
}

}  // namespace
}  // namespace vexlo::engine
