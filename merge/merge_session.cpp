#include "merge/merge_session.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/runtime_error.h"
#include "merge/blank.h"
#include "merge/data_source.h"
#include "merge/document_generation.h"
#include "merge/file_probe.h"
#include "merge/output_naming.h"
#include "office/deferred_work.h"
#include "office/value.h"

namespace vexlo::merge {
namespace {

using office::oleobject;
using office::Value;

constexpr const char* kGuidance = "操作提示";
constexpr const char* kError = "错误提示";
constexpr const char* kProgressText = "正在输出，可能需要较长时间，请稍候……";
constexpr int32_t kPdfFormat = 17;

// The integer value of a text as the copies field holds it ("3" -> 3; no number -> 0).
int IntegerValue(const std::string& text) {
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

// The version text read as a real number; blank or no number reads as 0.
double VersionNumber(const std::optional<std::string>& text) {
  if (IsBlank(text)) return 0;
  return std::strtod(text->c_str(), nullptr);
}

oleobject& Ensure(std::unique_ptr<oleobject>& handle) {
  if (!handle) handle = std::make_unique<oleobject>();
  return *handle;
}

class MergeSession {
 public:
  MergeSession(const MergeRequest& request, MergeObserver& observer, const MergeHandles& handles)
      : request_(request),
        observer_(observer),
        excelserver_(Ensure(handles.excelserver)),
        wordserver_(Ensure(handles.wordserver)),
        wordserver2_(Ensure(handles.wordserver2)),
        pdf_(request.pdf) {}

  MergeSummary Run() {
    if (Validate()) {
      try {
        RunInstances();
      } catch (...) {
        ShutDownAfterFailure();
        CloseProgress();
        throw;
      }
    }
    CloseProgress();
    observer_.Finished(summary_);
    return summary_;
  }

 private:
  void Say(const char* title, const std::string& text) { observer_.Message(title, text); }

  // The two input files, and the output extension.
  bool Validate() {
    if (!CheckInput(request_.data_path, MergeField::kData, "请选择Excel数据源文件！")) return false;
    if (!CheckInput(request_.template_path, MergeField::kTemplate, "请选择Word模版文件！")) {
      return false;
    }
    filetype_ = DeriveFiletype(request_.template_path);
    return true;
  }

  bool CheckInput(const std::string& path, MergeField field, const char* choose_text) {
    if (IsBlank(path)) {
      Say(kGuidance, choose_text);
      observer_.Focus(field);
      return false;
    }
    if (!FileExists(path)) {
      Say(kError, "找不到“" + path + "”文件！");
      observer_.Focus(field);
      return false;
    }
    if (ProbeFile(path) < 1) {
      Say(kError, "打开“" + path + "”文件出错！如果文件已经打开，请将它关闭。");
      return false;
    }
    return true;
  }

  // Starts the instances, reads the titles, generates and outputs every record, shuts down.
  void RunInstances() {
    if (excelserver_.start_new("excel.application") < 0) {
      Say(kError, "连接到Excel失败！");
      return;
    }
    started_.push_back(&excelserver_);
    excelserver_.get("application").get("workbooks").call("open", {request_.data_path});
    excelserver_.get("application").set("visible", request_.visible);

    data_ = std::make_unique<DataSource>(excelserver_);
    if (data_->ReadTitles() < 1) {
      Say(kGuidance, "没有获取到任何标题数据！");
      excelserver_.get("application").call("quit");
      excelserver_.release();
      started_.clear();
      return;
    }

    for (oleobject* word : {&wordserver_, &wordserver2_}) {
      if (word->start_new("word.application") < 0) {
        Say(kError, "连接到Word失败！");
        ShutDownAfterFailure();
        return;
      }
      started_.push_back(word);
      word->get("application").set("visible", request_.visible);
    }

    total_ = CountRecords();
    observer_.ProgressOpened(kProgressText, total_);
    progress_open_ = true;

    ls_path_ = OutputPrefix(request_.output_folder);
    summary_.folder = ls_path_.substr(0, ls_path_.size() - 1);
    merged_ = FormMergedNames(ls_path_, filetype_);

    PrepareDocuments(wordserver_, wordserver2_, request_.template_path);

    if (request_.one_file) PrepareMergedOutput();
    CheckVersion();
    RecordLoop();
    if (request_.one_file) FinishMergedOutput();
    office::FlushDeferredWork(true, [this](int, int) { return observer_.CancelRequested(); });

    ShutDown();
    summary_.outcome = MergeOutcome::kSucceeded;
  }

  // How many records the sheet holds: rows from 2 on up to the first blank record name.
  int CountRecords() {
    int records = 0;
    while (records < DataSource::kLastRecordRow - DataSource::kFirstRecordRow + 1 &&
           data_->ReadRecordName(DataSource::kFirstRecordRow + records)) {
      ++records;
    }
    return records;
  }

  void CloseProgress() {
    if (!progress_open_) return;
    progress_open_ = false;
    observer_.ProgressClosed();
  }

  Value OutputDocument() { return wordserver2_.get("documents").call("item", {1}); }

  // The in-use check of an output name: a name held by another program is replaced by its
  // fallback name, and the user is told.
  std::string CheckInUse(const std::string& name, std::string_view ending) {
    const std::optional<std::string> fallback = FallbackIfInUse(name, ending);
    if (!fallback) return name;
    Say(kError, FallbackMessage(name, *fallback));
    return *fallback;
  }

  void PrepareMergedOutput() {
    merged_.document = CheckInUse(merged_.document, filetype_);
    OutputDocument().call("saveas", {merged_.document});
    merged_.pdf = CheckInUse(merged_.pdf, ".pdf");
  }

  void CheckVersion() {
    const double version =
        VersionNumber(office::ToText(wordserver_.get("application").get("version")));
    if (version < 12 && pdf_) {
      pdf_ = false;
      observer_.PdfTurnedOff();
    }
  }

  void RecordLoop() {
    std::vector<std::string> titlenames;
    for (const st_etitle& title : data_->titles()) titlenames.push_back(title.titlename);
    for (int row = DataSource::kFirstRecordRow; row <= DataSource::kLastRecordRow; ++row) {
      if (!request_.one_file && row > DataSource::kFirstRecordRow) NewRecordDocument(wordserver2_);
      const std::optional<std::string> name = data_->ReadRecordName(row);
      if (!name) break;
      RecordResult result;
      result.index = row - DataSource::kFirstRecordRow + 1;
      result.row = row;
      result.name = *name;
      const RecordNames names = FormRecordNames(ls_path_, *name, filetype_);
      FillRecord(wordserver_, wordserver2_, titlenames, [&](std::size_t k) {
        return data_->ReadFieldValue(static_cast<int>(k) + 1, row);
      });
      if (request_.one_file) {
        OutputDocument().call("save");
      } else {
        OutputRecord(names, result);
      }
      office::FlushDeferredWork(false);
      observer_.RecordDone(result);
      observer_.Progress(result.index, total_);
    }
  }

  void OutputRecord(const RecordNames& names, RecordResult& result) {
    const std::string document = CheckInUse(names.document, filetype_);
    result.document = document;
    result.renamed = document != names.document;
    ++summary_.documents;
    if (document != names.document) {
      // Saved under the fallback name only: neither printed nor exported.
      OutputDocument().call("saveas", {document});
      OutputDocument().call("close");
      return;
    }
    OutputDocument().call("saveas", {document});
    if (request_.print) Print();
    if (pdf_) {
      wordserver2_.get("activedocument").call("exportasfixedformat", {names.pdf, kPdfFormat});
      result.pdf = names.pdf;
      ++summary_.pdfs;
    }
    OutputDocument().call("close");
  }

  void FinishMergedOutput() {
    if (request_.print) Print();
    if (pdf_) {
      wordserver2_.get("activedocument").call("exportasfixedformat", {merged_.pdf, kPdfFormat});
      ++summary_.pdfs;
    }
    OutputDocument().call("close");
    ++summary_.documents;
  }

  void Print() {
    const int li_page = IntegerValue(request_.copies_text);
    OutputDocument().call("printout",
                          {true, false, 0, "", "", "", 0, std::to_string(li_page)});
  }

  void ShutDown() {
    wordserver_.get("documents").call("item", {1}).call("close");
    wordserver_.get("application").call("quit");
    wordserver_.release();
    wordserver2_.get("application").call("quit");
    wordserver2_.release();
    excelserver_.get("application").call("quit");
    excelserver_.release();
    started_.clear();
  }

  // Quits and releases the instances this run started, word processors first, so that no engine
  // instance or converter is left behind. What was saved stays on disk; failures here are
  // swallowed because the caller is already on its way out with a message or an error.
  void ShutDownAfterFailure() {
    for (auto it = started_.rbegin(); it != started_.rend(); ++it) {
      oleobject& instance = **it;
      try {
        instance.get("application").call("quit");
      } catch (...) {
      }
      instance.release();
    }
    started_.clear();
  }

  const MergeRequest& request_;
  MergeObserver& observer_;
  oleobject& excelserver_;
  oleobject& wordserver_;
  oleobject& wordserver2_;
  std::vector<oleobject*> started_;  // in start order

  bool pdf_;  // PDF output asked for and possible
  std::string filetype_;
  std::string ls_path_;
  MergedNames merged_;
  std::unique_ptr<DataSource> data_;
  int total_ = 0;
  bool progress_open_ = false;
  MergeSummary summary_;
};

}  // namespace

FinalMessage FinalMessageOf(const MergeSummary& summary) {
  FinalMessage message;
  if (summary.outcome == MergeOutcome::kSucceeded) {
    message.headline = "您已成功执行了操作！";
  } else if (summary.outcome == MergeOutcome::kCancelled) {
    message.headline = "操作已取消。";
  } else {
    return message;
  }
  return message;
}

MergeSummary RunMergeSession(const MergeRequest& request, MergeObserver& observer,
                             const MergeHandles& handles) {
  return MergeSession(request, observer, handles).Run();
}

}  // namespace vexlo::merge
