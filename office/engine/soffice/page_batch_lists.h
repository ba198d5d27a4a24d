// Lists numbered afresh in every record of a joined document: each record after the first gets
// lists of its own (a copy of each abstract list it numbers with, under a new list identifier, and
// copies of the instances naming it, their own level overrides kept: instances that number on
// from each other in the template do so within the record), and its paragraphs numbered through
// their style are pointed at the record's instance of the style's list. Lists tied to numbering
// styles are copied with the levels of the list the style names. Part of page_batch; pure, any
// thread.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_LISTS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_LISTS_H_

#include <pugixml.hpp>

#include <cstddef>
#include <map>
#include <string>

namespace vexlo::engine {

class ListRestarts {
 public:
  // The template's numbering.xml and styles.xml (null: the part is missing).
  ListRestarts(const std::string* numbering, const std::string* styles);

  // Renumbers the lists of member `k` (k > 0) in `body`.
  void Restart(pugi::xml_node body, std::size_t k);

  bool changed() const { return changed_; }
  // Whether paragraphs of two styles number on one level of one list (once through a .doc, the
  // office may start such a list again at the second style's paragraphs).
  bool shared_between_styles() const { return shared_between_styles_; }

  std::string Xml() const;

 private:
  struct StyleList {
    int num = 0;         // 0: the style (or its base) says no list
    std::string level;   // the style's list level ("" = 0)
  };
  // The list a paragraph style numbers its paragraphs with, through the styles it is based on.
  StyleList ListOfStyle(const std::string& style_id, int depth = 0) const;
  pugi::xml_node LevelsOf(pugi::xml_node abstract, int depth = 0) const;
  std::string ListKey(int id) const;
  int Fresh(std::map<std::string, int>& fresh, int old_id, int k);
  void NoteStyle(int num, const std::string& level, const std::string& style);
  int AbstractCopy(const std::string& abstract_id, int k);
  int AddInstance(int old_id, int k);

  pugi::xml_document numbering_, styles_;
  pugi::xml_node root_;
  bool loaded_ = false;
  bool changed_ = false;
  bool shared_between_styles_ = false;
  // (list instance, level) → the style of its first paragraph
  std::map<std::pair<int, std::string>, std::string> style_of_level_;
  int top_ = 0;
  int top_abstract_ = 0;
  std::map<std::pair<int, std::string>, int> abstracts_;  // (member, abstract list) → its copy
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_LISTS_H_
