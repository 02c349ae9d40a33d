// The surroundings of a main-window test, offscreen: those of ProgramFixture,
// the test program's QApplication and an existing (empty) examples folder.
// WindowFixture leaves making the windows to the tests; MainWindowFixture
// also owns one main window, `form`, that the fixture's SetUp makes and
// opens as it needs, destroyed before the options are put back.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

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
};

class MainWindowFixture : public WindowFixture {
protected:
    void TearDown() override {
        form.reset();
        WindowFixture::TearDown();
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
