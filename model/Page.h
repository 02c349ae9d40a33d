// Pages: the working copy a page is shown and edited in, and storing it back.
// In a working copy every object the text uses is a private copy: URLs and
// links are page-local objects (6F000000 + i in the text), every other
// embedded object is in the copy's own list (FF000000 + i, the instance id
// the text box knows it by).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Fields.h"
#include "model/NYXset.h"

namespace model {

// Builds the working copy of a page (none: an empty new text). A header or
// footer sub-text gets inactive objects and no header or footer of its own.
std::unique_ptr<TNYXtesto> BuildWorkingCopy(TNYXset& set, const TNYXoggetto* page, bool subText = false);

// Writes a working copy back: its objects are registered again (in their own
// slots), the text gets global references, the markup version 2, the stamp
// the save counter when asked, the automatic title, and the page takes slot
// `index` (-1: a free slot). Returns the registered page.
TNYXtesto* StorePage(TNYXset& set, std::unique_ptr<TNYXtesto> copy, std::int64_t index, bool raiseStamp);

// Where the anchor marker numbered n stands in a working copy's text. When
// there is none and the page is editable, warns "Ancora non trovata: a" + n.
bool GoToAnchor(TNYXtesto& copy, std::int32_t n, bool viewMode, std::size_t& position);

// The title a page called "Senza titolo" gets from its first words.
std::string AutomaticTitle(std::string_view markup);

// The header and footer page a page is shown with (none: -1 in the page and
// in the hypertext, or a page that does not exist).
TNYXoggetto* HeaderPageOf(const TNYXset& set, const TNYXoggetto& page);
TNYXoggetto* FooterPageOf(const TNYXset& set, const TNYXoggetto& page);

}  // namespace model
