// The office pool's queue with plain jobs: twins joined, paths asked for again superseded, the
// newest task waiting for its twin, batches of PDFs shared among the offices, cancel generations.
#include "office/engine/soffice/job_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace vexlo::engine {
namespace {

using namespace std::chrono_literals;

const std::string kZip = std::string("PK\x03\x04", 4) + "record";

std::shared_ptr<Task> Job(const std::string& bytes, std::vector<StoreTarget> targets,
                          const std::string& source = "src", bool take = false) {
  return MakeTask({source, take, std::move(targets), source}, bytes);
}

StoreTarget Pdf(const std::string& path) { return {path, StoreFormat::kPdf}; }
StoreTarget Doc(const std::string& path) { return {path, StoreFormat::kDoc}; }
// A PDF showing the .doc made of the same package.
StoreTarget PdfOfDoc(const std::string& path) { return {.path = path, .format = StoreFormat::kPdf, .via = StoreFormat::kDoc}; }

TEST(JobQueueTest, AJobWithTheBytesOfAWaitingOneJoinsIt) {
  JobQueue queue({.join_records = false});
  auto first = Job("same", {Doc("a.doc")}, "1.docx", true);
  queue.Add(first);
  const JobQueue::Added b = queue.Add(Job("same", {Pdf("a.pdf")}, "2.docx", true));
  EXPECT_EQ(queue.size(), 1u);
  ASSERT_EQ(first->job.targets.size(), 2u);
  EXPECT_EQ(first->job.targets[1].path, "a.pdf");
  EXPECT_EQ(b.surplus_source, "2.docx");  // handed over, and nobody loads it
  // The twin's outcome reaches both.
  FinishTask(*first, ConversionOutcome(0));
  EXPECT_TRUE(b.future.get().ok());

  // Other bytes, even of the same size, stay apart; a source not handed over is never deleted.
  queue.Add(Job("diff", {Pdf("b.pdf")}, "3.docx"));
  const JobQueue::Added c = queue.Add(Job("dIff", {Pdf("c.pdf")}, "4.docx", true));
  EXPECT_EQ(queue.size(), 3u);
  EXPECT_EQ(c.surplus_source, "");
  const JobQueue::Added d = queue.Add(Job("diff", {Pdf("d.pdf")}, "5.docx", false));
  EXPECT_EQ(queue.size(), 3u);
  EXPECT_EQ(d.surplus_source, "");
}

TEST(JobQueueTest, WhenRecordsAreJoinedAPdfDoesNotJoinADocOfTheSameBytes) {
  JobQueue queue({.join_records = true});
  queue.Add(Job(kZip, {Doc("a.doc")}));
  queue.Add(Job(kZip, {Pdf("a.pdf")}));
  EXPECT_EQ(queue.size(), 2u);
  queue.Add(Job(kZip, {Pdf("b.pdf")}));
  EXPECT_EQ(queue.size(), 2u);  // two PDFs of the same bytes are one load
}

// The PDF of a record saved as .doc is made from that very .doc: it joins the record's .doc job
// even when PDFs are joined, and a print of it joins too; a PDF of the package itself, or a
// .docx, cannot share that load.
TEST(JobQueueTest, APdfShowingTheDocJoinsTheDocOfTheSameBytes) {
  JobQueue queue({.join_records = true});
  auto doc = Job(kZip, {Doc("a.doc")});
  queue.Add(doc);
  queue.Add(Job(kZip, {PdfOfDoc("a.pdf")}));
  queue.Add(Job(kZip, {PdfOfDoc("print.pdf")}));
  EXPECT_EQ(queue.size(), 1u);
  EXPECT_EQ(doc->job.targets.size(), 3u);
  EXPECT_EQ(PdfRoute(doc->job), StoreFormat::kDoc);
  queue.Add(Job(kZip, {Pdf("plain.pdf")}));
  queue.Add(Job(kZip, {{"b.docx", StoreFormat::kDocx}}));
  EXPECT_EQ(queue.size(), 3u);
  EXPECT_EQ(doc->job.targets.size(), 3u);
}

// PDFs that show a .doc (with that .doc, or without) go out in batches of their own: their
// joined export is stored as .doc and loaded again. A PDF of a package itself never joins them,
// nor does a .doc alone, nor a PDF showing an .rtf.
TEST(JobQueueTest, PdfsShowingADocGoOutInBatchesOfTheirOwn) {
  JobQueue queue({.coalesce_wait = 100ms, .join_records = true, .offices = 1});
  queue.Add(Job(kZip + "0", {PdfOfDoc("0.pdf")}));
  queue.Add(Job(kZip + "p", {Pdf("plain.pdf")}));
  queue.Add(Job(kZip + "1", {Doc("1.doc"), PdfOfDoc("1.pdf")}));
  queue.Add(Job(kZip + "d", {Doc("alone.doc")}));
  queue.Add(Job(kZip + "r", {{"r.rtf", StoreFormat::kRtf}, {.path = "r.pdf", .format = StoreFormat::kPdf, .via = StoreFormat::kRtf}}));
  const auto later = PoolClock::now() + 1s;
  auto batch = queue.TakeBatch(later);
  ASSERT_TRUE(batch);
  ASSERT_EQ(batch->size(), 2u);
  EXPECT_EQ((*batch)[1]->job.targets.size(), 2u);  // the .doc goes with its PDF
  EXPECT_EQ(queue.TakeBatch(later)->size(), 1u);   // the plain PDF
  EXPECT_EQ(queue.TakeBatch(later), std::nullopt);
  EXPECT_EQ(queue.size(), 2u);
}

TEST(JobQueueTest, APathAskedForAgainSupersedesTheWaitingRequest) {
  JobQueue queue({.join_records = false});
  auto old = Job("one", {Pdf("x.pdf"), Doc("x.doc")});
  queue.Add(old);
  const StoreTarget old_pdf = old->job.targets[0];
  auto only_x = Job("two", {Pdf("x.pdf")});
  const JobQueue::Added again = queue.Add(only_x);
  EXPECT_TRUE(again.superseded.empty());  // the old one still has its .doc to make
  ASSERT_EQ(old->job.targets.size(), 1u);
  EXPECT_EQ(old->job.targets[0].path, "x.doc");
  EXPECT_FALSE(queue.Newest(old_pdf));
  EXPECT_TRUE(queue.Newest(only_x->job.targets[0]));

  // A request left with nothing to make leaves the queue, to be finished as done.
  const JobQueue::Added third = queue.Add(Job("three", {Pdf("x.pdf")}));
  ASSERT_EQ(third.superseded.size(), 1u);
  EXPECT_EQ(third.superseded[0], only_x);
  EXPECT_EQ(queue.size(), 2u);

  // A task already taken by an office is not in the queue, but loses its path all the same.
  const auto now = PoolClock::now() + 1h;
  auto taken = queue.TakeTask(now);
  ASSERT_TRUE(taken);
  const StoreTarget taken_doc = taken->job.targets[0];
  queue.Add(Job("four", {Doc("x.doc")}));
  EXPECT_FALSE(queue.Newest(taken_doc));
}

TEST(JobQueueTest, TheOnlyWaitingJobWaitsBrieflyForATwinUnlessItIsARetry) {
  JobQueue queue({.coalesce_wait = 100ms, .join_records = false});
  auto task = Job("a", {Pdf("a.pdf")});
  queue.Add(task);
  EXPECT_EQ(queue.TakeTask(task->queued + 10ms), nullptr);
  EXPECT_EQ(queue.TakeTask(task->queued + 150ms), task);
  ++task->attempts;
  queue.PushFront(task);
  EXPECT_EQ(queue.TakeTask(task->queued + 10ms), task);
  // With two waiting, the first goes at once.
  queue.Add(Job("b", {Pdf("b.pdf")}));
  queue.Add(Job("c", {Pdf("c.pdf")}));
  EXPECT_NE(queue.TakeTask(PoolClock::now()), nullptr);
}

TEST(JobQueueTest, PdfsOfPackagesGoOutInBatchesSharedAmongTheOffices) {
  JobQueue queue({.coalesce_wait = 100ms, .join_records = true, .offices = 2});
  EXPECT_EQ(queue.TakeBatch(PoolClock::now()), std::nullopt);
  for (int i = 0; i < 10; ++i) queue.Add(Job(kZip + std::to_string(i), {Pdf(std::to_string(i) + ".pdf")}));
  auto plain = Job("plain", {Pdf("plain.pdf")});  // not a package: never joined
  queue.Add(plain);
  const auto now = plain->queued;
  // While records keep coming, a batch waits to fill.
  auto waiting = queue.TakeBatch(now);
  ASSERT_TRUE(waiting);
  EXPECT_TRUE(waiting->empty());
  auto batch = queue.TakeBatch(now + 1s);
  ASSERT_TRUE(batch);
  EXPECT_EQ(batch->size(), 5u);  // half for each office
  EXPECT_EQ(batch->front()->job.targets[0].path, "0.pdf");
  EXPECT_EQ(queue.TakeBatch(now + 1s)->size(), 3u);  // (5 + 1) / 2
  EXPECT_EQ(queue.TakeBatch(now + 1s)->size(), 1u);
  auto last = queue.TakeBatch(now + 1s);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->size(), 1u);
  EXPECT_EQ(queue.TakeBatch(now + 1s), std::nullopt);  // only the plain one is left
  EXPECT_EQ(queue.TakeTask(now + 1s)->job.targets[0].path, "plain.pdf");
}

TEST(JobQueueTest, ABatchStaysWithinItsSizeAndLeavesRetriesAndOtherFormatsAlone) {
  JobQueue queue({.coalesce_wait = 100ms, .join_records = true, .offices = 1});
  const std::string big = kZip + std::string(3u << 20, 'x');
  queue.Add(Job(big + "1", {Pdf("1.pdf")}));
  queue.Add(Job(kZip + "doc", {Doc("d.doc")}));
  queue.Add(Job(big + "2", {Pdf("2.pdf")}));
  auto retried = Job(kZip + "r", {Pdf("r.pdf")});
  ++retried->attempts;
  queue.Add(retried);
  const auto later = PoolClock::now() + 1s;
  auto batch = queue.TakeBatch(later);
  ASSERT_TRUE(batch);
  ASSERT_EQ(batch->size(), 1u);  // two of 3 MB exceed a batch's bytes
  EXPECT_EQ(batch->front()->job.targets[0].path, "1.pdf");
  // The .doc is next: not a batch.
  EXPECT_EQ(queue.TakeBatch(later), std::nullopt);
  EXPECT_EQ(queue.TakeTask(later)->job.targets[0].path, "d.doc");
  EXPECT_EQ(queue.TakeBatch(later)->size(), 1u);
  EXPECT_EQ(queue.TakeBatch(later), std::nullopt);  // a retry is made alone
}

TEST(JobQueueTest, CancelHandsOutWhatWaitsAndOutdatesTheTasksInProgress) {
  JobQueue queue({.join_records = false});
  auto running = Job("a", {Pdf("a.pdf")});
  queue.Add(running);
  queue.Add(Job("b", {Pdf("b.pdf")}));
  ASSERT_EQ(queue.TakeTask(PoolClock::now()), running);
  EXPECT_TRUE(queue.Current(*running));
  const auto dropped = queue.Cancel();
  EXPECT_EQ(dropped.size(), 1u);
  EXPECT_EQ(queue.size(), 0u);
  EXPECT_FALSE(queue.Current(*running));
  auto next = Job("c", {Pdf("c.pdf")});
  queue.Add(next);
  EXPECT_TRUE(queue.Current(*next));
  EXPECT_EQ(queue.TakeAll().size(), 1u);
  EXPECT_TRUE(queue.Current(*next));  // a shutdown starts no new generation
}

}  // namespace
}  // namespace vexlo::engine
