// The pieces of a .docx template written by our own code: runs, paragraphs, list items, tables,
// pictures, text boxes, and the package around a body (styles, numbering, notes, comments, a
// header and a footer, a picture, custom XML). Used by the template corpus and the tests that
// build templates of their own.
#ifndef VEXLO_TOOLS_WORD_CORPUS_WORD_PACKAGE_H_
#define VEXLO_TOOLS_WORD_CORPUS_WORD_PACKAGE_H_

#include <string>

namespace vexlo::corpus {

// A run of `text` with the run properties `rpr`; a paragraph of `runs` with the paragraph
// properties `ppr`; an item of list `num` at `level`.
std::string R(const std::string& text, const std::string& rpr = "");
std::string P(const std::string& runs, const std::string& ppr = "");
std::string Li(int num, int level, const std::string& runs);

// A table cell, a table of `rows` (two columns), a row of two cells.
std::string Tc(const std::string& content);
std::string Tbl(const std::string& rows, const std::string& tblpr = "");
std::string Tr(const std::string& a, const std::string& b);

// An inline picture of the package's picture (relation `rid`), and a text box anchored to the
// paragraph, as Word writes it.
std::string Picture(int id, const std::string& rid);
std::string TextBox(int id, int spid, const std::string& text);

// Paragraph properties that end a section there (the page as the document's last section has it).
std::string SectionEnd();

// A list level for numbering.xml.
std::string Level(int ilvl, int start, const std::string& fmt, const std::string& text);

struct Template {
  std::string name;
  std::string body;                 // the body's content (several bodies: whole body elements)
  bool whole_bodies = false;
  std::string numbering;            // abstractNum and num elements
  std::string footnotes, endnotes, comments;  // entries beyond the separators
  std::string header, footer;       // paragraphs
  std::string even_header;          // paragraphs of even pages' header (headers alternate)
  std::string first_header;         // paragraphs of the last section's first page's header
  bool picture = false;             // the picture "rId8" (media/dot.png) in the body, header and comments
  std::string custom_xml;           // custom XML data of bound controls
  std::string styles;               // further style elements
  std::string settings;             // further settings elements
  std::string page_numbers;         // a <w:pgNumType> of the last section (its page numbers' format)
  std::string core;                 // the elements of docProps/core.xml (the document's dates), if any
};

// The .docx package of `t`.
std::string Build(const Template& t);

}  // namespace vexlo::corpus

#endif  // VEXLO_TOOLS_WORD_CORPUS_WORD_PACKAGE_H_
