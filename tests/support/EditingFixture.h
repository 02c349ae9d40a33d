// A sample page in memory with an undo list, its text attributes and an
// editing cursor on it, every question answered by script: what the editing
// tests start from. Load puts a page text in and keeps its bytes as
// `original`; Text is the box's text without its closing NUL.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/testing/ScriptedUi.h"
#include "richtext/Editing.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

namespace testsupport {

class EditingFixture : public ::testing::Test {
protected:
    EditingFixture() { page.box.undo = &undo; }
    void Load(std::string_view t) {
        page.Read(std::string(t) + '\0');
        original = richtext::BoxText(page.box);
    }
    std::string Text() {
        std::string t = richtext::BoxText(page.box);
        t.pop_back();
        return t;
    }

    platform::testing::ScriptedUiScope ui;
    richtext::TSamplePage page;
    richtext::TNYXundoList undo{&page.set};
    richtext::TNYXTextAttributes attrs{page.box};
    richtext::TNYXediting ed{page.box, attrs};
    std::string original;
};

}  // namespace testsupport
