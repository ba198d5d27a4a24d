// SlipPreview: any record's slip before the run, filled as the run fills it. It drives instances
// of its own through the automation gateway (the data workbook, the template, a document per
// record shown), never writes a file, and gives the text of the filled document and the findings
// of the check before writing. Its instances quit when it is destroyed. UI thread only.
#ifndef VEXLO_UI_MAIN_SLIP_PREVIEW_H_
#define VEXLO_UI_MAIN_SLIP_PREVIEW_H_

#include <memory>
#include <string>
#include <vector>

#include "merge/data_source.h"
#include "merge/merge_session.h"
#include "merge/placeholders.h"
#include "office/oleobject.h"

namespace vexlo::ui {

class SlipPreview {
 public:
  explicit SlipPreview(merge::MergeRequest request) : request_(std::move(request)) {}
  ~SlipPreview();
  SlipPreview(const SlipPreview&) = delete;
  SlipPreview& operator=(const SlipPreview&) = delete;

  // Starts the instances and reads the data and the template. False, with the reason in Chinese,
  // when they cannot be read (a missing or wrong file, no titles, no record).
  bool Open(std::string& why);

  int records() const { return records_; }
  const merge::CheckFindings& findings() const { return findings_; }
  // The name of record `index` (1-based) as its file is named before cleaning.
  std::string RecordName(int index) const;
  // The paragraphs of record `index`'s document, filled as the run fills it.
  std::vector<std::string> Paragraphs(int index);

 private:
  void Quit();

  merge::MergeRequest request_;
  office::oleobject excel_, word_, word2_;
  std::unique_ptr<merge::DataSource> data_;
  std::vector<std::string> titles_;
  int records_ = 0;
  merge::TemplatePlaceholders placeholders_;
  merge::CheckFindings findings_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_SLIP_PREVIEW_H_
