// FakeFields: the window's inputs without a window, for the commands' and the remembered inputs'
// tests. Holds the values as a request; records each focus move as "focus <control>" in the log
// it is given (the host's, so that boxes and focus moves read in order).
#ifndef VEXLO_TESTS_UI_FAKE_FIELDS_H_
#define VEXLO_TESTS_UI_FAKE_FIELDS_H_

#include <string>
#include <vector>

#include "ui/main/input_fields.h"

namespace vexlo::test {

class FakeFields : public ui::InputFields {
 public:
  explicit FakeFields(std::vector<std::string>& log) : log_(log) {}

  merge::MergeRequest ReadInputs() const override { return values; }
  void WriteInputs(const merge::MergeRequest& inputs) override {
    values = inputs;
    ++writes;
  }
  void FocusField(merge::MergeField field) override {
    static constexpr const char* kControls[] = {"sle_1", "sle_2", "sle_3", "em_1",
                                                "cbx_2", "cbx_4", "ddlb_1"};
    log_.push_back(std::string("focus ") + kControls[static_cast<int>(field)]);
  }

  merge::MergeRequest values;
  int writes = 0;

 private:
  std::vector<std::string>& log_;
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_UI_FAKE_FIELDS_H_
