#include "office/engine/package/pdf_protect.h"

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <filesystem>
#include <random>

namespace vexlo::engine {

namespace {

// Revision 6 of the standard security handler: AES-256 (PDF 2.0, and the 1.7 extension level 8
// that every current reader opens).
constexpr int kAes256Revision = 6;

// 32 random bytes as hex: the owner password nobody is told, so that nobody gets more than
// the opening password grants.
std::string RandomOwnerPassword() {
  std::random_device random;  // the kernel's random source
  static constexpr char kHex[] = "0123456789abcdef";
  std::string password;
  for (int i = 0; i < 32; ++i) {
    const unsigned byte = random() & 0xFFu;
    password += kHex[byte >> 4];
    password += kHex[byte & 0xF];
  }
  return password;
}

int PageCount(QPDF& pdf) { return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size()); }

// Ok when `path` opens with `password`, is encrypted with AES-256 and has `pages` pages.
Status CheckProtected(const std::string& path, const std::string& password, int pages) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.setAttemptRecovery(false);
  pdf.processFile(path.c_str(), password.c_str());
  int revision = 0, permissions = 0;
  if (!pdf.isEncrypted(revision, permissions) || revision < kAes256Revision) {
    return Status::Output("加密后的PDF文件没有按AES-256加密");
  }
  if (PageCount(pdf) != pages) return Status::Output("加密后的PDF文件页数不对");
  return Status::Ok();
}

}  // namespace

Status ProtectPdf(const std::string& pdf, const std::string& protected_pdf, const std::string& password) {
  if (password.empty()) return Status::Failed("PDF文件的密码为空");
  Status checked = Status::Ok();
  try {
    QPDF in;
    in.setSuppressWarnings(true);
    in.processFile(pdf.c_str());
    const int pages = PageCount(in);
    {
      QPDFWriter writer(in, protected_pdf.c_str());
      const std::string owner = RandomOwnerPassword();
      // Accessibility and copying text allowed; assembling, notes, forms and other changes not.
      writer.setR6EncryptionParameters(password.c_str(), owner.c_str(), true, true, false, false,
                                       false, false, qpdf_r3p_full, true);
      writer.write();
    }
    checked = CheckProtected(protected_pdf, password, pages);
  } catch (const std::exception& e) {
    checked = Status::Output(std::string("无法加密PDF文件：") + e.what());
  }
  if (!checked.ok()) {
    std::error_code ec;
    std::filesystem::remove(protected_pdf, ec);
  }
  return checked;
}

}  // namespace vexlo::engine
