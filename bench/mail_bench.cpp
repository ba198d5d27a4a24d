// Sends every PDF of a folder as one message each (to <n>@example.cn) through the delivery loop
// the merge uses, and prints the time and the peak memory. Run by mail_bench.sh, which makes the
// PDFs and starts the local test server:
//   mail_bench FOLDER SMTP_URL CA_FILE USER      (password in VEXLO_SMTP_PASSWORD)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "delivery/delivery_record.h"
#include "delivery/mail_delivery.h"
#include "delivery/mail_settings.h"
#include "delivery/smtp_sender.h"

namespace fs = std::filesystem;
using namespace vexlo::delivery;

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: mail_bench FOLDER SMTP_URL CA_FILE USER\n");
    return 2;
  }
  const fs::path folder = argv[1];
  std::vector<DeliveryJob> jobs;
  std::vector<fs::path> pdfs;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().extension() == ".pdf") pdfs.push_back(e.path());
  }
  std::sort(pdfs.begin(), pdfs.end());
  std::uintmax_t bytes = 0;
  for (const fs::path& pdf : pdfs) {
    DeliveryJob job;
    job.index = static_cast<int>(jobs.size()) + 1;
    job.record = pdf.stem().string();
    job.address = "person" + std::to_string(job.index) + "@example.cn";
    job.attachment = pdf.string();
    job.subject = job.record + "：2026年11月工资条";
    job.body = job.record + "，您好！\n附件是您2026年11月的工资条，请查收。";
    job.content = std::to_string(job.index);
    bytes += fs::file_size(pdf);
    jobs.push_back(job);
  }
  SmtpSettings settings;
  settings.url = argv[2];
  settings.ca_file = argv[3];
  settings.user = argv[4];
  if (const char* p = std::getenv("VEXLO_SMTP_PASSWORD")) settings.password = p;
  SmtpSender sender(settings);
  DeliveryRecord record;
  const fs::path csv = fs::temp_directory_path() / ("mail_bench_" + std::to_string(::getpid()) + ".csv");
  record.Open(csv.string());
  DeliveryOptions options;
  options.from = {"人事部", "hr@example.cn"};
  options.per_minute = kMaxPerMinute;

  const auto start = std::chrono::steady_clock::now();
  const DeliveryReport report = Deliver(jobs, sender, record, options, {});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  fs::remove(csv);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("messages %zu (attachments %.1f MB): sent %d, failed %zu, %.2f s, %.1f messages/s, "
              "peak memory %ld KB\n",
              jobs.size(), bytes / 1e6, report.sent, report.failed.size(), seconds,
              report.sent / seconds, usage.ru_maxrss);
  return report.sent == static_cast<int>(jobs.size()) ? 0 : 1;
}
