// Protecting a finished PDF with a password: AES-256 encryption, so that opening it needs the
// password; printing (at full quality) and copying text stay allowed, changing it does not. The
// permissions hold because the owner password is random and kept nowhere: whoever knows the
// opening password gets only these rights. Any thread; reads and writes files through libqpdf.
// Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_PROTECT_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_PROTECT_H_

#include <string>

#include "office/engine/package/status.h"

namespace vexlo::engine {

// Writes `pdf` encrypted with `password` (UTF-8, not empty) to `protected_pdf`, then opens the
// result with the password and checks it is encrypted that way and has the pages of `pdf`.
// A result that failed is removed.
Status ProtectPdf(const std::string& pdf, const std::string& protected_pdf, const std::string& password);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_PROTECT_H_
