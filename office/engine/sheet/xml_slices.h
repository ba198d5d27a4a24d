// Parses a large XML part a slice of items at a time (the rows of a worksheet, the strings of a
// shared string table), so that the nodes of one slice exist at once rather than those of the
// whole part, which take several times its size.
// Convention: ForEachXmlSlice returns false where the XML cannot be cut; the caller then parses
// it whole for its error.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XML_SLICES_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XML_SLICES_H_

#include <functional>
#include <pugixml.hpp>
#include <string_view>

namespace vexlo::engine::sheet {

// Whitespace-only text (a cell holding "   ") must survive parsing. Text is kept in its element
// rather than in a node of its own, which saves a third of the nodes of a worksheet.
inline constexpr unsigned kXmlSliceParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

// Parses the children of the first element named `container` (any namespace prefix) a slice of
// about 256 KB at a time, each cut after the end tag of an `item` (never inside a comment or
// CDATA section), and hands each slice's nodes to `read`. False when the XML cannot be cut so,
// being malformed (the caller then parses it whole for its error, dropping what `read` got).
bool ForEachXmlSlice(std::string_view xml, std::string_view container, std::string_view item,
                     const std::function<void(const pugi::xml_node&)>& read);

// The position of the '<' of the next tag named `local` (with any prefix) at or after `from`: a
// start tag, or with `closing` an end tag. npos when there is none.
size_t FindXmlTag(std::string_view xml, size_t from, std::string_view local, bool closing);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XML_SLICES_H_
