// Which codes of which fonts the pages of a PDF show: the text-showing operators of their
// content streams and of the forms these draw, with the font in force. Uses libqpdf; any thread.
// Convention: returns Status or Result (office/engine/package/status.h).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_SHOWN_CODES_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_SHOWN_CODES_H_

// The handles of qpdf 11 are std::shared_ptr based.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDFObjectHandle.hh>

#include <bitset>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "office/engine/package/status.h"

class QPDF;

namespace vexlo::engine {

// Where a content stream shows text: the operand of a text-showing operator (a string, or the
// array of strings and positions of TJ) as libqpdf reads its bytes in the content, the font in
// force.
struct ShownString {
  QPDFObjectHandle content;  // the page (its content streams as one) or the form
  std::size_t offset = 0;
  std::size_t length = 0;
  QPDFObjectHandle operand;
  QPDFObjGen font;
};

struct ShownCodes {
  std::map<QPDFObjGen, std::bitset<256>> codes;  // font → the one-byte codes shown with it
  std::set<QPDFObjGen> selected;                 // every font set for text, shown or not
  std::vector<ShownString> strings;
  // The bytes read of each page (its content streams as one) and form, by object; the strings'
  // offsets are into these.
  std::map<QPDFObjGen, std::string> contents;
  // Refused: text whose font cannot be told (the rest is not to be trusted).
  Status status = Status::Ok();
};

ShownCodes ReadShownCodes(QPDF& pdf);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_SHOWN_CODES_H_
