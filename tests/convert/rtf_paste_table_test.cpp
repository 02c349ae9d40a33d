// A table pasted as RTF from the clipboard is a table in use, as one read
// from an RTF file is: its record is not the empty slot of a table, so the
// save keeps its cell backgrounds and the exporters write it.
#include "RtfFixture.h"

#include "model/Types.h"
#include "present/TableData.h"
#include "richtext/Clipboard.h"

using namespace model;
using namespace rtftest;

namespace {

const std::string kTable =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"
    "\\trowd\\cellx1500\\clcfpat2\\cellx3000 \\pard\\intbl a\\cell b\\cell\\row\\pard dopo\\par}";

TEST_F(RtfTest, PastedRtfTableWasAnEmptyTableSlot) {
    richtext::TClipContainer out;
    ASSERT_EQ(richtext::ParseContainer(x.ImportFragment(kTable, 0), out), richtext::ClipParse::Ok);
    const auto& objects = out.objects;
    ASSERT_EQ(objects.size(), 1u);
    ASSERT_EQ(objects[0].kind, tabellaHtml);
    const auto table = MakeObject(tabellaHtml);
    std::size_t pos = 0;
    ASSERT_TRUE(table->LoadFromStream(objects[0].record, pos));
    EXPECT_FALSE(table->IsEmpty());
    EXPECT_EQ(table->Subtype(), NewSubtype(tabellaHtml));
    const present::TTableData td(*table);
    EXPECT_EQ(td.Columns(), 2);
    EXPECT_EQ(td.CellBackgrounds(), (std::vector<std::int32_t>{-1, 0x0000FF}));
}

}  // namespace
