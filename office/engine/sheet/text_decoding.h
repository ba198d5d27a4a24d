// Turns the bytes of a text data file (.csv, a web page saved under a workbook's name) into UTF-8.
// What decides, in this order: a byte order mark (UTF-8, UTF-16); bytes that are valid UTF-8; a
// multi-byte charset the file declares (Big5, Shift_JIS, ...) when the bytes are valid in it;
// GB18030, which also covers GBK and GB2312; a single-byte charset the file declares. A declared
// charset the bytes contradict is passed over: pages say gb2312 and hold UTF-8, or say utf-16
// and hold neither. Bytes valid in none of these are no text.
// Convention: std::optional, nullopt when the bytes are no text in that encoding.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_TEXT_DECODING_H_
#define VEXLO_OFFICE_ENGINE_SHEET_TEXT_DECODING_H_

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// True when the bytes start with a UTF-16 byte order mark.
bool HasUtf16Bom(std::string_view bytes);

// True when `text` holds no control character but tab, line breaks, form feed and escape:
// what text files hold, and binary files seldom avoid.
bool HasOnlyTextControls(std::string_view text);

// The text as UTF-8 without a byte order mark; nullopt when the bytes are no text (valid in no
// charset above, or holding other control characters). `declared` is a charset name the file
// gives ("gb2312", "big5"; empty when none); one iconv does not know is passed over. Takes the
// bytes over, so that valid UTF-8 is not copied.
std::optional<std::string> DecodeText(std::string bytes, std::string_view declared = {});

// About the first `limit` bytes of the text, enough to tell markup from separated fields: UTF-16
// is decoded, any other text is given as it is (its separators, quotes and '<' are the ASCII
// bytes in UTF-8 and GB18030 alike).
std::string TextHead(std::string_view bytes, size_t limit);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_TEXT_DECODING_H_
