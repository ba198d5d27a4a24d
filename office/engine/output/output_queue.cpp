#include "office/engine/output/output_queue.h"

#include "app/runtime_error.h"

namespace vexlo::engine {
namespace {

// Placeholder until the batched converter and the printer land: every request fails clearly.
class UnavailableQueue : public OutputQueue {
 public:
  void ExportPdf(const std::string&, const std::string& pdf_path, bool) override {
    throw app::RuntimeError::Output("无法输出PDF文件“" + pdf_path + "”：PDF 输出尚不可用");
  }
  void Print(const std::string&, int, bool) override {
    throw app::RuntimeError::Output("无法打印：打印功能尚不可用");
  }
  void Flush() override {}
};

OutputQueue* test_queue = nullptr;

}  // namespace

OutputQueue& output_queue() {
  static UnavailableQueue fallback;
  return test_queue ? *test_queue : fallback;
}

void SetOutputQueueForTest(OutputQueue* queue) { test_queue = queue; }

}  // namespace vexlo::engine
