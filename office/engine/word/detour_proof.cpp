#include "office/engine/word/detour_proof.h"

#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <QString>

#include "office/engine/soffice/joined_export_log.h"
#include "office/engine/word/detour_repair.h"

namespace vexlo::engine::word {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The office's .doc of `source` loaded again: its text at `stem`.txt and its page count (the
// .doc kept beside, at `stem`.doc).
std::shared_future<ConversionOutcome> SubmitDoc(OfficePool& pool, const std::string& source, const std::string& stem) {
  ConversionJob job;
  job.source = source;
  job.label = fs::path(source).filename().string();
  job.unshared = true;  // the proof waits for each in turn
  job.targets.resize(2);
  job.targets[0].path = stem + ".doc";
  job.targets[0].format = StoreFormat::kDoc;
  job.targets[1].path = stem + ".txt";
  job.targets[1].format = StoreFormat::kText;
  job.targets[1].via = StoreFormat::kDoc;
  return pool.Submit(std::move(job));
}

std::string Quoted(const std::string& text) {
  QString shown = QString::fromStdString(text);
  if (shown.size() > 24) shown = shown.left(24) + "…";
  return "“" + shown.toStdString() + "”";
}

constexpr std::string_view kSame = "same", kRepaired = "repaired ", kDiffers = "differs ";

}  // namespace

std::vector<std::string> TextParagraphs(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> paragraphs;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    paragraphs.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return paragraphs;
}

std::string DescribeDifference(const std::vector<std::string>& reference, int reference_pages,
                               const std::vector<std::string>& shown, int shown_pages) {
  const std::size_t common = std::min(reference.size(), shown.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (reference[i] != shown[i]) {
      return "第 " + std::to_string(i + 1) + " 段原为" + Quoted(reference[i]) + "，转换后为" + Quoted(shown[i]);
    }
  }
  if (reference.size() != shown.size()) {
    return "原有 " + std::to_string(reference.size()) + " 段，转换后 " + std::to_string(shown.size()) + " 段";
  }
  if (reference_pages != shown_pages) {
    return "原有 " + std::to_string(reference_pages) + " 页，转换后 " + std::to_string(shown_pages) + " 页";
  }
  return "";
}

std::string DetourVerdict::Serialize() const {
  switch (way) {
    case Way::kSame: return std::string(kSame);
    case Way::kRepaired: return std::string(kRepaired) + why;
    case Way::kDiffers: return std::string(kDiffers) + why;
  }
  return "";
}

std::optional<DetourVerdict> DetourVerdict::Parse(const std::string& text) {
  if (text == kSame) return DetourVerdict{};
  if (text.starts_with(kRepaired)) return DetourVerdict{Way::kRepaired, text.substr(kRepaired.size())};
  if (text.starts_with(kDiffers)) return DetourVerdict{Way::kDiffers, text.substr(kDiffers.size())};
  return std::nullopt;
}

std::string DetourVerdict::Describe() const {
  switch (way) {
    case Way::kSame: return ".doc模板经转换填写：已核对与原文件一致";
    case Way::kRepaired: return ".doc模板经转换填写：转换丢失的内容已修复，核对一致（" + why + "）";
    case Way::kDiffers: return ".doc模板转换后与原文件不一致（" + why + "），改为在 LibreOffice 中直接填写原文件";
  }
  return "";
}

DetourProof::DetourProof(OfficePool& pool, std::string doc, std::string folder)
    : pool_(pool), folder_(std::move(folder)), reference_text_(folder_ + "/reference.txt") {
  reference_ = SubmitDoc(pool_, doc, folder_ + "/reference");
}

DetourProof::~DetourProof() { reference_.wait(); }

std::optional<std::string> DetourProof::Compare(const std::string& docx) {
  const std::string stem = folder_ + "/detour-" + std::to_string(++round_);
  const ConversionOutcome detour = SubmitDoc(pool_, docx, stem).get();
  const ConversionOutcome& reference = reference_.get();
  if (!detour.ok() || !reference.ok()) return std::nullopt;
  const std::optional<std::string> reference_text = ReadAll(reference_text_), detour_text = ReadAll(stem + ".txt");
  if (!reference_text || !detour_text) return std::nullopt;
  return DescribeDifference(TextParagraphs(*reference_text), *reference, TextParagraphs(*detour_text),
                            *detour);
}

std::optional<DetourVerdict> DetourProof::Prove(const std::string& docx) {
  const std::optional<std::string> first = Compare(docx);
  if (!first) return std::nullopt;
  if (first->empty()) return DetourVerdict{};
  DetourVerdict verdict{DetourVerdict::Way::kDiffers, *first};
  const std::optional<std::string> bytes = ReadAll(docx);
  // VEXLO_TEST_NO_DETOUR_REPAIR leaves every loss unrepaired: the tests of templates filled in the
  // original need a loss the repairs do not mend.
  const bool repairs = std::getenv("VEXLO_TEST_NO_DETOUR_REPAIR") == nullptr;
  const std::optional<std::string> repaired = bytes && repairs ? RepairConvertedDocx(*bytes) : std::nullopt;
  if (!repaired) return verdict;
  const std::string repaired_path = folder_ + "/repaired.docx";
  if (!(std::ofstream(repaired_path, std::ios::binary) << *repaired)) return verdict;
  const std::optional<std::string> second = Compare(repaired_path);
  if (!second) return std::nullopt;
  if (!second->empty()) {
    verdict.why = *second;  // what the repair leaves is what the outputs would lose
    return verdict;
  }
  std::error_code ec;
  fs::rename(repaired_path, docx, ec);
  if (ec) return std::nullopt;
  verdict.way = DetourVerdict::Way::kRepaired;
  return verdict;
}

void DetourLog::Say(const std::string& label, const std::string& key,
                    const DetourVerdict& verdict) {
  if (!JoinedLogEnabled()) return;
  std::lock_guard lock(mutex_);
  if (!said_.insert(key + verdict.Serialize()).second) return;
  std::fprintf(stderr, "vexlo: %s（“%s”）\n", verdict.Describe().c_str(), label.c_str());
}

}  // namespace vexlo::engine::word
