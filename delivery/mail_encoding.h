// The encodings a mail message needs for Chinese text to arrive intact: base64 in lines,
// header words (RFC 2047 "=?UTF-8?B?...?="), file names as extended parameters (RFC 2231
// "filename*=UTF-8''%E5..."), and the check and parsing of addresses. Pure functions; any thread.
#ifndef VEXLO_DELIVERY_MAIL_ENCODING_H_
#define VEXLO_DELIVERY_MAIL_ENCODING_H_

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::delivery {

// Base64 of `bytes`, broken into lines of 76 characters ending in CR LF (the last line too).
std::string Base64Lines(std::string_view bytes);

// `text` (UTF-8) as it may stand in a header: unchanged when it is printable ASCII, otherwise as
// encoded words joined by CR LF and a space (folding), split only between characters, so that
// no header line grows too long. Each word holds at most 39 bytes, so a first word after
// "Subject: " still fits in 76 characters.
std::string HeaderText(std::string_view text);

// The parameter `name` with value `value` (UTF-8) for a Content-Disposition or Content-Type
// header: `name="value"` for plain ASCII, otherwise `name*=UTF-8''%XX..` split into numbered
// continuations (`name*0*=`, `name*1*=` ...) when long. Starts with ";" and a folding break.
std::string HeaderParameter(std::string_view name, std::string_view value);
// The same value as one quoted parameter holding encoded words, `; name="=?UTF-8?B?...?="`: not
// what the standard asks, but what many mail programs in use read instead of the form above.
std::string EncodedWordParameter(std::string_view name, std::string_view value);

// An address a message can go to: local part and domain, no spaces, quotes, angle brackets or
// control characters, a domain with a dot and no empty label. Deliberately plain: an address
// that needs quoting is not one a pay slip should be sent to.
bool IsMailAddress(std::string_view address);

// A mailbox as the user writes it: "张伟 <zhang@example.com>", "<zhang@example.com>" or a bare
// address. Surrounding spaces go; nullopt when no valid address is in it.
struct Mailbox {
  std::string name;     // display name ("" when none)
  std::string address;
};
std::optional<Mailbox> ParseMailbox(std::string_view text);

// The mailbox as a header value: `=?UTF-8?B?...?= <address>`, `"Name" <address>` or the bare
// address.
std::string MailboxHeader(const Mailbox& mailbox);

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_MAIL_ENCODING_H_
