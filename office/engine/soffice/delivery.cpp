#include "office/engine/soffice/delivery.h"

#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"

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

std::string Delivery::PutFile(const StoreTarget& target, const std::string& made) const {
  const std::string error = Put(target, [&] { ReplaceFileAtomically(made, target.path); });
  std::error_code ec;
  fs::remove(made, ec);
  return error;
}

std::string Delivery::CopyFile(const std::vector<StoreTarget>& targets, const std::string& made) const {
  std::string first;
  for (std::size_t n = 0; n < targets.size(); ++n) {
    const std::string copy = made + "." + std::to_string(n);
    std::string error = Put(targets[n], [&] {
      std::error_code ec;
      fs::copy_file(made, copy, fs::copy_options::overwrite_existing, ec);
      if (ec) throw app::RuntimeError::Output("无法复制生成的文件");
      ReplaceFileAtomically(copy, targets[n].path);
    });
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
