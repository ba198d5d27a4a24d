// libFuzzer target for the .docx reader: load a package from arbitrary bytes, edit its story,
// write it and read the result back. Loading may fail only with app::RuntimeError; what the
// engine writes must always load again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/runtime_error.h"
#include "office/engine/word/document_model.h"
#include "office/engine/word/word_package.h"

using vexlo::engine::word::DocumentModel;
using vexlo::engine::word::FindOptions;
using vexlo::engine::word::WordPackage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::shared_ptr<const WordPackage> pkg;
  try {
    pkg = WordPackage::FromBytes(std::string(reinterpret_cast<const char*>(data), size), "fuzz.docx");
  } catch (const vexlo::app::RuntimeError&) {
    return 0;
  }
  DocumentModel model(pkg, false);
  FindOptions options;
  options.whole_word = true;
  const std::string value = "值\nB&<";
  model.Replace("a", &value, options);
  model.Paste(model.Copy());
  // A further copy of the story as loaded: its lists, notes and comments get entries of its own.
  model.Paste({pkg, pkg->story_ptr(), pkg->story().texts()});
  model.Replace("姓名", &value, options);
  const std::string bytes = model.PackageBytes(".docx");
  try {
    WordPackage::FromBytes(bytes, "round-trip.docx");
  } catch (const vexlo::app::RuntimeError& e) {
    std::fprintf(stderr, "written package does not load again: %s\n", e.text().c_str());
    std::abort();
  }
  return 0;
}
