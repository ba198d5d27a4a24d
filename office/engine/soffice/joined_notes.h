// The footnotes of a joined document, set right once the office has loaded it: each record's
// notes get the numbers they have in the record's own document (the office numbers on through
// the joined one), and each record's first page style the note separator line the first
// record's has (the office draws it only in the section where it first meets a note).
// Office thread only; raises the office's exceptions.
// Convention: raises the office's UNO exceptions; the pool's worker turns them into a Result
// (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_NOTES_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_NOTES_H_

#include <string>
#include <vector>

#include <com/sun/star/lang/XComponent.hpp>

#include "office/engine/soffice/page_batch.h"

namespace vexlo::engine {

// Sets the notes of the loaded joined document `doc` (made by JoinForPages), whose records start
// at the bookmarks `marks`. Raises when its notes are not those the joined text refers to.
void PrepareJoinedNotes(const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& doc,
                        const JoinedDocuments& joined, const std::vector<std::string>& marks);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_NOTES_H_
