// Lists numbered afresh in every record of a joined document: each record after the first gets
// list instances of its own (a copy of each list it uses, every level starting at its first
// number again; instances that number on from each other stay one list), and its paragraphs
// numbered through their style are pointed at the record's instance of the style's list. Lists tied to numbering styles restart with the levels of the
// list the style names. Part of page_batch; pure, any thread.
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
  int AddInstance(int old_id, int k);

  pugi::xml_document numbering_, styles_;
  pugi::xml_node root_;
  bool loaded_ = false;
  bool changed_ = false;
  int top_ = 0;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_LISTS_H_
