#include "office/engine/soffice/delivery.h"

#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/pdf_protect.h"

namespace vexlo::engine {

namespace fs = std::filesystem;

std::string Delivery::Put(const StoreTarget& target, const std::function<void()>& put) const {
  {
    std::lock_guard lock(mutex_);
    if (!queue_.Newest(target)) return "";
  }
  try {
    put();
  } catch (const app::RuntimeError& e) {
    return e.text();
  }
  return "";
}

void Delivery::PutThrough(const StoreTarget& target, const std::string& made, const std::string& scratch,
                          bool copy) const {
  if (target.format == StoreFormat::kPdf && !target.password.empty()) {
    const std::string error = ProtectPdf(made, scratch, target.password);
    if (!error.empty()) throw app::RuntimeError::Output(error);
    ReplaceFileAtomically(scratch, target.path);
  } else if (copy) {
    std::error_code ec;
    fs::copy_file(made, scratch, fs::copy_options::overwrite_existing, ec);
    if (ec) throw app::RuntimeError::Output("无法复制生成的文件");
    ReplaceFileAtomically(scratch, target.path);
  } else {
    ReplaceFileAtomically(made, target.path);
  }
}

std::string Delivery::PutFile(const StoreTarget& target, const std::string& made) const {
  const std::string scratch = made + ".0";
  const std::string error = Put(target, [&] { PutThrough(target, made, scratch, false); });
  std::error_code ec;
  fs::remove(made, ec);
  fs::remove(scratch, ec);
  return error;
}

std::string Delivery::CopyFile(const std::vector<StoreTarget>& targets, const std::string& made) const {
  std::string first;
  for (std::size_t n = 0; n < targets.size(); ++n) {
    const std::string copy = made + "." + std::to_string(n);
    std::string error = Put(targets[n], [&] { PutThrough(targets[n], made, copy, true); });
    std::error_code ec;
    fs::remove(copy, ec);
    if (first.empty()) first = std::move(error);
  }
  return first;
}

std::string Delivery::PutBytes(const std::vector<StoreTarget>& targets, std::string_view bytes) const {
  std::string first;
  for (const StoreTarget& target : targets) {
    std::string error = Put(target, [&] { WriteFileAtomically(target.path, bytes); });
    if (first.empty()) first = std::move(error);
  }
  return first;
}

}  // namespace vexlo::engine
