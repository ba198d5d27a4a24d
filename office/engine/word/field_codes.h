// Fields of one WordprocessingML part (the main document, a header, a footer, the notes), read
// and changed in its XML: simple fields (w:fldSimple) and complex ones (w:fldChar begin,
// w:instrText, separate, result runs, end). Fields are numbered in the order their starts occur
// in the part, nested ones included, as the word processor's Fields collection counts them.
// Pure functions on the part's text; any thread. A part that is no XML has no fields.
// Convention: std::optional, nullopt when the field cannot be changed.
#ifndef VEXLO_OFFICE_ENGINE_WORD_FIELD_CODES_H_
#define VEXLO_OFFICE_ENGINE_WORD_FIELD_CODES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine::word {

// Field type numbers as the word processor's object model gives them (WdFieldType).
inline constexpr int32_t kFieldEmpty = -1;
inline constexpr int32_t kFieldRef = 3;
inline constexpr int32_t kFieldIf = 7;
inline constexpr int32_t kFieldSequence = 12;
inline constexpr int32_t kFieldDate = 31;
inline constexpr int32_t kFieldPage = 33;
inline constexpr int32_t kFieldMergeField = 59;
inline constexpr int32_t kFieldHyperlink = 88;

// The type of the field whose instruction is `code` (its first word, case ignored).
int32_t FieldTypeOf(std::string_view code);

struct FieldText {
  std::string code;    // the instruction, as written (" MERGEFIELD 姓名 \* MERGEFORMAT ")
  std::string result;  // the text it shows
};

// The fields of `xml` in order.
std::vector<FieldText> ListFields(std::string_view xml);

// `xml` with field `index`'s result text set to `text`: the first text of its result takes it
// (keeping that run's formatting) and the others are emptied; a field that shows nothing gets a
// result run formatted like its start. nullopt when there is no such field.
std::optional<std::string> SetFieldResult(std::string_view xml, std::size_t index,
                                          std::string_view text);

// `xml` with field `index` replaced by its result: the instruction and the field marks go, the
// result runs stay as plain runs. nullopt when there is no such field.
std::optional<std::string> UnlinkField(std::string_view xml, std::size_t index);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_FIELD_CODES_H_
