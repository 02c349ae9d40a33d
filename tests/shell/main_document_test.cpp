// The main window's document without a window: opening and saving with their
// questions, the save reminder, read-only hypertexts and saves that would
// lose content, with scripted answers and a scripted host.
#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>
#include <fstream>
#include <iterator>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ManualTimers.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/MainDocument.h"
#include "shell/OptionsStore.h"
#include "support/NyxBuilder.h"
#include "support/ProgramFixture.h"

namespace fs = std::filesystem;
using platform::Answer;
using platform::testing::Message;
using namespace shell;

namespace {

// Answers file choices and password questions from queues (then cancels),
// and records what the document told it.
class TScriptedHost : public TDocumentHost {
public:
    std::optional<TFileAnswer> ChooseFile(const TFileRequest& r) override {
        requests.push_back(r);
        if (files.empty()) return std::nullopt;
        TFileAnswer a;
        a.file = files.front();
        files.pop_front();
        return a;
    }
    std::optional<std::string> AskPassword(std::string_view prompt) override {
        prompts.emplace_back(prompt);
        if (passwords.empty()) return std::nullopt;
        std::string p = passwords.front();
        passwords.pop_front();
        return p;
    }
    void BusyChanged(bool busy) override { busyNow = busy; }
    void CaptionChanged(const std::string& c) override { caption = c; }
    void ReadOnlyChanged() override { ++readOnlyCalls; }
    bool HasPendingEdits() const override { return pendingEdits; }
    bool CanAskNow() const override { return canAskNow; }

    std::deque<fs::path> files;
    std::deque<std::string> passwords;
    std::vector<TFileRequest> requests;
    std::vector<std::string> prompts;
    std::string caption;
    bool busyNow = false;
    int readOnlyCalls = 0;
    bool pendingEdits = false;
    bool canAskNow = true;
};

class MainDocumentTest : public testsupport::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
    }
    void TearDown() override {
        ProgramFixture::TearDown();
    }
    // A hypertext with one page and, when `data` is given, an embedded file
    // holding it (kept in the native file, read from there when needed).
    fs::path MakeNyx(const std::string& name, const std::string& data = {}, bool readOnly = false,
                     const std::string& password = {}) {
        const fs::path p = dir / name;
        model::TNYXset s;
        s.NewHypertext();
        s.SetTitle("Prova");
        s.NewObject(model::testoHtml)->SetName("Copertina");
        if (!data.empty()) {
            const fs::path src = dir / "dati.txt";
            std::ofstream(src, std::ios::binary) << data;
            EXPECT_NE(s.AddFile(src), nullptr);
        }
        s.SetHByte(model::hdr::kReadOnly, readOnly ? 1 : 0);
        s.SetHStr(model::hdr::kPassword, 16, password);
        EXPECT_TRUE(s.SaveToFile(p));
        return p;
    }

    TScriptedHost host;
};

TEST_F(MainDocumentTest, OpeningSavingAndTheSaveChangesQuestion) {
    const fs::path file = MakeNyx("doc.nyx");
    TMainDocument doc(paths, host);
    ASSERT_TRUE(doc.OpenDocument(file, true));
    EXPECT_EQ(host.caption, "doc.nyx - Quor");
    EXPECT_EQ(doc.RecentFiles(), std::vector<std::string>{file.string()});
    EXPECT_FALSE(host.busyNow);

    // Edits still in the page shown count as changes; Cancel keeps everything.
    host.pendingEdits = true;
    scripted.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(doc.NewDocument());
    EXPECT_EQ(scripted.ui.Texts(Message::YesNoCancel),
              std::vector<std::string>{"Salvo le modifiche fatte a " + file.string() + "?"});
    EXPECT_EQ(doc.DocumentName(), file);
    host.pendingEdits = false;

    // Yes saves before going on.
    doc.Set().SetTitle("Cambiato");
    doc.Set().SetModified(true);
    scripted.ui.answers = {Answer::Yes};
    ASSERT_TRUE(doc.NewDocument());
    EXPECT_TRUE(doc.DocumentName().empty());
    EXPECT_EQ(host.caption, "Senza titolo - Quor");
    model::TNYXset reread;
    ASSERT_TRUE(reread.LoadFromFile(file));
    EXPECT_EQ(reread.Title(), "Cambiato");

    // A failed open leaves an untitled document: "Salva tutto" asks for a
    // name and never writes over the broken file.
    const fs::path bad = dir / "rotto.nyx";
    std::ofstream(bad, std::ios::binary) << "KYTE non un ipertesto";
    doc.AddRecent(bad);
    EXPECT_FALSE(doc.OpenDocument(bad, false));
    EXPECT_TRUE(doc.DocumentName().empty());
    EXPECT_EQ(doc.RecentFiles(), std::vector<std::string>{file.string()});
    doc.Set().SetModified(true);
    EXPECT_FALSE(doc.SaveAll());
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].kind, TFileRequest::Save);
    EXPECT_EQ(testsupport::ReadFile(bad), "KYTE non un ipertesto");
}

TEST_F(MainDocumentTest, SaveReminderAsksOnItsTickButNotOverAnotherDialog) {
    platform::testing::ManualTimers timers;
    TMainDocument doc(paths, host);
    doc.Start({});
    doc.SetSaveReminder(true, 10);
    EXPECT_EQ(doc.SaveReminderInterval(), 10 * 60 * 1000);

    host.canAskNow = false;  // another dialog is up: no question yet
    timers.Advance(10 * 60 * 1000);
    EXPECT_TRUE(scripted.ui.Texts(Message::YesNo).empty());
    host.canAskNow = true;
    timers.Advance(5000);
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo), std::vector<std::string>{"Promemoria: vuoi salvare?"});
    EXPECT_TRUE(doc.SaveReminderRunning());

    // Yes saves (an untitled document through "Salva con nome").
    host.files = {dir / "promemoria.nyx"};
    scripted.ui.answers = {Answer::Yes};
    timers.Advance(10 * 60 * 1000);
    EXPECT_TRUE(fs::exists(dir / "promemoria.nyx"));
    EXPECT_EQ(doc.DocumentName(), dir / "promemoria.nyx");

    doc.SetSaveReminder(false, 10);
    EXPECT_FALSE(doc.SaveReminderRunning());
    timers.Advance(60 * 60 * 1000);
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo).size(), 2u);
}

TEST_F(MainDocumentTest, ReadOnlyHypertextOpensReadOnlyUntilThePasswordIsGiven) {
    const fs::path file = MakeNyx("chiuso.nyx", {}, true, "Segreta");
    TMainDocument doc(paths, host);
    ASSERT_TRUE(doc.OpenDocument(file, false));
    EXPECT_TRUE(doc.ReadOnly());
    EXPECT_GE(host.readOnlyCalls, 1);

    EXPECT_TRUE(doc.RefuseEdit());
    ASSERT_EQ(scripted.ui.Texts(Message::Information).size(), 1u);
    EXPECT_NE(scripted.ui.Texts(Message::Information)[0].find("sola lettura"), std::string::npos);

    // Cancelled, then wrong (the case counts), then right.
    EXPECT_FALSE(doc.Unlock());
    host.passwords = {"segreta"};
    EXPECT_FALSE(doc.Unlock());
    EXPECT_EQ(scripted.ui.Texts(Message::Error), std::vector<std::string>{"Password errata: l'ipertesto resta in sola lettura."});
    EXPECT_TRUE(doc.ReadOnly());
    host.passwords = {"Segreta"};
    EXPECT_TRUE(doc.Unlock());
    EXPECT_FALSE(doc.ReadOnly());
    EXPECT_FALSE(doc.RefuseEdit());
    EXPECT_EQ(host.prompts.size(), 3u);

    // Saved, it stays marked: the next open is read-only again.
    doc.Set().SetModified(true);
    ASSERT_TRUE(doc.SaveAll());
    EXPECT_FALSE(doc.ReadOnly());
    ASSERT_TRUE(doc.OpenDocument(file, false));
    EXPECT_TRUE(doc.ReadOnly());

    // A new hypertext is editable; a flag without a password needs no question.
    ASSERT_TRUE(doc.NewDocument());
    EXPECT_FALSE(doc.ReadOnly());
    const fs::path open = MakeNyx("senza.nyx", {}, true, "");
    ASSERT_TRUE(doc.OpenDocument(open, false));
    EXPECT_TRUE(doc.ReadOnly());
    EXPECT_TRUE(doc.Unlock());
    EXPECT_EQ(host.prompts.size(), 3u);
}

TEST_F(MainDocumentTest, SilentLossOnSaveAsksFirstAndNoKeepsTheFileAndItsBackup) {
    const fs::path file = MakeNyx("perdita.nyx", std::string(4000, 'D'));
    TMainDocument doc(paths, host);
    ASSERT_TRUE(doc.OpenDocument(file, false));
    doc.Set().SetModified(true);
    ASSERT_TRUE(doc.SaveAll());  // a good save: now there is a good .bak
    const fs::path bak = dir / "perdita.bak";
    ASSERT_TRUE(fs::exists(bak));
    ASSERT_TRUE(scripted.ui.Texts(Message::ErrorList).empty());

    // Another program cuts the file while it is open: the embedded file's
    // bytes are gone.
    const std::string full = testsupport::ReadFile(file);
    ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(full.size() - 2000)), 0);
    const std::string cut = testsupport::ReadFile(file), goodBak = testsupport::ReadFile(bak);
    doc.Set().SetTitle("Modificato");
    doc.Set().SetModified(true);

    scripted.ui.answers = {Answer::No};
    EXPECT_FALSE(doc.SaveAll());
    const auto lists = scripted.ui.Texts(Message::ErrorList);
    ASSERT_EQ(lists.size(), 1u);  // the list of what would be lost, and no second one
    EXPECT_NE(lists[0].find("\nFile 0 \"dati.txt\": non si legge da " + file.string()), std::string::npos);
    ASSERT_EQ(scripted.ui.Texts(Message::YesNo).size(), 1u);
    EXPECT_NE(scripted.ui.Texts(Message::YesNo)[0].find("Salvo comunque?"), std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(file), cut);
    EXPECT_EQ(testsupport::ReadFile(bak), goodBak);
    EXPECT_EQ(doc.Set().Title(), "Modificato");
    EXPECT_TRUE(doc.Set().Modified());
    EXPECT_FALSE(doc.Saved());
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();  // no temporary file left

    // Yes saves what can be saved.
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(doc.SaveAll());
    EXPECT_EQ(testsupport::ReadFile(bak), cut);
    model::TNYXset reread;
    ASSERT_TRUE(reread.LoadFromFile(file));
    EXPECT_EQ(reread.Title(), "Modificato");
}

}  // namespace
