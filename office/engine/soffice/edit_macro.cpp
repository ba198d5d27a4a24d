#include "office/engine/soffice/edit_macro.h"

#include <filesystem>
#include <fstream>

#include <com/sun/star/script/provider/XScriptProvider.hpp>
#include <com/sun/star/script/provider/XScriptProviderFactory.hpp>
#include <com/sun/star/script/provider/theMasterScriptProviderFactory.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include "office/engine/package/xml_escape.h"
#include "office/engine/soffice/office_limits.h"

namespace vexlo::engine {

namespace fs = std::filesystem;
namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;

namespace {

constexpr char kLibrary[] = "VexloPool";
constexpr char kScriptUrl[] =
    "vnd.sun.star.script:VexloPool.Edits.Apply?language=Basic&location=application";

// The routine. `edits` holds four entries per edit: paragraph index, position, length, new text;
// a paragraph's edits come last position first, so that each leaves the positions of those
// still to come in place. Returns the changed paragraphs' texts, in the order of `changed`.
// MoveRight's step is the cursor's limit, put in where the text says STEP_MAX.
constexpr char kModule[] = R"(Option Explicit

Function Apply(paragraphs As Variant, edits As Variant, changed As Variant) As Variant
  Dim i As Long, p As Object, c As Object
  For i = 0 To UBound(edits) Step 4
    p = paragraphs(edits(i))
    c = p.getText().createTextCursorByRange(p.getStart())
    MoveRight(c, edits(i + 1), False)
    MoveRight(c, edits(i + 2), True)
    c.setString(edits(i + 3))
  Next
  Dim texts(UBound(changed)) As String
  For i = 0 To UBound(changed)
    texts(i) = paragraphs(changed(i)).getString()
  Next
  Apply = texts
End Function

Sub MoveRight(c As Object, ByVal count As Long, expand As Boolean)
  Dim stride As Integer
  Do While count > 0
    If count > STEP_MAX Then
      stride = STEP_MAX
    Else
      stride = count
    End If
    c.goRight(stride, expand)
    count = count - stride
  Loop
End Sub
)";

std::string ModuleText() {
  std::string text = kModule;
  const std::string limit = std::to_string(kCursorStepMax);
  for (std::size_t at; (at = text.find("STEP_MAX")) != std::string::npos;) text.replace(at, 8, limit);
  return text;
}

std::string Head(const char* doctype, const char* dtd) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE ") + doctype +
         " PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" \"" + dtd + "\">\n";
}

// A library list naming `names`, each stored in the profile's basic folder.
std::string LibraryList(const std::vector<std::string>& names) {
  std::string xml = Head("library:libraries", "libraries.dtd") +
                    "<library:libraries xmlns:library=\"http://openoffice.org/2000/library\" "
                    "xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n";
  for (const std::string& name : names) {
    xml += " <library:library library:name=\"" + name + "\" library:link=\"false\"/>\n";
  }
  return xml + "</library:libraries>\n";
}

std::string Library(const std::string& name, const std::vector<std::string>& elements) {
  std::string xml = Head("library:library", "library.dtd") +
                    "<library:library xmlns:library=\"http://openoffice.org/2000/library\" "
                    "library:name=\"" + name +
                    "\" library:readonly=\"false\" library:passwordprotected=\"false\">\n";
  for (const std::string& e : elements) xml += " <library:element library:name=\"" + e + "\"/>\n";
  return xml + "</library:library>\n";
}

std::string Module(const std::string& name, const std::string& code) {
  std::string xml = Head("script:module", "module.dtd") +
                    "<script:module xmlns:script=\"http://openoffice.org/2000/script\" script:name=\"" +
                    name + "\" script:language=\"StarBasic\">";
  AppendXmlText(xml, code);
  return xml + "</script:module>\n";
}

bool WriteIfChanged(const fs::path& path, const std::string& content) {
  {
    std::ifstream in(path, std::ios::binary);
    if (in && std::string(std::istreambuf_iterator<char>(in), {}) == content) return true;
  }
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out);
}

Sequence<Any> AnySequence(std::vector<Any> items) {
  return Sequence<Any>(items.data(), static_cast<sal_Int32>(items.size()));
}

rtl::OUString Ou(const std::u16string& s) {
  return rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.data()), static_cast<sal_Int32>(s.size()));
}

}  // namespace

bool InstallEditMacro(const std::string& profile) {
  const fs::path basic = fs::path(profile) / "user" / "basic";
  bool ok = true;
  // The office's own library lists: Standard as a fresh profile has it, and ours.
  ok &= WriteIfChanged(basic / "script.xlc", LibraryList({"Standard", kLibrary}));
  if (!fs::exists(basic / "dialog.xlc")) ok &= WriteIfChanged(basic / "dialog.xlc", LibraryList({"Standard"}));
  if (!fs::exists(basic / "Standard" / "script.xlb")) {
    ok &= WriteIfChanged(basic / "Standard" / "script.xlb", Library("Standard", {"Module1"}));
    ok &= WriteIfChanged(basic / "Standard" / "Module1.xba", Module("Module1", "Sub Main\nEnd Sub\n"));
    ok &= WriteIfChanged(basic / "Standard" / "dialog.xlb", Head("library:library", "library.dtd") +
        "<library:library xmlns:library=\"http://openoffice.org/2000/library\" "
        "library:name=\"Standard\" library:readonly=\"false\" library:passwordprotected=\"false\"/>\n");
  }
  ok &= WriteIfChanged(basic / kLibrary / "script.xlb", Library(kLibrary, {"Edits"}));
  ok &= WriteIfChanged(basic / kLibrary / "Edits.xba", Module("Edits", ModuleText()));
  return ok;
}

Reference<css::script::provider::XScript> EditMacro(const Reference<css::uno::XComponentContext>& remote) {
  try {
    Reference<css::script::provider::XScriptProviderFactory> factory =
        css::script::provider::theMasterScriptProviderFactory::get(remote);
    Reference<css::script::provider::XScriptProvider> provider =
        factory->createScriptProvider(Any(rtl::OUString()));
    return provider->getScript(rtl::OUString::createFromAscii(kScriptUrl));
  } catch (const css::uno::Exception&) {
    return {};
  }
}

std::vector<std::u16string> ApplyEdits(const Reference<css::script::provider::XScript>& macro,
                                       const std::vector<Reference<css::text::XTextRange>>& paragraphs,
                                       const std::vector<ParagraphEdits>& changes) {
  std::vector<Any> refs;
  refs.reserve(paragraphs.size());
  for (const auto& p : paragraphs) refs.emplace_back(p);
  std::vector<Any> edits;
  std::vector<Any> changed;
  for (const ParagraphEdits& change : changes) {
    changed.emplace_back(static_cast<sal_Int32>(change.paragraph));
    for (const TextEdit& e : change.edits) {
      edits.emplace_back(static_cast<sal_Int32>(change.paragraph));
      edits.emplace_back(static_cast<sal_Int32>(e.position));
      edits.emplace_back(static_cast<sal_Int32>(e.length));
      edits.emplace_back(Ou(e.text));
    }
  }
  Sequence<sal_Int16> out_index;
  Sequence<Any> out;
  const Any result = macro->invoke(
      AnySequence({Any(AnySequence(std::move(refs))), Any(AnySequence(std::move(edits))),
                   Any(AnySequence(std::move(changed)))}),
      out_index, out);
  // Basic hands its string array back as a sequence of strings.
  std::vector<std::u16string> texts;
  Sequence<rtl::OUString> items;
  if (!(result >>= items)) return texts;
  for (const rtl::OUString& s : items) {
    texts.emplace_back(reinterpret_cast<const char16_t*>(s.getStr()), static_cast<std::size_t>(s.getLength()));
  }
  return texts;
}

}  // namespace vexlo::engine
