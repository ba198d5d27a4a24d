// Escaping text for the XML the engine writes: element content and attribute values (in double
// quotes), appended to `out`.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_XML_ESCAPE_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_XML_ESCAPE_H_

#include <string>
#include <string_view>

namespace vexlo::engine {

void AppendXmlText(std::string& out, std::string_view s);
// White space is written as character references, so that a reader keeps it as it is.
void AppendXmlAttribute(std::string& out, std::string_view s);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_XML_ESCAPE_H_
