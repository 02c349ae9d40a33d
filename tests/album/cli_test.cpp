// nyx album and nyx rm, as a script would run them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/NyxBuilder.h"
#include "support/RunNyx.h"

namespace fs = std::filesystem;

namespace {

using testsupport::NyxRun;

NyxRun Nyx(const std::string& args) { return testsupport::RunNyx(args); }

class NyxAlbum : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::NyxBuilder b;
        testsupport::AddDefaultStyles(b);
        testsupport::AddPage(b, "Inizio", "<Z S0 >Vai alla <$00000002>stalla<%>");
        testsupport::AddPage(b, "Fienile", "<Z S0 >Niente.");
        testsupport::AddPage(b, "Stalla", "<Z S0 >Un cavallo.");
        b.Write(file);
    }
    platform::testing::FixedEnv env;
    fs::path file = env.temp / "prova.nyx";
    std::string F() const { return "'" + file.string() + "'"; }
};

TEST_F(NyxAlbum, ListsATabOrAll) {
    NyxRun r = Nyx("album " + F() + " --type pages");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "00000000\t0\tInizio\n00000001\t1\tFienile\n00000002\t2\tStalla\n");
    r = Nyx("album " + F());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("[Immagini] 0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[Pagine] 3\n"), std::string::npos) << r.out;
    EXPECT_EQ(Nyx("album " + F() + " --type tutto").status, 2);
}

TEST_F(NyxAlbum, RmRefusesAUsedPageAndDeletesAnUnusedOne) {
    NyxRun r = Nyx("rm " + F() + " page:2");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("    - Inizio   {nel testo}"), std::string::npos) << r.out;
    r = Nyx("rm " + F() + " page:1");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("[X] Cancellato - \"FIENILE\" sembra inutilizzato."), std::string::npos) << r.out;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(file));
    EXPECT_TRUE(set.ObjectAt(model::testoHtml, 1)->IsEmpty());
    EXPECT_FALSE(set.ObjectAt(model::testoHtml, 2)->IsEmpty());
    EXPECT_EQ(Nyx("rm " + F() + " page:1").status, 1) << "gone already";
    // The words of `nyx album --type` name the type too.
    r = Nyx("rm " + F() + " pages:2");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("    - Inizio   {nel testo}"), std::string::npos) << r.out;
    EXPECT_EQ(Nyx("rm " + F() + " quadri:2").status, 2);
    EXPECT_EQ(Nyx("rm " + F()).status, 2);
}

}  // namespace
