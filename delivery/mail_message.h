// One outgoing message as it goes over the wire: headers, a text or HTML body and one attached
// file, as multipart/mixed with every part in base64 and UTF-8 throughout. Any thread.
#ifndef VEXLO_DELIVERY_MAIL_MESSAGE_H_
#define VEXLO_DELIVERY_MAIL_MESSAGE_H_

#include <ctime>
#include <string>

#include "delivery/mail_encoding.h"

namespace vexlo::delivery {

struct OutgoingMail {
  Mailbox from;
  Mailbox to;
  std::string subject;          // UTF-8; line breaks become spaces
  std::string body;             // UTF-8
  bool body_html = false;       // the body is an HTML page
  std::string attachment_name;  // the file name the recipient sees ("" for no attachment)
  std::string attachment;       // the file's bytes
  std::string message_id;       // "<...@...>"
};

// A new message id: unique (time, process, counter, random) under the domain of `from`.
std::string NewMessageId(const std::string& from_address);

// The MIME type an attachment is sent as, from its file name's extension.
std::string AttachmentType(const std::string& file_name);

// The whole message, CR LF line ends, dated `when`.
std::string BuildMessage(const OutgoingMail& mail, std::time_t when);

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_MAIL_MESSAGE_H_
