#include "office/engine/sheet/xls_formats.h"

#include "office/engine/sheet/biff_records.h"
#include "office/engine/sheet/cell_display.h"
#include "office/engine/sheet/number_format.h"

namespace vexlo::engine::sheet {

void XlsFormats::AddFormat(uint16_t index, std::string code) {
  format_is_date_[index] = IsDateFormatCode(code);
  format_codes_[index] = std::move(code);
}

void XlsFormats::AddXf(uint16_t format) { xf_format_.push_back(format); }

void XlsFormats::FinishGlobals() {
  xf_is_date_.reserve(xf_format_.size());
  for (uint16_t id : xf_format_) {
    const auto found = format_is_date_.find(id);
    xf_is_date_.push_back(found != format_is_date_.end() ? found->second : IsBuiltinDateFormat(id));
    const auto code = format_codes_.find(id);
    xf_shown_.push_back(data_.AddFormat(code != format_codes_.end() ? code->second : BuiltinFormatCode(id)));
  }
}

void XlsFormats::AddEarlyFormat(std::string code) {
  StartAfreshIfAsked();
  early_is_date_.push_back(IsDateFormatCode(code));
  early_codes_.push_back(std::move(code));
}

void XlsFormats::AddEarlyXf(uint8_t format) {
  StartAfreshIfAsked();
  xf_is_date_.push_back(format < early_is_date_.size() && early_is_date_[format]);
  xf_shown_.push_back(EarlyFormat(format));
}

void XlsFormats::StartAfreshIfAsked() {
  if (!replace_at_next_) return;
  replace_at_next_ = false;
  early_is_date_.clear();
  early_codes_.clear();
  xf_is_date_.clear();
  xf_shown_.clear();
}

uint16_t XlsFormats::EarlyFormat(uint8_t format) {
  return format < early_codes_.size() ? data_.AddFormat(early_codes_[format]) : 0;
}

bool XlsFormats::IsDateBiff2Cell(std::string_view cell) const {
  const uint8_t xf = static_cast<uint8_t>(cell[biff::cell2::kXf]) & biff::cell2::kMask;
  if (xf < xf_is_date_.size()) return xf_is_date_[xf];
  const uint8_t format = static_cast<uint8_t>(cell[biff::cell2::kFormat]) & biff::cell2::kMask;
  return format < early_is_date_.size() && early_is_date_[format];
}

uint16_t XlsFormats::ShownFormatBiff2Cell(std::string_view cell) {
  const uint8_t xf = static_cast<uint8_t>(cell[biff::cell2::kXf]) & biff::cell2::kMask;
  if (xf < xf_shown_.size()) return xf_shown_[xf];
  return EarlyFormat(static_cast<uint8_t>(cell[biff::cell2::kFormat]) & biff::cell2::kMask);
}

}  // namespace vexlo::engine::sheet
