// The surroundings of a main-window test, offscreen: those of ProgramFixture,
// the test program's QApplication and an existing (empty) examples folder;
// after the test the dialog and file-choice seams a test scripted are put
// back. File choices can be answered from the fixture (AnswerFileChoices).
// WindowFixture leaves making the windows to the tests;
// MainWindowFixture also owns one main window, `form`, that the fixture's
// SetUp makes and opens as it needs (OpenForm), destroyed after the seams are
// put back and before the options are.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "support/ProgramFixture.h"
#include "support/QtApp.h"

namespace testsupport {

class WindowFixture : public ProgramFixture {
protected:
    void SetUp() override {
        QtApp();
        ProgramFixture::SetUp();
        std::filesystem::create_directories(paths.examplesFolder);
    }
    void TearDown() override {
        ResetSeams();
        ProgramFixture::TearDown();
    }
    static void ResetSeams() {
        shell::ui::SetDialogRunner({});
        shell::ui::SetFileChooser({});
    }
    // From here on every file choice is kept in `requests` and answered with
    // `chosen` and its filter `chosenType` ("" cancels the choice).
    void AnswerFileChoices() {
        shell::ui::SetFileChooser([this](QWidget*, const shell::TFileRequest& r) -> std::optional<shell::TFileAnswer> {
            requests.push_back(r);
            if (chosen.empty()) return std::nullopt;
            return shell::TFileAnswer{chosen, chosenType};
        });
    }

    std::filesystem::path chosen;
    int chosenType = 1;
    std::vector<shell::TFileRequest> requests;
};

class MainWindowFixture : public WindowFixture {
protected:
    void TearDown() override {
        ResetSeams();
        form.reset();
        WindowFixture::TearDown();
    }
    // A new main window on `file`: whether it opened.
    bool OpenForm(const std::filesystem::path& file) {
        form = std::make_unique<shell::ui::TMainForm>(paths);
        return form->OpenDocument(file, true);
    }
    // A copy of the example hypertext in the temporary folder, to edit freely.
    std::filesystem::path CopySample(const std::string& name = "guida.nyx") {
        const std::filesystem::path p = dir / name;
        std::filesystem::copy_file(std::filesystem::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", p);
        return p;
    }

    std::unique_ptr<shell::ui::TMainForm> form;
};

}  // namespace testsupport
