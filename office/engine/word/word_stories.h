// The stories of a document besides the pasted copies' main text, and the fields in every story,
// as the word processor's object model exposes them: "Fields" (count, item) and "Field" (type,
// code, result, unlink); a story kept in a part of its own as a "Range" (text, find, fields,
// storytype); "Sections" down to each section's "HeadersFooters" and "HeaderFooter" (exists,
// range); "StoryRanges" (count, item by story type) and the note collections' counts.
// Changing a field rewrites its story (the main story becomes one copy of its own, see
// DocumentModel::Rewrite), so fields are meant to be changed before copies are taken.
// UI thread only; raises app::RuntimeError.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_STORIES_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_STORIES_H_

#include <memory>
#include <string>

#include "office/value.h"

namespace vexlo::engine::word {

class WordDocument;

// Story types as the object model numbers them (WdStoryType).
inline constexpr int32_t kMainTextStory = 1;
inline constexpr int32_t kFootnotesStory = 2;
inline constexpr int32_t kEndnotesStory = 3;
inline constexpr int32_t kEvenPagesHeaderStory = 6;
inline constexpr int32_t kPrimaryHeaderStory = 7;
inline constexpr int32_t kEvenPagesFooterStory = 8;
inline constexpr int32_t kPrimaryFooterStory = 9;
inline constexpr int32_t kFirstPageHeaderStory = 10;
inline constexpr int32_t kFirstPageFooterStory = 11;

// The fields of the main story (`part` empty) or of story part `part` of `doc`.
office::Value FieldsOf(const std::shared_ptr<WordDocument>& doc, const std::string& part);

// doc.sections, doc.storyranges, doc.footnotes, doc.endnotes.
office::Value SectionsOf(const std::shared_ptr<WordDocument>& doc);
office::Value StoryRangesOf(const std::shared_ptr<WordDocument>& doc);
office::Value NotesOf(const std::shared_ptr<WordDocument>& doc, bool endnotes);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_WORD_STORIES_H_
