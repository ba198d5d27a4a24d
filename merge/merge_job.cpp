#include "merge/merge_job.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/host.h"
#include "app/post_queue.h"
#include "merge/blank.h"
#include "merge/data_source.h"
#include "merge/document_generation.h"
#include "merge/file_probe.h"
#include "merge/output_naming.h"
#include "office/value.h"

namespace vexlo::merge {
namespace {

using office::oleobject;
using office::Value;

constexpr const char* kGuidance = "操作提示";
constexpr const char* kError = "错误提示";
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

class MergeJob {
 public:
  explicit MergeJob(const MergeHandles& handles)
      : excelserver_(Ensure(handles.excelserver)),
        wordserver_(Ensure(handles.wordserver)),
        wordserver2_(Ensure(handles.wordserver2)) {}

  MergeOutcome Run() {
    if (!Validate()) return MergeOutcome::kStopped;
    try {
      return RunInstances();
    } catch (...) {
      ShutDownAfterFailure();
      throw;
    }
  }

 private:
  static oleobject& Ensure(std::unique_ptr<oleobject>& handle) {
    if (!handle) handle = std::make_unique<oleobject>();
    return *handle;
  }

  app::Host& host() { return app::host(); }
  bool Checked(const char* box) { return host().Checked(box); }

  // The two input files, and the output extension.
  bool Validate() {
    filenamee_ = host().Text("sle_1");
    if (!CheckInput(filenamee_, "sle_1", "请选择Excel数据源文件！")) return false;
    filenamew_ = host().Text("sle_2");
    if (!CheckInput(filenamew_, "sle_2", "请选择Word模版文件！")) return false;
    filetype_ = DeriveFiletype(filenamew_);
    return true;
  }

  bool CheckInput(const std::string& path, const char* field, const char* choose_text) {
    if (IsBlank(path)) {
      host().MessageBox(kGuidance, choose_text);
      host().SetFocus(field);
      return false;
    }
    if (!FileExists(path)) {
      host().MessageBox(kError, "找不到“" + path + "”文件！");
      host().SetFocus(field);
      return false;
    }
    if (ProbeFile(path) < 1) {
      host().MessageBox(kError, "打开“" + path + "”文件出错！如果文件已经打开，请将它关闭。");
      return false;
    }
    return true;
  }

  // Starts the instances, reads the titles, generates and outputs every record, shuts down.
  MergeOutcome RunInstances() {
    if (excelserver_.start_new("excel.application") < 0) {
      host().MessageBox(kError, "连接到Excel失败！");
      return MergeOutcome::kStopped;
    }
    started_.push_back(&excelserver_);
    excelserver_.get("application").get("workbooks").call("open", {filenamee_});
    excelserver_.get("application").set("visible", Checked("cbx_3"));

    data_ = std::make_unique<DataSource>(excelserver_);
    if (data_->ReadTitles() < 1) {
      host().MessageBox(kGuidance, "没有获取到任何标题数据！");
      excelserver_.get("application").call("quit");
      excelserver_.release();
      started_.clear();
      return MergeOutcome::kStopped;
    }

    for (oleobject* word : {&wordserver_, &wordserver2_}) {
      if (word->start_new("word.application") < 0) {
        host().MessageBox(kError, "连接到Word失败！");
        ShutDownAfterFailure();
        return MergeOutcome::kStopped;
      }
      started_.push_back(word);
      word->get("application").set("visible", Checked("cbx_3"));
    }

    host().OpenProgress("正在输出，可能需要较长时间，请稍候……");
    app::Post({"w_msg", "", "wf_close"}, [] { app::host().CloseProgress(); });

    ls_path_ = OutputPrefix(host().Text("sle_3"));
    merged_ = FormMergedNames(ls_path_, filetype_);

    PrepareDocuments(wordserver_, wordserver2_, filenamew_);

    if (Checked("cbx_1")) PrepareMergedOutput();
    CheckVersion();
    RecordLoop();
    if (Checked("cbx_1")) FinishMergedOutput();

    ShutDown();
    host().MessageBox(kGuidance, "您已成功执行了操作！");
    return MergeOutcome::kSucceeded;
  }

  Value OutputDocument() { return wordserver2_.get("documents").call("item", {1}); }

  void PrepareMergedOutput() {
    merged_.document = CheckInUse(merged_.document, filetype_);
    OutputDocument().call("saveas", {merged_.document});
    merged_.pdf = CheckInUse(merged_.pdf, ".pdf");
  }

  void CheckVersion() {
    const double version = VersionNumber(office::ToText(wordserver_.get("application").get("version")));
    if (version < 12) host().SetChecked("cbx_4", false);
  }

  void RecordLoop() {
    std::vector<std::string> titlenames;
    for (const st_etitle& title : data_->titles()) titlenames.push_back(title.titlename);
    for (int row = DataSource::kFirstRecordRow; row <= DataSource::kLastRecordRow; ++row) {
      if (!Checked("cbx_1") && row > DataSource::kFirstRecordRow) NewRecordDocument(wordserver2_);
      const std::optional<std::string> name = data_->ReadRecordName(row);
      if (!name) break;
      const RecordNames names = FormRecordNames(ls_path_, *name, filetype_);
      FillRecord(wordserver_, wordserver2_, titlenames, [&](std::size_t k) {
        return data_->ReadFieldValue(static_cast<int>(k) + 1, row);
      });
      if (Checked("cbx_1")) {
        OutputDocument().call("save");
      } else {
        OutputRecord(names);
      }
      host().KeepAlive(row - DataSource::kFirstRecordRow + 1, -1);
    }
  }

  void OutputRecord(const RecordNames& names) {
    const std::string document = CheckInUse(names.document, filetype_);
    if (document != names.document) {
      // Saved under the fallback name only: neither printed nor exported.
      OutputDocument().call("saveas", {document});
      OutputDocument().call("close");
      return;
    }
    OutputDocument().call("saveas", {document});
    if (Checked("cbx_2")) Print();
    if (Checked("cbx_4")) {
      wordserver2_.get("activedocument").call("exportasfixedformat", {names.pdf, kPdfFormat});
    }
    OutputDocument().call("close");
  }

  void FinishMergedOutput() {
    if (Checked("cbx_2")) Print();
    if (Checked("cbx_4")) {
      wordserver2_.get("activedocument").call("exportasfixedformat", {merged_.pdf, kPdfFormat});
    }
    OutputDocument().call("close");
  }

  void Print() {
    const int li_page = IntegerValue(host().Text("em_1"));
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

  oleobject& excelserver_;
  oleobject& wordserver_;
  oleobject& wordserver2_;
  std::vector<oleobject*> started_;  // in start order

  std::string filenamee_;
  std::string filenamew_;
  std::string filetype_;
  std::string ls_path_;
  MergedNames merged_;
  std::unique_ptr<DataSource> data_;
};

}  // namespace

MergeOutcome RunMergeJob(const MergeHandles& handles) { return MergeJob(handles).Run(); }

}  // namespace vexlo::merge
