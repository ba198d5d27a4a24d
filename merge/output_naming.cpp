#include "merge/output_naming.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "app/clock.h"
#include "app/shown_text.h"
#include "merge/blank.h"
#include "merge/file_probe.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;

constexpr char kSeparator = '/';
constexpr std::size_t kDefaultNameMax = 255;

// Names are compared as a file system that ignores case would compare them (ASCII letters).
std::string Fold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string Resolved(const std::string& path) {
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

std::size_t NameMax(const std::string& folder) {
  const long max = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return max > 0 ? static_cast<std::size_t>(max) : kDefaultNameMax;
}

}  // namespace

std::string DeriveFiletype(std::string_view filenamew) {
  // Only a dot in the file name counts: one in a folder name would put separators into the
  // extension and send every output into another folder.
  const std::size_t dot = filenamew.rfind('.');
  const std::size_t slash = filenamew.rfind(kSeparator);
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot) ||
      filenamew.size() - dot < 3) {
    return ".doc";
  }
  return std::string(filenamew.substr(dot));
}

std::string OutputPrefix(std::string_view folder_text, std::string_view current_folder) {
  if (IsBlank(folder_text)) return std::string(current_folder) + kSeparator;
  return std::string(folder_text) + kSeparator;
}

std::string SafeFileName(std::string_view record_name) {
  std::string safe(record_name);
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  for (char& c : safe) {
    if (c != '.') break;
    c = '_';
  }
  return safe;
}

namespace {

// Calls `title` for each "{title}" of `pattern` and `text` for the text between them.
void WalkPattern(std::string_view pattern, const std::function<void(std::string_view)>& text,
                 const std::function<void(const std::string&)>& title) {
  while (!pattern.empty()) {
    const std::size_t open = pattern.find('{');
    const std::size_t close = open == std::string_view::npos ? open : pattern.find('}', open);
    if (close == std::string_view::npos) {
      text(pattern);
      return;
    }
    text(pattern.substr(0, open));
    title(std::string(pattern.substr(open + 1, close - open - 1)));
    pattern.remove_prefix(close + 1);
  }
}

}  // namespace

std::vector<std::string> PatternTitles(std::string_view pattern) {
  std::vector<std::string> titles;
  WalkPattern(pattern, [](std::string_view) {}, [&](const std::string& t) { titles.push_back(t); });
  return titles;
}

std::string ExpandNamePattern(std::string_view pattern,
                              const std::function<std::string(const std::string&)>& value) {
  std::string name;
  WalkPattern(pattern, [&](std::string_view text) { name += text; },
              [&](const std::string& t) { name += value(t); });
  return name;
}

OutputNamer::OutputNamer(std::string ls_path, std::string filetype,
                         const std::vector<std::string>& inputs)
    : ls_path_(std::move(ls_path)), filetype_(std::move(filetype)) {
  for (const std::string& input : inputs) inputs_.push_back(Fold(Resolved(input)));
  name_max_ = NameMax(ls_path_);
}

bool OutputNamer::Free(const std::string& stem, bool avoid_held) const {
  if (taken_.count(Fold(stem)) != 0) return false;
  for (const std::string& path : {Document(stem), Pdf(stem)}) {
    const std::string resolved = Fold(Resolved(path));
    for (const std::string& input : inputs_) {
      if (resolved == input) return false;
    }
    if (avoid_held && HeldByAnother(path)) return false;
  }
  return true;
}

std::string OutputNamer::Reserve(std::string_view wanted, std::string_view tail, bool avoid_held) {
  const std::size_t ending = std::max(filetype_.size(), std::string_view(".pdf").size());
  for (int n = 1;; ++n) {
    const std::string suffix = n == 1 ? std::string() : " (" + std::to_string(n) + ")";
    const std::size_t room = name_max_ > ending + tail.size() + suffix.size()
                                 ? name_max_ - ending - tail.size() - suffix.size()
                                 : 0;
    const std::string stem =
        std::string(app::Utf8Prefix(wanted, room)) + std::string(tail) + suffix;
    if (Free(stem, avoid_held)) {
      taken_.insert(Fold(stem));
      return stem;
    }
  }
}

std::string FallbackName(const std::string& name, std::string_view ending, std::string_view stamp) {
  const std::string stem = name.substr(0, name.size() - ending.size());
  return stem + std::string(stamp) + std::string(ending);
}

bool HeldByAnother(const std::string& name) { return FileExists(name) && ProbeFile(name) < 1; }

std::string FallbackMessage(const std::string& name, const std::string& fallback) {
  return "    无法创建“" + name + "”文件！\n文件将另存为" + fallback + "。";
}

}  // namespace vexlo::merge
