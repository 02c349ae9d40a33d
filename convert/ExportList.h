// The rows of the list that shows what an export produces: the style sheet,
// one row per page (with the sizes of the files already in the folder) and
// one per picture and file, sorted as asked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace convert {
namespace html {
class TNYXtoHtml;
}

enum TKyListType { ltHtml, ltOneFile, ltManyFiles };
enum TFileSortType { fsName, fsSize, fsType, fsVersion };

struct TExportRow {
    std::string title;            // "Titolo"
    std::int64_t size = -1;       // "Dimensione" (-1: no such file yet)
    std::string type;             // "CSS", "Pagina", "Immagine", "File"
    std::string file;             // "File"
    std::int64_t frameSize = -1;  // "Dimensione" of the frame-content file
    std::string frameFile;        // "File per frame" (when it exists)
    std::int32_t stamp = 0;       // "Versione"
    std::int32_t ref = -1;        // the row's object (-1 for the style sheet)
};

// Rows for the pages `objects` (empty: every page) and, for ltHtml, the style
// sheet and the pictures and files `files` (references).
std::vector<TExportRow> ExportListRows(html::TNYXtoHtml& x, TKyListType type, const std::vector<std::int32_t>& objects,
                                       const std::vector<std::int32_t>& files, TFileSortType sort = fsType);

}  // namespace convert
