// Formats the engine reads and writes through LibreOffice: .doc templates are converted to
// .docx on opening; .doc, .rtf and .odt outputs are converted from .docx on saving. Each call
// runs LibreOffice headless with a private profile under a temporary folder. Without LibreOffice
// the calls raise app::RuntimeError::File saying what is missing. UI thread only.
#ifndef VEXLO_OFFICE_ENGINE_WORD_DOC_CONVERSION_H_
#define VEXLO_OFFICE_ENGINE_WORD_DOC_CONVERSION_H_

#include <string>
#include <string_view>

namespace vexlo::engine::word {

// The lower-case extension of `path` with its dot (".docx"), or "".
std::string ExtensionOf(std::string_view path);

// True for extensions the engine writes natively.
bool IsNativeExtension(std::string_view extension);
// True for extensions written through LibreOffice (.doc, .rtf, .odt).
bool IsConvertedExtension(std::string_view extension);

// Converts the document at `path` (.doc, .rtf, .odt ...) and returns the .docx bytes.
std::string ConvertToDocx(const std::string& path);

// Writes the .docx bytes `docx` to `path` in the format of its extension (atomically), in a
// batch: the bytes are staged now and converted together with the other staged
// files by one LibreOffice run, at the latest when FlushConversions is called (the word server
// calls it on quit and on release, the caller's flush point through office::FlushDeferredWork)
// or when the batch is full.
// Starting LibreOffice once per file would make a run of many records take many minutes.
void QueueConverted(std::string_view docx, const std::string& path);
// Converts everything staged. Raises RuntimeError::File for the first file that failed; the
// others are written all the same.
void FlushConversions();
// Drops everything staged and its temporary files (a cancelled run).
void DropConversions();

// A fresh private temporary folder for the engine ("" on failure).
std::string MakeTempFolder();

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DOC_CONVERSION_H_
