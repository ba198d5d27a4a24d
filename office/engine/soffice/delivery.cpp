#include "office/engine/soffice/delivery.h"

#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/pdf_protect.h"

namespace vexlo::engine {

namespace fs = std::filesystem;

Status Delivery::Put(const StoreTarget& target, const std::function<Status()>& put) const {
  {
    std::lock_guard lock(mutex_);
    if (!queue_.Newest(target)) return Status::Ok();
  }
  try {
    return put();
  } catch (const app::RuntimeError& e) {
    // The atomic writes raise the error record their other callers surface.
    return Status::Output(e.text());
  }
}

Status Delivery::PutThrough(const StoreTarget& target, const std::string& made, const std::string& scratch,
                            bool copy) const {
  if (target.format == StoreFormat::kPdf && !target.password.empty()) {
    if (Status is_protected = ProtectPdf(made, scratch, target.password); !is_protected.ok()) {
      return is_protected;
    }
    ReplaceFileAtomically(scratch, target.path);
  } else if (copy) {
    std::error_code ec;
    fs::copy_file(made, scratch, fs::copy_options::overwrite_existing, ec);
    if (ec) return Status::Output("无法复制生成的文件");
    ReplaceFileAtomically(scratch, target.path);
  } else {
    ReplaceFileAtomically(made, target.path);
  }
  return Status::Ok();
}

Status Delivery::PutFile(const StoreTarget& target, const std::string& made) const {
  const std::string scratch = made + ".0";
  Status put = Put(target, [&] { return PutThrough(target, made, scratch, false); });
  std::error_code ec;
  fs::remove(made, ec);
  fs::remove(scratch, ec);
  return put;
}

Status Delivery::CopyFile(const std::vector<StoreTarget>& targets, const std::string& made) const {
  Status first = Status::Ok();
  for (std::size_t n = 0; n < targets.size(); ++n) {
    const std::string copy = made + "." + std::to_string(n);
    Status put = Put(targets[n], [&] { return PutThrough(targets[n], made, copy, true); });
    std::error_code ec;
    fs::remove(copy, ec);
    if (first.ok()) first = std::move(put);
  }
  return first;
}

Status Delivery::PutBytes(const std::vector<StoreTarget>& targets, std::string_view bytes) const {
  Status first = Status::Ok();
  for (const StoreTarget& target : targets) {
    Status put = Put(target, [&] {
      WriteFileAtomically(target.path, bytes);
      return Status::Ok();
    });
    if (first.ok()) first = std::move(put);
  }
  return first;
}

}  // namespace vexlo::engine
