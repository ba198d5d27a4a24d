#include "office/engine/output/batch_output_queue.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/runtime_error.h"
#include "office/engine/output/cups_printer.h"
#include "office/engine/soffice/soffice.h"

namespace vexlo::engine {

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

constexpr int kMaxAttempts = 2;  // a file the converter skipped is tried once more

std::string DefaultProfileRoot() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
    return std::string(cache) + "/vexlo";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/.cache/vexlo";
  }
  return (fs::temp_directory_path() / ("vexlo-" + std::to_string(::getuid()))).string();
}

// A fontconfig set-up for the converters: the system's, plus "宋体"/SimSun (which documents ask
// for) served by the installed CJK serif face, so Chinese text comes out in real glyphs of the
// intended style.
std::string WriteFontsConf(const std::string& root) {
  const std::string path = root + "/fonts.conf";
  static const char kConf[] =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
      "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
      "  <alias binding=\"same\"><family>宋体</family>"
      "<prefer><family>Noto Serif CJK SC</family></prefer></alias>\n"
      "  <alias binding=\"same\"><family>SimSun</family>"
      "<prefer><family>Noto Serif CJK SC</family></prefer></alias>\n"
      "</fontconfig>\n";
  std::ifstream in(path);
  std::string existing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (existing != kConf) {
    const std::string part = path + ".part" + std::to_string(::getpid());
    std::ofstream(part, std::ios::trunc) << kConf;
    std::error_code ec;
    fs::rename(part, path, ec);
  }
  return path;
}

// Moves `from` to `to`, replacing it. Across file systems the copy goes to a hidden name beside
// `to` first, so `to` never holds a half-written file.
bool MoveInto(const std::string& from, const std::string& to, std::string& error) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return true;
  const fs::path target(to);
  // A short name of its own, so that a long PDF name never makes the copy fail.
  const fs::path part = target.parent_path() / (".vexlo-" + std::to_string(::getpid()) + ".part");
  fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(part, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(part, ignored);
    error = ec.message();
    return false;
  }
  fs::remove(from, ec);
  return true;
}

bool NonEmptyFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && fs::file_size(path, ec) > 0;
}

// Runs one converter call over `inputs` (source path, name inside the batch) in `batch_dir`.
BatchOutputQueue::BatchResult ConvertBatch(std::vector<std::pair<std::string, std::string>> inputs,
                                           std::string batch_dir, std::string profile,
                                           std::vector<std::string> env) {
  BatchOutputQueue::BatchResult result;
  const fs::path in_dir = fs::path(batch_dir) / "in";
  result.out_dir = (fs::path(batch_dir) / "out").string();
  std::error_code ec;
  fs::create_directories(in_dir, ec);
  fs::create_directories(result.out_dir, ec);
  std::vector<std::string> files;
  for (const auto& [source, name] : inputs) {
    const fs::path link = in_dir / name;
    fs::create_hard_link(source, link, ec);
    if (ec) fs::copy_file(source, link, fs::copy_options::overwrite_existing, ec);
    files.push_back(link.string());  // a file that could not be placed shows up as missing PDF
  }
  const auto timeout = 2min + std::chrono::seconds(3) * static_cast<int>(files.size());
  result.run = RunSofficeConvert(files, "pdf", result.out_dir, profile,
                                 std::chrono::duration_cast<std::chrono::milliseconds>(timeout), env);
  fs::remove_all(in_dir, ec);
  return result;
}

}  // namespace

BatchOutputQueue::BatchOutputQueue(BatchOptions options) : options_(std::move(options)) {
  if (options_.lanes <= 0) {
    options_.lanes = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  }
  options_.max_batch = std::max(1, options_.max_batch);
  options_.min_batch = std::clamp(options_.min_batch, 1, options_.max_batch);
  if (options_.profile_root.empty()) options_.profile_root = DefaultProfileRoot();
  lanes_.resize(static_cast<std::size_t>(options_.lanes));
}

BatchOutputQueue::~BatchOutputQueue() {
  for (Lane& lane : lanes_) {
    if (lane.running.valid()) lane.running.wait();
    if (lane.lock_fd >= 0) ::close(lane.lock_fd);
  }
  for (const Request& r : requests_) {
    if (r.state != Request::State::kDone && r.state != Request::State::kFailed) Discard(r);
  }
  if (!work_dir_.empty()) {
    std::error_code ec;
    fs::remove_all(work_dir_, ec);
  }
}

void BatchOutputQueue::ExportPdf(const std::string& source, const std::string& pdf_path,
                                 bool take_source) {
  Request request;
  request.kind = Request::Kind::kPdf;
  request.source = source;
  request.target = pdf_path;
  request.take_source = take_source;
  Add(std::move(request));
}

void BatchOutputQueue::Print(const std::string& source, int copies, bool take_source) {
  try {
    RequirePrinter();
  } catch (...) {
    if (take_source) {
      std::error_code ec;
      fs::remove(source, ec);
    }
    throw;
  }
  Request request;
  request.kind = Request::Kind::kPrint;
  request.source = source;
  request.target = fs::path(source).filename().string();
  request.copies = copies;
  request.take_source = take_source;
  std::string ext = fs::path(source).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == ".pdf") {
    request.state = Request::State::kReady;
    request.converted = source;
  }
  Add(std::move(request));
}

void BatchOutputQueue::Add(Request request) {
  request.queued = std::chrono::steady_clock::now();
  requests_.push_back(std::move(request));
  Pump(false);
}

void BatchOutputQueue::Flush() {
  Pump(false);
  const auto waiting = static_cast<std::size_t>(std::count_if(
      requests_.begin(), requests_.end(),
      [](const Request& r) { return r.state == Request::State::kWaiting; }));
  // As few converter calls as the batch bound allows, in a multiple of the converters so that
  // they all finish together: 919 files on two converters become 6 calls of 154.
  const std::size_t lanes = lanes_.size();
  const auto max_batch = static_cast<std::size_t>(options_.max_batch);
  std::size_t calls = std::max<std::size_t>(1, (waiting + max_batch - 1) / max_batch);
  calls = (calls + lanes - 1) / lanes * lanes;
  drain_share_ = std::max<std::size_t>(1, (waiting + calls - 1) / calls);
  Pump(true);
  const auto settled = [this] {
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(), [](const Request& r) {
      return r.state == Request::State::kDone || r.state == Request::State::kFailed;
    }));
  };
  const int total = static_cast<int>(requests_.size());
  while (settled() < total) {
    bool waited = false;
    for (Lane& lane : lanes_) {
      if (lane.running.valid()) {
        lane.running.wait_for(30ms);
        waited = true;
        break;
      }
    }
    if (!waited) std::this_thread::sleep_for(5ms);
    Pump(true);
    if (const office::WaitWatch& watch = FlushWatch(); watch && watch(settled(), total)) {
      Cancel();
      return;
    }
  }

  std::string error;
  for (const Request& r : requests_) {
    if (r.state == Request::State::kFailed) {
      error = r.error;
      break;
    }
  }
  requests_.clear();
  next_print_ = 0;
  if (!work_dir_.empty()) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(work_dir_, ec)) fs::remove_all(entry.path(), ec);
  }
  if (!error.empty()) throw app::RuntimeError::Output(error);
}

void BatchOutputQueue::Cancel() {
  EndRunningConversions();
  for (Lane& lane : lanes_) {
    if (lane.running.valid()) lane.running.wait();
    lane.running = {};
    lane.ids.clear();
  }
  std::error_code ec;
  for (const Request& r : requests_) {
    if (r.state == Request::State::kDone || r.state == Request::State::kFailed) continue;
    if (!r.converted.empty() && r.converted != r.source) fs::remove(r.converted, ec);
    Discard(r);
  }
  requests_.clear();
  next_print_ = 0;
  if (!work_dir_.empty()) {
    fs::remove_all(work_dir_, ec);
    work_dir_.clear();
  }
}

void BatchOutputQueue::Pump(bool draining) {
  for (Lane& lane : lanes_) Collect(lane);
  Deliver();
  Dispatch(draining);
}

void BatchOutputQueue::Collect(Lane& lane) {
  if (!lane.running.valid() || lane.running.wait_for(0s) != std::future_status::ready) return;
  BatchResult result = lane.running.get();
  for (std::size_t id : lane.ids) {
    Request& r = requests_[id];
    const std::string pdf = result.out_dir + "/" + std::to_string(id) + ".pdf";
    if (NonEmptyFile(pdf)) {
      r.converted = pdf;
      r.state = Request::State::kReady;
    } else if (!result.run.started) {
      Fail(r, "没有找到 LibreOffice（soffice），无法转换为PDF");
    } else if (r.attempts < kMaxAttempts && !result.run.timed_out) {
      r.state = Request::State::kWaiting;
    } else {
      Fail(r, result.run.timed_out ? "LibreOffice 转换超时" : "LibreOffice 没有生成PDF文件");
    }
  }
  lane.ids.clear();
}

void BatchOutputQueue::Deliver() {
  for (Request& r : requests_) {
    if (r.kind != Request::Kind::kPdf || r.state != Request::State::kReady) continue;
    std::string error;
    if (MoveInto(r.converted, r.target, error)) {
      r.state = Request::State::kDone;
      Discard(r);
    } else {
      Fail(r, "无法写入：" + error);
    }
  }
  for (; next_print_ < requests_.size(); ++next_print_) {
    Request& r = requests_[next_print_];
    if (r.kind != Request::Kind::kPrint) continue;
    if (r.state == Request::State::kFailed) continue;
    if (r.state != Request::State::kReady) break;
    try {
      PrintPdf(r.converted, r.copies, r.target);
      r.state = Request::State::kDone;
    } catch (const app::RuntimeError& e) {
      r.state = Request::State::kFailed;
      r.error = e.text();
    }
    std::error_code ec;
    if (r.converted != r.source) fs::remove(r.converted, ec);
    Discard(r);
  }
}

void BatchOutputQueue::Dispatch(bool draining) {
  std::vector<std::size_t> waiting;
  for (std::size_t i = 0; i < requests_.size(); ++i) {
    if (requests_[i].state == Request::State::kWaiting) waiting.push_back(i);
  }
  std::size_t taken = 0;
  for (Lane& lane : lanes_) {
    if (lane.running.valid()) continue;
    const std::size_t remaining = waiting.size() - taken;
    if (remaining == 0) break;
    // Each converter call costs a start of about a second, so before Flush an idle converter only
    // starts with a batch worth it, and only when documents come slowly enough for the start to
    // pay (when they come fast, Flush shares them out better); it then takes all that waits.
    // Once Flush waits, the rest is shared out evenly over all converters, busy ones included:
    // they take their share when done.
    std::size_t n = remaining;
    if (draining) {
      n = std::min(remaining, drain_share_);
    } else if (remaining < static_cast<std::size_t>(options_.min_batch) ||
               std::chrono::steady_clock::now() - requests_[waiting[taken]].queued <
                   options_.min_wait) {
      break;
    }
    n = std::min(n, static_cast<std::size_t>(options_.max_batch));
    if (!AcquireProfile(lane)) lane.profile = WorkDir() + "/profile-" + std::to_string(batch_counter_);

    std::vector<std::pair<std::string, std::string>> inputs;
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t id = waiting[taken + k];
      Request& r = requests_[id];
      r.state = Request::State::kConverting;
      ++r.attempts;
      std::string ext = fs::path(r.source).extension().string();
      inputs.emplace_back(r.source, std::to_string(id) + (ext.empty() ? ".docx" : ext));
      lane.ids.push_back(id);
    }
    taken += n;
    const std::string batch_dir = WorkDir() + "/batch-" + std::to_string(++batch_counter_);
    std::vector<std::string> env;
    if (!fonts_env_.empty()) env.push_back(fonts_env_);
    ++converter_calls_;
    lane.running = std::async(std::launch::async, ConvertBatch, std::move(inputs), batch_dir,
                              lane.profile, std::move(env));
  }
}

bool BatchOutputQueue::AcquireProfile(Lane& lane) {
  if (lane.lock_fd >= 0) return true;
  std::error_code ec;
  fs::create_directories(options_.profile_root, ec);
  if (fonts_env_.empty()) fonts_env_ = "FONTCONFIG_FILE=" + WriteFontsConf(options_.profile_root);
  // A profile serves one converter at a time: a second soffice on the same profile would hand its
  // work to the first and exit. Other lanes and other vexlo processes take the next free one.
  for (int k = 0; k < 64; ++k) {
    const std::string profile = options_.profile_root + "/soffice-profile-" + std::to_string(k);
    const int fd = ::open((profile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      lane.lock_fd = fd;
      lane.profile = profile;
      return true;
    }
    ::close(fd);
  }
  return false;
}

const std::string& BatchOutputQueue::WorkDir() {
  if (work_dir_.empty()) {
    std::string tmpl = (fs::temp_directory_path() / "vexlo-output-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
      throw app::RuntimeError::Output("无法创建临时文件夹：" + tmpl);
    }
    work_dir_ = tmpl;
  }
  return work_dir_;
}

void BatchOutputQueue::Fail(Request& r, std::string error) {
  r.state = Request::State::kFailed;
  r.error = r.kind == Request::Kind::kPdf ? "无法输出PDF文件“" + r.target + "”：" + error
                                          : "无法打印“" + r.target + "”：" + error;
  Discard(r);
}

void BatchOutputQueue::Discard(const Request& r) {
  if (!r.take_source) return;
  std::error_code ec;
  fs::remove(r.source, ec);
}

}  // namespace vexlo::engine
