// The records a run will make, worked out before anything is written: which rows the choice keeps
// (record_choice.h), what each record's files are to be called (a name pattern of titles, else
// the record name) and the password its PDF is to be protected with. Every value it needs is read
// here once, so that a column that does not exist or a record whose password is missing stops the
// run before the first file. UI thread only (reads through the data source).
#ifndef VEXLO_MERGE_RECORD_PLAN_H_
#define VEXLO_MERGE_RECORD_PLAN_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/data_source.h"
#include "merge/merge_session.h"

namespace vexlo::merge {

struct PlannedRecord {
  int row = 0;              // the sheet row
  std::string name;         // the record name (first column)
  std::string wanted_name;  // what its files are to be called, not yet made safe or unique
  std::string password;     // what opening its PDF needs ("" when not protected)
};

struct RecordPlan {
  std::vector<PlannedRecord> records;  // in sheet order
  int in_sheet = 0;                    // records the sheet holds
  // When not empty the run stops with this message (错误提示) before anything is written, and
  // sends the user back to `field`.
  std::string refusal;
  MergeField field = MergeField::kData;
  std::string chosen;  // the choice in words with its counts, for the check ("" without one)
};

// Plans the `records_in_sheet` records of `data` (rows from 2 on) as `request` asks.
RecordPlan PlanRecords(const DataSource& data, int records_in_sheet, const MergeRequest& request);

// The password a record's value gives: the value without the spaces around it, or its last
// `last` characters (last > 0). Nullopt when it is empty or shorter than that.
std::optional<std::string> PdfPassword(std::string_view value, int last);

// The most characters a password may be cut down to (its last N).
constexpr int kMaxPasswordLast = 32;

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_RECORD_PLAN_H_
