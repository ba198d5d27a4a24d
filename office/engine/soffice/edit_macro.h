// The edits of a kept document made inside the office, in one call per document: a small Basic
// routine that the pool installs in each office's profile. Changing a record's texts from here
// takes several calls over the pipe for every change, and each waits for the office; one call
// that makes them all costs a fraction of that.
// Convention: raises the office's UNO exceptions; the pool's worker turns them into a Result
// (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_EDIT_MACRO_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_EDIT_MACRO_H_

#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/script/provider/XScript.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

// Writes the routine's Basic library into the office profile at `profile` (before the office
// starts; files already right are left alone). False when the profile cannot be written.
bool InstallEditMacro(const std::string& profile);

// The routine in the office reached by `remote`; empty when it cannot be found.
com::sun::star::uno::Reference<com::sun::star::script::provider::XScript> EditMacro(
    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& remote);

// Makes `changes` to `paragraphs` through `macro` and returns the texts of the changed paragraphs
// afterwards, in the order of `changes`. Raises the office's exceptions.
std::vector<std::u16string> ApplyEdits(
    const com::sun::star::uno::Reference<com::sun::star::script::provider::XScript>& macro,
    const std::vector<com::sun::star::uno::Reference<com::sun::star::text::XTextRange>>& paragraphs,
    const std::vector<ParagraphEdits>& changes);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_EDIT_MACRO_H_
