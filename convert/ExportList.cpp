#include "convert/ExportList.h"

#include <algorithm>
#include <filesystem>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/text.h"

namespace convert {

namespace fs = std::filesystem;

namespace {
std::int64_t SizeOf(const fs::path& folder, const std::string& name) {
    if (name.empty()) return -1;
    std::error_code ec;
    const fs::path p = folder / fs::path(platform::text::Cp1252ToUtf8(name));
    const auto n = fs::file_size(p, ec);
    return ec ? -1 : static_cast<std::int64_t>(n);
}
}  // namespace

std::vector<TExportRow> ExportListRows(html::TNYXtoHtml& x, TKyListType type, const std::vector<std::int32_t>& objects,
                                       const std::vector<std::int32_t>& files, TFileSortType sort) {
    std::vector<TExportRow> rows;
    if (!x.LinkedNYXset) return rows;
    model::TNYXset& set = *x.LinkedNYXset;
    if (type == ltHtml) {
        TExportRow r;
        r.title = "Stili del testo";
        r.type = "CSS";
        r.file = x.StyleSheetName();
        r.size = SizeOf(x.ExportPath, r.file);
        r.stamp = set.SaveCounter();
        rows.push_back(r);
    }
    std::vector<std::int32_t> pages;
    if (objects.empty()) {
        for (std::int32_t p : AllPages(set)) pages.push_back(model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(p)));
    } else {
        pages = objects;
    }
    for (std::int32_t ref : pages) {
        const model::TNYXoggetto* o = set.ObjectByRef(ref);
        if (!o || o->IsEmpty() || o->Type() != model::testoHtml) continue;
        TExportRow r;
        r.ref = ref;
        r.title = o->GetName();
        r.type = "Pagina";
        r.file = x.PageFileName(o, 0);
        r.stamp = o->GetStamp();
        if (type == ltHtml) {
            r.size = SizeOf(x.ExportPath, r.file);
            const std::string ff = x.PageFileName(o, 1);
            r.frameSize = SizeOf(x.ExportPath, ff);
            if (r.frameSize >= 0) r.frameFile = ff;
        }
        rows.push_back(r);
    }
    if (type == ltHtml) {
        for (int pass = 0; pass < 2; ++pass) {
            for (std::int32_t ref : files) {
                const model::TNYXoggetto* o = set.ObjectByRef(ref);
                if (!o || o->IsEmpty()) continue;
                const bool picture = o->Type() == model::immagine;
                if (picture != (pass == 0)) continue;
                TExportRow r;
                r.ref = ref;
                r.title = o->GetName();
                r.type = picture ? "Immagine" : "File";
                r.file = x.PageFileName(o, 2);
                r.size = SizeOf(x.ExportPath, r.file);
                r.stamp = o->GetStamp();
                rows.push_back(r);
            }
        }
    }
    auto byName = [](const TExportRow& a, const TExportRow& b) { return a.title < b.title; };
    switch (sort) {
        case fsName: std::stable_sort(rows.begin(), rows.end(), byName); break;
        case fsSize: std::stable_sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.size < b.size; }); break;
        case fsType:
            std::stable_sort(rows.begin(), rows.end(), [&](auto& a, auto& b) { return a.type != b.type ? a.type < b.type : byName(a, b); });
            break;
        case fsVersion:
            std::stable_sort(rows.begin(), rows.end(), [&](auto& a, auto& b) { return a.stamp != b.stamp ? a.stamp < b.stamp : byName(a, b); });
            break;
    }
    return rows;
}

}  // namespace convert
