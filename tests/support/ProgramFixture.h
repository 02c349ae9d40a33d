// What a test of the program's own surroundings starts from: a temporary
// folder, a fixed environment, scripted answers to every question, the
// options kept in the folder's "options.ini" (installed for the test, the
// previous store put back after it), the user's data folder under the
// temporary one and program paths that use the source tree's data folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/OptionsStore.h"
#include "shell/StartLogic.h"

namespace testsupport {

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);
        store = std::make_unique<shell::TOptionsStore>(dir / "options.ini");
        previousStore = shell::SetOptions(store.get());
        paths.programFolder = dir / "prog";
        paths.dataFolder = std::filesystem::path(QUOR_SOURCE_DIR) / "data";
        paths.userFolder = dir / "user";
        paths.examplesFolder = dir / "examples";
    }
    void TearDown() override {
        shell::SetOptions(previousStore);
        unsetenv("XDG_DATA_HOME");
    }

    platform::testing::TempDir dir;
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope scripted;
    std::unique_ptr<shell::TOptionsStore> store;
    shell::TOptionsStore* previousStore = nullptr;
    shell::TProgramPaths paths;
};

}  // namespace testsupport
