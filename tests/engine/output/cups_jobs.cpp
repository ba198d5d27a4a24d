#include "tests/engine/output/cups_jobs.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace vexlo::test {
namespace {

int Copies(int job_id) {
  char uri[256];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/jobs/%d", job_id);
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  int copies = 1;  // a job sent without the attribute prints once
  if (ipp_attribute_t* attr = ippFindAttribute(response, "copies", IPP_TAG_INTEGER)) {
    copies = ippGetInteger(attr, 0);
  }
  ippDelete(response);
  return copies;
}

std::vector<PrintJob> AllJobs() {
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs(&jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
  std::vector<PrintJob> out;
  for (int i = 0; i < n; ++i) out.push_back({jobs[i].id, jobs[i].title ? jobs[i].title : "", 0});
  cupsFreeJobs(n, jobs);
  std::sort(out.begin(), out.end(), [](const PrintJob& a, const PrintJob& b) { return a.id < b.id; });
  return out;
}

}  // namespace

int LastJobId() {
  const std::vector<PrintJob> jobs = AllJobs();
  return jobs.empty() ? 0 : jobs.back().id;
}

std::vector<PrintJob> JobsAfter(int after, std::size_t expected) {
  std::vector<PrintJob> found;
  for (int tries = 0; tries < 50; ++tries) {
    found.clear();
    for (const PrintJob& job : AllJobs()) {
      if (job.id > after) found.push_back(job);
    }
    if (found.size() >= expected) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (PrintJob& job : found) job.copies = Copies(job.id);
  return found;
}

}  // namespace vexlo::test
