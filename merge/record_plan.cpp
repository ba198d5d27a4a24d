#include "merge/record_plan.h"

#include <algorithm>

#include "merge/blank.h"
#include "merge/output_naming.h"
#include "merge/record_choice.h"

namespace vexlo::merge {
namespace {

constexpr std::size_t kRecordsListed = 20;  // records named in a refusal at most

std::string Folded(std::string_view text) {
  std::string folded(TrimSpaces(text));
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::size_t CodePoints(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The last `count` characters of `text`. REQUIRES: it has that many.
std::string_view LastCharacters(std::string_view text, std::size_t count) {
  std::size_t at = text.size();
  for (std::size_t seen = 0; seen < count && at > 0;) {
    --at;
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) ++seen;
  }
  return text.substr(at);
}

class Planner {
 public:
  Planner(const DataSource& data, const MergeRequest& request) : data_(data), request_(request) {}

  RecordPlan Plan(int records_in_sheet) {
    plan_.in_sheet = records_in_sheet;
    if (!FindColumns()) return std::move(plan_);
    std::vector<std::string> missing_passwords;
    for (int i = 0; i < records_in_sheet; ++i) {
      const int row = DataSource::kFirstRecordRow + i;
      std::optional<PlannedRecord> record = Chosen(row);
      if (!record) continue;
      if (password_column_ > 0) {
        const std::string value = data_.ReadFieldValue(password_column_, row);
        const std::optional<std::string> password = PdfPassword(value, request_.password_last);
        if (!password) {
          missing_passwords.push_back("  第 " + std::to_string(row) + " 行“" + record->name + "”：" +
                                      (TrimSpaces(value).empty()
                                           ? std::string("为空")
                                           : "只有 " + std::to_string(CodePoints(TrimSpaces(value))) + " 位"));
          continue;
        }
        record->password = *password;
      }
      plan_.records.push_back(*std::move(record));
    }
    const RecordChoice& choice = request_.choice;
    if (choice.any()) {
      plan_.chosen = "按条件选择记录（" + ChoiceText(choice) + "）：数据共 " +
                     std::to_string(records_in_sheet) + " 条记录，将制作其中 " +
                     std::to_string(plan_.records.size() + missing_passwords.size()) + " 条。";
      if (plan_.records.empty() && missing_passwords.empty()) {
        Refuse("没有符合条件（" + ChoiceText(choice) + "）的记录，没有生成任何文件。\n" +
                   "请检查筛选条件后再试。",
               MergeField::kData);
        return std::move(plan_);
      }
    }
    if (!missing_passwords.empty()) RefusePasswords(missing_passwords);
    return std::move(plan_);
  }

 private:
  // The 1-based column of `title`: the title as written, else without the spaces around it and
  // without regard to the case of Latin letters. 0 when there is none.
  int Column(const std::string& title) const {
    const std::vector<st_etitle>& titles = data_.titles();
    for (std::size_t k = 0; k < titles.size(); ++k) {
      if (titles[k].titlename == title) return static_cast<int>(k) + 1;
    }
    for (std::size_t k = 0; k < titles.size(); ++k) {
      if (Folded(titles[k].titlename) == Folded(title)) return static_cast<int>(k) + 1;
    }
    return 0;
  }

  std::string TitleList() const {
    std::string list;
    for (const st_etitle& t : data_.titles()) list += (list.empty() ? "“" : "、“") + t.titlename + "”";
    return list;
  }

  void Refuse(std::string text, MergeField field) {
    plan_.refusal = std::move(text);
    plan_.field = field;
  }

  // Looks up every column the request names; false (and the refusal) when one is not there.
  bool FindColumns() {
    const auto missing = [&](const std::string& what, MergeField field) {
      Refuse(what + "在数据中不存在。数据的列有：" + TitleList() + "。", field);
      return false;
    };
    for (const RecordFilter& f : request_.choice.filters) {
      const int column = Column(f.title);
      if (column == 0) return missing("筛选条件中的列“" + f.title + "”", MergeField::kData);
      filter_columns_.push_back(column);
    }
    for (const std::string& title : PatternTitles(request_.name_pattern)) {
      const int column = Column(title);
      if (column == 0) return missing("文件名格式中的“{" + title + "}”", MergeField::kData);
      pattern_columns_.emplace_back(title, column);
    }
    if (!request_.pdf_password_column.empty()) {
      password_column_ = Column(request_.pdf_password_column);
      if (password_column_ == 0) {
        return missing("PDF密码列“" + request_.pdf_password_column + "”", MergeField::kPdf);
      }
    }
    return true;
  }

  // The record of `row` when the choice keeps it, named.
  std::optional<PlannedRecord> Chosen(int row) const {
    const RecordChoice& choice = request_.choice;
    if (!choice.rows.empty() &&
        std::none_of(choice.rows.begin(), choice.rows.end(),
                     [row](const RowRange& r) { return r.first <= row && row <= r.last; })) {
      return std::nullopt;
    }
    const std::optional<std::string> name = data_.ReadRecordName(row);
    if (!name) return std::nullopt;
    if (choice.skip_totals && IsTotalsRow(*name)) return std::nullopt;
    for (std::size_t i = 0; i < choice.filters.size(); ++i) {
      if (!MeetsFilter(choice.filters[i], data_.ReadFieldValue(filter_columns_[i], row))) {
        return std::nullopt;
      }
    }
    PlannedRecord record;
    record.row = row;
    record.name = *name;
    record.wanted_name = *name;
    if (!request_.name_pattern.empty()) {
      const std::string named = ExpandNamePattern(request_.name_pattern, [&](const std::string& title) {
        for (const auto& [t, column] : pattern_columns_) {
          if (t == title) return std::string(TrimSpaces(data_.ReadFieldValue(column, row)));
        }
        return std::string();
      });
      // A pattern whose titles are all blank in this record names nothing: the record name does.
      if (!TrimSpaces(named).empty()) record.wanted_name = named;
    }
    return record;
  }

  void RefusePasswords(const std::vector<std::string>& lines) {
    const std::string rule = request_.password_last > 0
                                 ? "为空或不足 " + std::to_string(request_.password_last) + " 位"
                                 : std::string("为空");
    std::string text = "以下记录的PDF密码（“" + request_.pdf_password_column + "”列）" + rule +
                       "，没有生成任何文件：";
    for (std::size_t i = 0; i < lines.size() && i < kRecordsListed; ++i) text += "\n" + lines[i];
    if (lines.size() > kRecordsListed) text += "\n  ……共 " + std::to_string(lines.size()) + " 条。";
    Refuse(text + "\n请在数据中填写后再试。", MergeField::kPdf);
  }

  const DataSource& data_;
  const MergeRequest& request_;
  RecordPlan plan_;
  std::vector<int> filter_columns_;
  std::vector<std::pair<std::string, int>> pattern_columns_;
  int password_column_ = 0;
};

}  // namespace

std::optional<std::string> PdfPassword(std::string_view value, int last) {
  value = TrimSpaces(value);
  if (value.empty()) return std::nullopt;
  if (last <= 0) return std::string(value);
  if (CodePoints(value) < static_cast<std::size_t>(last)) return std::nullopt;
  return std::string(LastCharacters(value, static_cast<std::size_t>(last)));
}

RecordPlan PlanRecords(const DataSource& data, int records_in_sheet, const MergeRequest& request) {
  return Planner(data, request).Plan(records_in_sheet);
}

}  // namespace vexlo::merge
