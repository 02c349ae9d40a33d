// References to an object, the deletion report and the exploration of links.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/References.h"
#include "support/LinkTag.h"

using namespace model;
using namespace shell;

namespace {

using testsupport::LinkTo;

class ReferencesTest : public ::testing::Test {
protected:
    void SetUp() override {
        set.NewHypertext();
        target = NewPage("<Z S0 >meta", "Meta");
        unused = NewPage("<Z S0 >sola", "Sola");
    }
    TNYXtesto* NewPage(const std::string& text, const std::string& title) {
        auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        p->SetText(text);
        p->SetName(title);
        return p;
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    TNYXtesto* target = nullptr;
    TNYXtesto* unused = nullptr;
};

TEST_F(ReferencesTest, ReferencesToListsThePagesThatLinkWithTheirReason) {
    TNYXtesto* a = NewPage("<Z S0 >vai a " + LinkTo(target->Reference(), "meta"), "A");
    NewPage("<Z S0 >niente", "B");
    TNYXtesto* c = NewPage("<Z S0 >" + LinkTo(target->Reference(), "anche"), "C");
    const std::vector<TReferenceHit> hits = ReferencesTo(set, target->Reference(), testoHtml);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].slot, a->Index());
    EXPECT_EQ(hits[1].slot, c->Index());
    EXPECT_EQ(ReasonText(hits[0].reason), "nel testo");
    EXPECT_TRUE(ReferencesTo(set, unused->Reference(), testoHtml).empty());
    EXPECT_EQ(ReasonText(0), "Nessun riferimento");
    EXPECT_EQ(ReasonText(4), "come intestazione o pi\xE8 di pagina");
    EXPECT_EQ(ReasonText(17), "");
}

TEST_F(ReferencesTest, LinkExplorationHandsPagesOverInBatchesOfFive) {
    std::vector<std::int64_t> linking;
    for (int i = 0; i < 7; ++i)
        linking.push_back(NewPage("<Z S0 >" + LinkTo(target->Reference(), "x"), "L" + std::to_string(i))->Index());
    target->SetText("<Z S0 >" + LinkTo(unused->Reference(), "fuori"));
    std::vector<std::vector<std::int64_t>> batches;
    std::vector<std::int32_t> to;
    TLinkExploreJob job(set, target->Index());
    job.onFrom = [&](const std::vector<std::int64_t>& b) { batches.push_back(b); };
    job.onTo = [&](const std::vector<std::int32_t>& t) { to = t; };
    while (!job.Run(std::chrono::microseconds(0))) {
        if (batches.empty()) continue;
        EXPECT_EQ(batches[0].size(), TLinkExploreJob::kBatch) << "the first batch comes after five hits";
    }
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[1].size(), 2u);
    std::vector<std::int64_t> all = batches[0];
    all.insert(all.end(), batches[1].begin(), batches[1].end());
    EXPECT_EQ(all, linking);
    EXPECT_EQ(to, std::vector<std::int32_t>{unused->Reference()});
}

TEST_F(ReferencesTest, DeletionReportThenDeletionMarksTheDeleted) {
    NewPage("<Z S0 >" + LinkTo(target->Reference(), "x"), "Indice");
    TDeletionReportJob job(set, {target->Reference(), unused->Reference()});
    std::vector<std::size_t> reported;
    job.onLines = [&](std::size_t k, const std::vector<std::string>&) { reported.push_back(k); };
    ASSERT_FALSE(job.Run(std::chrono::microseconds(0))) << "one object a slice: the report is still running";
    // Confirming while it runs first brings the report to its end.
    EXPECT_EQ(job.ConfirmDeletion(), 2u);
    EXPECT_EQ(reported, (std::vector<std::size_t>{0, 1}));
    const std::vector<std::string> expected = {
        std::string(kDeletedMark) + " + \"META\" \xE8 presente in/collegato da /utilizzato in:",
        "    - Indice   {nel testo}",
        std::string(kDeletedMark) + " - \"SOLA\" sembra inutilizzato.",
    };
    EXPECT_EQ(job.Lines(), expected);
    EXPECT_TRUE(target->IsEmpty());
    EXPECT_TRUE(unused->IsEmpty());
    EXPECT_TRUE(set.Modified());
    EXPECT_TRUE(job.Deleted(0) && job.Deleted(1));
    EXPECT_FALSE(job.Unused(0));
    EXPECT_TRUE(job.Unused(1));
    EXPECT_EQ(job.ConfirmDeletion(), 0u) << "nothing is deleted or marked twice";
    EXPECT_EQ(job.Lines(), expected);
}

TEST_F(ReferencesTest, StoppedDeletionReportDeletesOnlyTheObjectsItReported) {
    TDeletionReportJob job(set, {unused->Reference(), target->Reference()});
    ASSERT_FALSE(job.Run(std::chrono::microseconds(0)));
    job.Stop();
    EXPECT_TRUE(job.Run(std::chrono::hours(1)));
    ASSERT_TRUE(job.Reported(0));
    ASSERT_FALSE(job.Reported(1));
    EXPECT_EQ(job.ConfirmDeletion(), 1u);
    EXPECT_TRUE(unused->IsEmpty());
    EXPECT_FALSE(target->IsEmpty()) << "nobody was shown where it is used";
    EXPECT_EQ(job.Lines(), std::vector<std::string>{std::string(kDeletedMark) + " - \"SOLA\" sembra inutilizzato."});
}

}  // namespace
