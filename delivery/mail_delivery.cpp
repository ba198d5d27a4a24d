#include "delivery/mail_delivery.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "delivery/mail_message.h"
#include "delivery/send_pacing.h"

namespace vexlo::delivery {
namespace {

namespace fs = std::filesystem;

bool ReadWhole(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  bytes = text.str();
  return !in.bad();
}

class Run {
 public:
  Run(SmtpSender& sender, DeliveryRecord& record, const DeliveryOptions& options,
      const DeliveryWatch& watch)
      : sender_(sender), record_(record), options_(options), watch_(watch),
        rate_(options.per_minute) {
    // A stop asked for while a message is under way is kept for the moment after it.
    sender_.set_while_waiting([this] { stop_asked_ = stop_asked_ || AskCancelled(); });
  }
  ~Run() { sender_.set_while_waiting({}); }

  DeliveryReport Go(const std::vector<DeliveryJob>& jobs) {
    std::vector<const DeliveryJob*> queue;
    for (const DeliveryJob& job : jobs) {
      if (!job.problem.empty()) {
        Fail(job, job.problem);
      } else if (!options_.resend &&
                 record_.Sent(job.address, fs::path(job.attachment).filename().string(),
                              job.content)) {
        ++report_.skipped;
      } else {
        queue.push_back(&job);
      }
    }
    const int total = static_cast<int>(queue.size());
    Progress(0, total);
    int put_off_in_a_row = 0;
    for (int i = 0; i < total; ++i) {
      if (Cancelled() || !Pause(rate_.WaitBefore(PaceClock::now()))) {
        report_.cancelled = true;
        break;
      }
      const Outcome outcome = SendOne(*queue[i]);
      if (outcome == Outcome::kStop) break;
      if (outcome == Outcome::kCancelled) {
        report_.cancelled = true;
        break;
      }
      put_off_in_a_row = outcome == Outcome::kPutOff ? put_off_in_a_row + 1 : 0;
      Progress(i + 1, total);
      if (put_off_in_a_row >= options_.give_up_after && i + 1 < total) {
        report_.stopped = "邮件服务器连续 " + std::to_string(put_off_in_a_row) +
                          " 封邮件都没有接收，已停止发送";
        break;
      }
    }
    report_.not_sent = total - finished_;
    return report_;
  }

 private:
  enum class Outcome { kDone, kPutOff, kStop, kCancelled };

  Outcome SendOne(const DeliveryJob& job) {
    OutgoingMail mail;
    mail.from = options_.from;
    mail.to = {"", job.address};
    mail.subject = job.subject;
    mail.body = job.body;
    mail.body_html = job.body_html;
    mail.attachment_name = fs::path(job.attachment).filename().string();
    if (!ReadWhole(job.attachment, mail.attachment)) {
      Fail(job, "无法读取附件“" + job.attachment + "”");
      ++finished_;
      return Outcome::kDone;
    }
    // One id for every try: a mailbox that got a message twice (a reply lost on the way) can
    // tell they are the same.
    mail.message_id = NewMessageId(options_.from.address);
    const std::string message = BuildMessage(mail, std::time(nullptr));
    mail.attachment.clear();

    for (int attempt = 1;; ++attempt) {
      if (attempt > 1 && !Pause(RetryDelay(attempt, options_.first_retry))) {
        return Outcome::kCancelled;
      }
      if (attempt > 1 && !Pause(rate_.WaitBefore(PaceClock::now()))) return Outcome::kCancelled;
      rate_.Started(PaceClock::now());
      const SendResult r = sender_.Send(options_.from.address, job.address, message);
      switch (r.status) {
        case SendStatus::kAccepted: {
          const std::optional<std::string> problem = record_.Append({job.record, job.address,
                                                      mail.attachment_name, RecordTime(), r.answer,
                                                      mail.message_id, job.content});
          ++report_.sent;
          ++finished_;
          if (problem) {
            // Without its line the message would go again on the next run: stop here.
            report_.stopped = *problem;
            return Outcome::kStop;
          }
          return Outcome::kDone;
        }
        case SendStatus::kPermanent:
          Fail(job, "服务器拒收：" + r.answer);
          ++finished_;
          return Outcome::kDone;
        case SendStatus::kFatal:
          report_.stopped = r.answer;
          return Outcome::kStop;
        case SendStatus::kTemporary:
          if (attempt >= options_.attempts) {
            Fail(job, "试了 " + std::to_string(attempt) + " 次仍未发出：" + r.answer);
            ++finished_;
            return Outcome::kPutOff;
          }
          break;
      }
    }
  }

  void Fail(const DeliveryJob& job, const std::string& reason) {
    report_.failed.push_back({job.index, job.record, job.address, reason});
  }

  void Progress(int done, int total) {
    if (watch_.progress) watch_.progress(done, total);
  }
  bool AskCancelled() const { return watch_.cancelled && watch_.cancelled(); }
  bool Cancelled() {
    stop_asked_ = stop_asked_ || AskCancelled();
    return stop_asked_;
  }

  // Waits `time`, asking about a stop meanwhile; false when one was asked.
  bool Pause(PaceClock::duration time) {
    const PaceClock::time_point until = PaceClock::now() + time;
    while (PaceClock::now() < until) {
      if (Cancelled()) return false;
      std::this_thread::sleep_for(
          std::min<PaceClock::duration>(until - PaceClock::now(), std::chrono::milliseconds(50)));
    }
    return !Cancelled();
  }

  SmtpSender& sender_;
  DeliveryRecord& record_;
  const DeliveryOptions& options_;
  const DeliveryWatch& watch_;
  RateLimit rate_;
  DeliveryReport report_;
  int finished_ = 0;  // messages of the queue sent or given up
  bool stop_asked_ = false;
};

}  // namespace

DeliveryReport Deliver(const std::vector<DeliveryJob>& jobs, SmtpSender& sender,
                       DeliveryRecord& record, const DeliveryOptions& options,
                       const DeliveryWatch& watch) {
  return Run(sender, record, options, watch).Go(jobs);
}

}  // namespace vexlo::delivery
