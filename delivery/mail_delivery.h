// Sending one run's messages: each record's message built from its own job (address, attachment,
// subject and body made from the same record), the ones the delivery record holds skipped, the
// others sent at the allowed pace; a message the server puts off is tried again after growing
// pauses, one it refuses is listed and not tried again, and each accepted one is written to the
// delivery record before the next begins. A stop asked for takes effect between messages, never
// inside one. One thread.
#ifndef VEXLO_DELIVERY_MAIL_DELIVERY_H_
#define VEXLO_DELIVERY_MAIL_DELIVERY_H_

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "delivery/delivery_record.h"
#include "delivery/mail_encoding.h"
#include "delivery/smtp_sender.h"

namespace vexlo::delivery {

// One record's message.
struct DeliveryJob {
  int index = 0;                // 1-based record number
  std::string record;           // the record's name
  std::string address;          // as the sheet has it (trimmed)
  std::string problem;          // why it cannot be sent ("" when it can): a blank or bad address
  std::string attachment;       // the file's path
  std::string subject;
  std::string body;
  bool body_html = false;
  std::string content;          // the record's content key (delivery_record.h)
};

struct DeliveryOptions {
  Mailbox from;
  bool resend = false;
  int per_minute = 30;
  int attempts = 4;                                   // tries of a message put off
  std::chrono::milliseconds first_retry{2000};        // pause before the second try
  int give_up_after = 3;  // records in a row put off to the end: the server is gone, stop
};

struct DeliveryFailure {
  int index = 0;
  std::string record;
  std::string address;
  std::string reason;
};

struct DeliveryReport {
  int sent = 0;
  int skipped = 0;    // already in the delivery record
  int not_sent = 0;   // left when sending stopped (a stop asked for, or the server unusable)
  std::vector<DeliveryFailure> failed;  // refused, a bad address, or put off to the end
  bool cancelled = false;
  std::string stopped;  // why sending stopped before the end ("" when it did not, or cancelled)
};

struct DeliveryWatch {
  std::function<void(int done, int total)> progress;  // messages done of those to send
  // Asked between messages, in pauses and while a message waits on the server; a stop asked
  // for during a message takes effect once it is sent.
  std::function<bool()> cancelled;
};

DeliveryReport Deliver(const std::vector<DeliveryJob>& jobs, SmtpSender& sender,
                       DeliveryRecord& record, const DeliveryOptions& options,
                       const DeliveryWatch& watch);

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_MAIL_DELIVERY_H_
