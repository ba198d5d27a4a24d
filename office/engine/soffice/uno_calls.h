// Small helpers for talking to an office through UNO: strings both ways, property lists, a
// document loaded hidden, its page count, closing it, and an office's exception as a message.
// Included only by the units that hold UNO references. Any thread.
// Convention: raises the office's UNO exceptions; the pool's worker turns them into a Result
// (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_UNO_CALLS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_UNO_CALLS_H_

#include <string>
#include <vector>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <rtl/ustring.hxx>

namespace vexlo::engine {

rtl::OUString U(const std::string& s);
std::string S(const rtl::OUString& s);

com::sun::star::beans::PropertyValue Prop(const char* name, com::sun::star::uno::Any value);
com::sun::star::uno::Sequence<com::sun::star::beans::PropertyValue> Props(
    std::vector<com::sun::star::beans::PropertyValue> v);

// The first line of the office's message, or a general one when it gave none.
std::string DescribeUnoError(const com::sun::star::uno::Exception& e);

// Loads the document at `path` hidden, without running its macros; raises when it cannot.
// `extra`: settings added to those of the load (benchmarks try some).
com::sun::star::uno::Reference<com::sun::star::lang::XComponent> LoadHidden(
    const com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2>& desktop,
    const std::string& path, bool read_only, std::vector<com::sun::star::beans::PropertyValue> extra = {});

// Exports `doc` as the PDF `path` with its bookmarks as named destinations (where a joined
// export is cut), plus the export settings `extra`; raises when it cannot.
void ExportPdfWithDestinations(const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& doc,
                               const std::string& path,
                               std::vector<com::sun::star::beans::PropertyValue> extra = {});

// The document's page count, laid out (0 when it cannot tell).
int PageCount(const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& doc);

// Closes `doc` (null: nothing), ignoring what the office says.
void CloseDocument(const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& doc);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_UNO_CALLS_H_
