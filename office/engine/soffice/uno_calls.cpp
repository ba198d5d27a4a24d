#include "office/engine/soffice/uno_calls.h"

#include <algorithm>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "office/engine/soffice/office_process.h"

namespace vexlo::engine {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

rtl::OUString U(const std::string& s) {
  return rtl::OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}

std::string S(const rtl::OUString& s) {
  const rtl::OString o = rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8);
  return std::string(o.getStr(), static_cast<std::size_t>(o.getLength()));
}

css::beans::PropertyValue Prop(const char* name, css::uno::Any value) {
  css::beans::PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = std::move(value);
  return p;
}

css::uno::Sequence<css::beans::PropertyValue> Props(std::vector<css::beans::PropertyValue> v) {
  css::uno::Sequence<css::beans::PropertyValue> seq(static_cast<sal_Int32>(v.size()));
  std::copy(v.begin(), v.end(), seq.getArray());
  return seq;
}

std::string DescribeUnoError(const css::uno::Exception& e) {
  std::string m = S(e.Message);
  const std::size_t nl = m.find('\n');
  if (nl != std::string::npos) m.resize(nl);
  return m.empty() ? "LibreOffice 内部错误" : m;
}

Reference<css::lang::XComponent> LoadHidden(const Reference<css::frame::XDesktop2>& desktop,
                                            const std::string& path, bool read_only,
                                            std::vector<css::beans::PropertyValue> extra) {
  Reference<css::frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
  std::vector<css::beans::PropertyValue> settings = {Prop("Hidden", css::uno::Any(true)),
                                                     Prop("ReadOnly", css::uno::Any(read_only)),
                                                     Prop("MacroExecutionMode", css::uno::Any(sal_Int16(0)))};
  settings.insert(settings.end(), extra.begin(), extra.end());
  Reference<css::lang::XComponent> doc =
      loader->loadComponentFromURL(U(FileUrl(path)), U("_blank"), 0, Props(std::move(settings)));
  if (!doc.is()) throw css::uno::RuntimeException(U("无法打开文档"));
  return doc;
}

void ExportPdfWithDestinations(const Reference<css::lang::XComponent>& doc, const std::string& path,
                               std::vector<css::beans::PropertyValue> extra) {
  // Given any filter data, the export takes a lower picture quality than its own default: it is
  // restored.
  std::vector<css::beans::PropertyValue> settings = {Prop("ExportBookmarksToPDFDestination", css::uno::Any(true)),
                                                     Prop("Quality", css::uno::Any(sal_Int32(90)))};
  settings.insert(settings.end(), extra.begin(), extra.end());
  Reference<css::frame::XStorable>(doc, UNO_QUERY_THROW)
      ->storeToURL(U(FileUrl(path)), Props({Prop("FilterName", css::uno::Any(U("writer_pdf_Export"))),
                                            Prop("FilterData", css::uno::Any(Props(std::move(settings))))}));
}

int PageCount(const Reference<css::lang::XComponent>& doc) {
  try {
    Reference<css::frame::XModel> model(doc, UNO_QUERY);
    if (!model.is()) return 0;
    // The view's own count holds the pages of endnotes too, where the view cursor cannot go.
    try {
      Reference<css::beans::XPropertySet> view(model->getCurrentController(), UNO_QUERY);
      sal_Int32 pages = 0;
      if (view.is() && (view->getPropertyValue(U("PageCount")) >>= pages) && pages > 0) return pages;
    } catch (const css::lang::DisposedException&) {
      throw;
    } catch (const css::uno::Exception&) {
      // An office without the view's count: its cursor counts.
    }
    Reference<css::text::XTextViewCursorSupplier> views(model->getCurrentController(), UNO_QUERY);
    if (!views.is()) return 0;
    Reference<css::text::XPageCursor> cursor(views->getViewCursor(), UNO_QUERY);
    if (!cursor.is()) return 0;
    cursor->jumpToLastPage();
    return cursor->getPage();
  } catch (const css::uno::RuntimeException&) {
    return 0;
  }
}

void CloseDocument(const Reference<css::lang::XComponent>& doc) {
  if (!doc.is()) return;
  try {
    Reference<css::util::XCloseable> closeable(doc, UNO_QUERY);
    if (closeable.is()) {
      closeable->close(true);
    } else {
      doc->dispose();
    }
  } catch (const css::uno::Exception&) {
  }
}

}  // namespace vexlo::engine
