// The UNO side of one office: the connection to its desktop, the edit routine in it, and the
// document it keeps loaded. Worker thread of its office only.
// Convention: raises the office's UNO exceptions; the pool's worker turns them into a Result
// (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_LINK_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_LINK_H_

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/script/provider/XScript.hpp>
#include <com/sun/star/text/XNumberingFormatter.hpp>

#include "office/engine/soffice/kept_document.h"

namespace vexlo::engine {

struct OfficeLink {
  com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2> desktop;
  // Empty: edits are made call by call.
  com::sun::star::uno::Reference<com::sun::star::script::provider::XScript> edit_macro;
  KeptDocument kept;
  // The office's own numbering (roman, Chinese numerals, ...), to write a number as its fields do.
  com::sun::star::uno::Reference<com::sun::star::text::XNumberingFormatter> numbers;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_LINK_H_
