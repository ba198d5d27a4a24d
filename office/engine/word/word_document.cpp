#include "office/engine/word/word_document.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/runtime_error.h"
#include "app/shown_text.h"
#include "office/engine/output/output_queue.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/made_files.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/held_saves.h"
#include "office/engine/word/word_selection.h"
#include "office/engine/word/word_stories.h"

namespace vexlo::engine::word {

using app::RuntimeError;
using office::Args;
using office::Value;

namespace {

// A held save is written at once when the document has grown this many times since the file
// was last written, so that a crash loses little while the total written stays linear.
constexpr size_t kGrowthBeforeWrite = 4;

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

WordDocument::WordDocument(const WordServices& services, std::shared_ptr<const WordPackage> package,
                           bool blank, std::string path, std::string name,
                           std::function<void(WordDocument*)> on_close)
    : AutomationObject("Document"),
      services_(services),
      model_(std::move(package), blank),
      path_(std::move(path)),
      name_(std::move(name)),
      on_close_(std::move(on_close)) {
  saved_change_ = model_.change_count();
  written_blocks_ = model_.block_count();

  AddMethod("saveas", 1, 16, [this](const Args& a) {
    SaveAs(a.Text(0));
    return Value();
  });
  AddMethod("saveas2", 1, 17, [this](const Args& a) {
    SaveAs(a.Text(0));
    return Value();
  });
  AddMethod("save", 0, 0, [this](const Args&) {
    Save();
    return Value();
  });
  AddMethod("close", 0, 3, [this](const Args& a) {
    // SaveChanges: -1 saves first; 0 and the default discard unsaved edits.
    if (a.has(0) && a.Long(0) == -1 && model_.change_count() != saved_change_) Save();
    Close();
    return Value();
  });
  AddMethod("exportasfixedformat", 2, 15, [this](const Args& a) {
    const std::string pdf = a.Text(0);
    const int32_t format = a.Long(1);
    if (format != 17) {
      throw RuntimeError::Output("导出失败：只支持导出为 PDF（格式代码 17），收到的格式代码是 " +
                                 std::to_string(format));
    }
    FlushSave();
    services_.output.ExportPdf(TakeSnapshot(), pdf, true, PdfVia());
    return Value();
  });
  // The engine's own: the PDF as exportasfixedformat makes it, protected so that opening it
  // needs `password`.
  AddMethod("exportprotectedpdf", 2, 2, [this](const Args& a) {
    const std::string pdf = a.Text(0);
    const std::string password = a.Text(1);
    if (password.empty()) throw RuntimeError::Output("导出失败：PDF文件的密码为空");
    FlushSave();
    services_.output.ExportPdf(TakeSnapshot(), pdf, true, PdfVia(), password);
    return Value();
  });
  AddMethod("printout", 0, 18, [this](const Args& a) {
    const int32_t copies = a.has(7) ? a.Long(7) : 1;
    if (copies < 1) throw RuntimeError::Output("打印失败：份数必须至少为 1");
    FlushSave();
    services_.output.Print(TakeSnapshot(), copies, true, PdfVia());
    return Value();
  });
  AddProperty("name", [this] { return Value(path_.empty() ? name_ : FileName(path_)); });
  AddProperty("fullname", [this] { return Value(path_.empty() ? name_ : path_); });
  AddProperty("path", [this] {
    return Value(path_.empty() ? std::string() : std::filesystem::path(path_).parent_path().string());
  });
  AddProperty("saved", [this] { return Value(model_.change_count() == saved_change_); });
  // The engine's own: true when the document's story holds objects placed relative to the page
  // and does not end with a page or section break (copies that follow one another without a
  // break then put those objects on the same pages).
  // An engine property of its own: what a .doc template's conversion loses ("" for nothing), for
  // a document opened from the template or made from it.
  AddProperty("conversionloss", [this] {
    return Value(services_.conversions.ConversionLoss(path_.empty() ? template_path_ : path_));
  });
  AddProperty("pageanchorswithoutbreak", [this] {
    return Value(model_.package().story().page_anchored_without_break());
  });
  // The main story as a range, and a range of it between two character positions (the whole
  // story when they are left out).
  AddProperty("content", [this] {
    if (!content_) content_ = std::make_shared<WordRange>(weak_from_this(), true, BlockSpan{}, 0);
    return Value(std::static_pointer_cast<office::Dispatch>(content_));
  });
  // The fields of the main story, the sections with their headers and footers, the stories
  // by type and the notes (word_stories.h).
  AddProperty("fields", [this] { return FieldsOf(shared_from_this(), ""); });
  AddProperty("sections", [this] { return SectionsOf(shared_from_this()); });
  AddProperty("storyranges", [this] { return StoryRangesOf(shared_from_this()); });
  AddProperty("footnotes", [this] { return NotesOf(shared_from_this(), false); });
  AddProperty("endnotes", [this] { return NotesOf(shared_from_this(), true); });
  AddMethod("range", 0, 2, [this](const Args& a) {
    const BlockSpan span = model_.BlocksBetween(a.has(0) ? a.Long(0) : 0,
                                                a.has(1) ? a.Long(1) : model_.ContentEnd());
    // A range follows the edits, so the same copies give the same range (a merge asks for the
    // range of its newest copy again and again).
    if (!range_ || range_->span().first != span.first || range_->span().end != span.end ||
        range_->generation() != model_.generation()) {
      range_ = std::make_shared<WordRange>(weak_from_this(), false, span, model_.generation());
    }
    return Value(std::static_pointer_cast<office::Dispatch>(range_));
  });
}

void WordDocument::WriteTo(const std::string& path, const std::string& docx_bytes) {
  // A document built under a hidden name of ours (the merge's merged document) is listed, so
  // that it goes should the process be killed before the document is put in place.
  if (IsMadeFileName(FileName(path), ::getpid())) NoteMadeFile(path);
  const std::string ext = ExtensionOf(path);
  if (IsConvertedExtension(ext)) {
    services_.conversions.QueueConverted(docx_bytes, path);
  } else {
    WriteFileAtomically(path, docx_bytes);
  }
}

void WordDocument::SaveAs(const std::string& path) {
  if (closed_) throw RuntimeError::Automation("自动化调用失败：文档已经关闭");
  if (path.empty()) throw RuntimeError::File(path, "无法保存：没有给出文件名");
  FlushSave();
  // The main part's content type follows the new name; other names get an ordinary document.
  std::string ext = ExtensionOf(path);
  const bool converted = IsConvertedExtension(ext);
  if (!IsNativeExtension(ext)) ext = ".docx";
  WriteTo(path, model_.PackageBytes(ext, converted));
  path_ = path;
  saved_change_ = model_.change_count();
  written_blocks_ = model_.block_count();
}

void WordDocument::Save() {
  if (closed_) throw RuntimeError::Automation("自动化调用失败：文档已经关闭");
  if (path_.empty()) {
    throw RuntimeError::Output("“" + name_ + "”还没有保存过，没有文件名：请先用 saveas 保存");
  }
  if (model_.change_count() == saved_change_) return;
  saved_change_ = model_.change_count();
  const size_t blocks = model_.block_count();
  // A converted format is only written at the flush points: each write runs LibreOffice.
  const bool converted = IsConvertedExtension(ExtensionOf(path_));
  if ((converted || blocks < kGrowthBeforeWrite * written_blocks_) && written_blocks_ > 0) {
    // Hold this state; it is written at the next flush point.
    model_.HoldSnapshot();
    pending_ = true;
    ListHeld();
    return;
  }
  model_.DropSnapshot();
  pending_ = false;
  std::string ext = ExtensionOf(path_);
  if (!IsNativeExtension(ext)) ext = ".docx";
  WriteTo(path_, model_.PackageBytes(ext, converted));
  written_blocks_ = blocks;
}

void WordDocument::FlushSave() {
  if (!pending_) return;
  std::string ext = ExtensionOf(path_);
  const bool converted = IsConvertedExtension(ext);
  if (!IsNativeExtension(ext)) ext = ".docx";
  WriteTo(path_, model_.SnapshotBytes(ext, converted));
  written_blocks_ = model_.snapshot_blocks();
  model_.DropSnapshot();
  pending_ = false;
}

void WordDocument::ListHeld() { services_.held_saves.Hold(shared_from_this()); }

void WordDocument::Close() {
  if (closed_) return;
  FlushSave();
  closed_ = true;
  if (on_close_) on_close_(this);
}

StoreFormat WordDocument::PdfVia() const {
  // A document saved in a converted format is what the office shows of that file: its PDF and
  // its prints are made from it, not from the package it was converted from.
  return IsConvertedExtension(ExtensionOf(path_)) ? FormatOfPath(path_) : StoreFormat::kDocx;
}

std::string WordDocument::TakeSnapshot() {
  // One folder per snapshot in the process's private folder, so that the snapshot carries the
  // document's own file name (it titles the print job); the output queue deletes each snapshot
  // when done with it.
  const Result<std::string> folder = services_.conversions.NewSnapshotFolder();
  if (!folder.ok()) throw RuntimeError::Output("无法创建临时文件夹，不能导出或打印");
  // The name is cut short enough for any file system.
  constexpr std::size_t kBaseMax = 200;
  const std::filesystem::path saved(path_.empty() ? name_ + ".docx" : path_);
  const std::string stem = saved.stem().string();
  const std::string name = std::string(app::Utf8Prefix(stem, kBaseMax)) + saved.extension().string();
  const std::string file = (std::filesystem::path(*folder) / name).string();
  const std::string bytes = model_.PackageBytes(".docx");
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw RuntimeError::Output("无法写入临时文件“" + file + "”，不能导出或打印");
  return file;
}

}  // namespace vexlo::engine::word
