// E-mailing a run's outputs, the merge's side of it: the address column found among the titles
// and its addresses checked before anything is written (repeated, blank and malformed ones
// named), the server and the delivery record tried before the first document, and, once every
// file of the run is complete and checked, one message per record made from that record alone
// (its address, its file, its subject and body) and sent as the stage 正在发送邮件.
// UI thread only. Convention: a check returns the reason it refuses (nullopt: usable); what the
// server did is in the DeliveryReport.
#ifndef VEXLO_MERGE_MAIL_STAGE_H_
#define VEXLO_MERGE_MAIL_STAGE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "delivery/delivery_record.h"
#include "delivery/mail_delivery.h"
#include "delivery/mail_settings.h"
#include "delivery/smtp_sender.h"
#include "merge/data_source.h"
#include "merge/pre_write_check.h"

namespace vexlo::merge {

class MergeObserver;
struct MergeRequest;
struct RecordResult;

// `text` with each title replaced by the record's value, as the document's titles are.
std::string FillTitles(const std::string& text, const std::vector<std::string>& titles,
                       const std::vector<std::string>& values);

// A short key of a record's values: the same data gives the same key in every run.
std::string ContentKey(const std::vector<std::string>& values);

// Why no message can go to `address` (a record's, as written in the sheet); nullopt when one can.
std::optional<std::string> AddressRefusal(const std::string& address);

// One record's address as the check sees it.
struct RecordAddress {
  int index = 0;
  std::string name;
  std::string address;
};
// The check's lines about the addresses: records sharing an address, records without a usable
// one (each list headed by a line of its own; empty when all is well).
std::vector<std::string> AddressFindings(const std::vector<RecordAddress>& addresses);

// The final message's lines about the messages: sent, skipped as sent before, not sent and why.
std::vector<std::string> MailLines(const delivery::DeliveryReport& report);

class MailStage {
 public:
  MailStage(const MergeRequest& request, MergeObserver& observer);

  // Before anything is read: what the request cannot do (one file for all, settings that make
  // no sense). False once the user was told.
  bool RequestUsable();
  // With the titles read: the address column is there; the addresses of the `records` records
  // go into the check's findings. False once the user was told.
  bool ReadAddresses(const DataSource& data, int records, CheckFindings& findings);
  // Before the first document: the server answers and takes the login, and the delivery record
  // in `folder` can be read and written. False once the user was told.
  bool Ready(const std::string& folder);
  // Every file of the run is complete: each record's message is made from its row.
  void TakeRecords(const std::vector<RecordResult>& records, const DataSource& data);
  // Sends them, the stage shown and a stop asked for between messages.
  delivery::DeliveryReport Send();

 private:
  const MergeRequest& request_;
  const delivery::MailSettings& settings_;
  MergeObserver& observer_;
  int column_ = 0;  // 1-based title index of the address column
  std::vector<std::string> titles_;
  std::unique_ptr<delivery::SmtpSender> sender_;
  delivery::DeliveryRecord record_;
  std::vector<delivery::DeliveryJob> jobs_;
};

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_MAIL_STAGE_H_
