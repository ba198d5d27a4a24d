// Turns the bytes of a text data file (.csv, a web page saved under a workbook's name) into UTF-8:
// a byte order mark decides first (UTF-8, UTF-16), then a charset the file declares, then whether
// the bytes are valid UTF-8; anything else is read as GB18030, which also covers GBK and GB2312.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_TEXT_DECODING_H_
#define VEXLO_OFFICE_ENGINE_SHEET_TEXT_DECODING_H_

#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// True when the bytes start with a UTF-16 byte order mark.
bool HasUtf16Bom(std::string_view bytes);

// The text as UTF-8 without a byte order mark. `declared` is a charset name the file gives
// ("gb2312", "utf-8"; empty when none); one iconv does not know is ignored.
std::string DecodeText(std::string_view bytes, std::string_view declared = {});

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_TEXT_DECODING_H_
