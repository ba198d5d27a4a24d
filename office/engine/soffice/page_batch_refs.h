// Cross-references inside joined records. A record's bookmarks would clash with the other
// records' of the same names, and its captions' numbers (SEQ) would count on through the records
// before. So each record after the first gets its bookmarks renamed (name_vxK), with its REF and
// PAGEREF fields, its links to bookmarks (a table of contents' entries among them) and the names
// of its form fields (each the name of its bookmark) following them, so that they point into the
// record itself (a page reference then shows the record's own page number, as each record's pages
// are numbered from 1); and the first caption of each sequence in it starts again at 1. Part of
// page_batch; pure, any thread.
// Convention: checks return a Status (status.h); rewrites return false when they cannot apply.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_REFS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_REFS_H_

#include <pugixml.hpp>

#include "office/engine/package/status.h"

#include <cstddef>
#include <functional>
#include <string>

namespace vexlo::engine {

// Calls `change` on the instruction of every field in `root`, in the order of the text (a
// complex field's instruction, split over runs, is gathered into its first run). False when a
// field nests in another (its instruction cannot be told apart).
bool RewriteInstructions(pugi::xml_node root, const std::function<void(std::string&)>& change);

// Why the main text `root` refers in a way a joined record cannot follow: a sequence number
// repeating the one before (\c, which in a record's first caption would repeat the previous
// record's), or a field inside another: ok, or (refused) why not.
Status CheckReferences(pugi::xml_node root);

// Renames the bookmarks of record `k` (its main text `body`) and the references to them, and
// restarts its sequences. False when a new name would clash with one of its own.
bool OwnReferences(pugi::xml_node body, std::size_t k);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_REFS_H_
