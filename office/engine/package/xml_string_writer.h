// A pugixml writer that collects what it is given in a string, for parts and nodes written back
// into a package. Any thread.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_XML_STRING_WRITER_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_XML_STRING_WRITER_H_

#include <pugixml.hpp>

#include <string>

namespace vexlo::engine {

struct XmlStringWriter : pugi::xml_writer {
  std::string s;
  void write(const void* data, size_t size) override {
    s.append(static_cast<const char*>(data), size);
  }
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_XML_STRING_WRITER_H_
