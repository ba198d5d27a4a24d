// WordPackage: one loaded .docx/.docm/.dotx package, read-only and shared. Every part is kept as
// its stored (compressed) bytes so that writing the package copies the parts it did not change
// without recompressing them; the main document part is parsed into a SourceStory. Loading
// raises app::RuntimeError (File, Format) naming the file; the limits keep hostile packages to
// bounded time and memory.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_WORD_WORD_PACKAGE_H_
#define VEXLO_OFFICE_ENGINE_WORD_WORD_PACKAGE_H_

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "office/engine/package/zip_writer.h"
#include "office/engine/word/copy_parts.h"
#include "office/engine/word/source_story.h"

namespace vexlo::engine {
class ZipReader;
}

namespace vexlo::engine::word {

class WordPackage {
 public:
  static std::shared_ptr<const WordPackage> Load(const std::string& path);
  // The same from bytes; `display_name` names the file in errors.
  static std::shared_ptr<const WordPackage> FromBytes(std::string bytes,
                                                      const std::string& display_name);
  // vexlo's own blank document: A4, Chinese-friendly default fonts.
  static std::shared_ptr<const WordPackage> Blank();

  // The same parts with another main document part (parsed again). `copies`: the further copies
  // of stories that `xml` holds; the parts they refer into get their entries.
  std::shared_ptr<const WordPackage> WithMainXml(std::string_view xml,
                                                 const std::vector<StoryCopy>& copies = {}) const;

  // The package bytes with `main_xml` as the main part; the main part's content type follows
  // `extension` (".docx", ".docm", ".dotx", ".dotm"; others keep the package's own), and a
  // .docx or .dotx leaves out the macros of a macro-enabled package. `copies`: as above.
  std::string Write(std::string_view main_xml, std::string_view extension,
                    const std::vector<StoryCopy>& copies = {}) const;

  // The same parts with story part `name` (a header, a footer, the notes; see StoryPart)
  // holding `xml` instead.
  std::shared_ptr<const WordPackage> WithStoryPart(const std::string& name, std::string xml) const;

  // The XML of a story kept in a part of its own: a header, a footer, the footnotes or the
  // endnotes that the main part refers to. nullptr for any other name.
  const std::string* StoryPart(const std::string& name) const;
  // The part that the main part's relationship `id` names ("" when none).
  std::string RelationshipTarget(std::string_view id) const;
  // The footnotes and endnotes parts ("" when the package has none).
  const std::string& footnotes_part() const { return footnotes_part_; }
  const std::string& endnotes_part() const { return endnotes_part_; }

  const SourceStory& story() const { return *story_; }
  const std::shared_ptr<const SourceStory>& story_ptr() const { return story_; }
  const std::string& main_part() const { return main_part_; }
  // The main part's relationships part, inflated ("" when there is none).
  const std::string& main_rels() const { return main_rels_; }

 private:
  static std::shared_ptr<const WordPackage> Build(ZipReader& reader, uint64_t size);

  std::vector<RawEntry> entries_;
  std::string main_part_;
  std::string main_rels_;
  std::string content_types_;
  std::shared_ptr<const SourceStory> story_;
  std::string display_name_;
  IdFloors floors_;
  std::shared_ptr<const CopyParts> copy_parts_;
  std::shared_ptr<const StyleNumbering> numbered_styles_;
  NoteFormats note_formats_;           // the settings' note numbering
  std::map<std::string, std::string, std::less<>> story_parts_;  // name -> XML (see StoryPart)
  std::map<std::string, std::string, std::less<>> rel_targets_;  // main relationship id -> part
  std::string footnotes_part_, endnotes_part_;
  // What Write changes for one main content type: the content types and relationships parts
  // (when they change) and the parts left out (macros in a .docx).
  struct Variant {
    RawEntry types;
    RawEntry rels;
    std::set<std::string> dropped;
  };
  const Variant& VariantFor(std::string_view extension) const;
  mutable std::map<std::string, Variant, std::less<>> variants_;
};

// True when `bytes` start like an OLE compound file (a .doc, or an encrypted Office document).
bool IsCompoundFile(std::string_view bytes);
// True when such a file holds an encrypted OOXML package rather than a Word 97-2003 document.
bool IsEncryptedPackage(std::string_view bytes);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_WORD_PACKAGE_H_
