// Small PDFs the tests make with libqpdf.
#ifndef VEXLO_TESTS_ENGINE_SOFFICE_TEST_PDF_H_
#define VEXLO_TESTS_ENGINE_SOFFICE_TEST_PDF_H_

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>
#include <string>

#include "tests/support/test_paths.h"

namespace vexlo::test {

// A PDF of `pages` empty pages written to `path`; returns its bytes.
inline std::string MakePdf(const std::filesystem::path& path, int pages) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper helper(pdf);
  for (int i = 0; i < pages; ++i) {
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] /Resources << >> >>"));
    page.replaceKey("/Contents", pdf.newStream("0 0 m 10 10 l S"));
    helper.addPage(QPDFPageObjectHelper(page), false);
  }
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  return ReadFile(path);
}

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_ENGINE_SOFFICE_TEST_PDF_H_
