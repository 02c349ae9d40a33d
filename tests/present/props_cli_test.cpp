// nyx props lists an object's properties as its dialog shows them and sets
// them, saving the record back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "present/ObjectInsert.h"
#include "support/LinkTag.h"
#include "support/RunNyx.h"

namespace {

using NyxResult = testsupport::NyxRun;

NyxResult Nyx(const std::string& args) { return testsupport::RunNyx(args); }

TEST(PropsCli, ListsAndSetsAButtonsProperties) {
    platform::testing::TempDir dir;
    const std::string file = (dir / "t.nyx").string();
    std::uint32_t slot = 0;
    {
        model::TNYXset set;
        set.NewHypertext();
        model::TNYXoggetto* b = set.NewObject(model::bottoneCGI);
        present::SetNewObjectDefaults(*b, model::bottoneCGI, 2);
        slot = b->Index();
        const std::string tag = testsupport::Tag(b->Reference());
        auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        page->SetText(std::string("<Z S0 >") + tag);
        ASSERT_TRUE(set.SaveToFile(file));
    }
    const std::string obj = file + " 22 " + std::to_string(slot);
    NyxResult r = Nyx("props " + obj);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Propriet\xC3\xA0 bottone\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("etichetta=Bottone\t"), std::string::npos) << r.out;
    r = Nyx("props " + obj + " 'etichetta=Più avanti' tipo=3");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Nyx("props " + obj + " tipo=9").status, 1);       // not a choice
    EXPECT_EQ(Nyx("props " + obj + " etichetta").status, 2);    // no value
    model::TNYXset again;
    ASSERT_TRUE(again.LoadFromFile(file));
    const model::TNYXoggetto* b = again.ObjectAt(model::bottoneCGI, slot);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Str(97, 79), "Pi\xF9 avanti");
    EXPECT_EQ(b->Subtype(), 3);
}

}  // namespace
