// A new hypertext built in memory for the HTML export tests, with the
// exporter on it: pages, picture files of distinct bytes and their placed
// pictures, in a temporary folder under a fixed environment, every question
// answered by script.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"

namespace testsupport {

class HtmlExportFixture : public ::testing::Test {
protected:
    void SetUp() override {
        set.NewHypertext();
        set.SetExpPrefix("");
    }
    model::TNYXtesto* Page(const std::string& title, const std::string& text) {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetName(title);
        p->SetText(text);
        return p;
    }
    // A 1 x 1 GIF followed by `name`: distinct bytes, as equal pictures would be shared.
    std::filesystem::path GifFile(const std::string& name) {
        static const char kGif[] =
            "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
        const std::filesystem::path p = tmp.path() / name;
        std::ofstream f(p, std::ios::binary);
        f.write(kGif, sizeof kGif - 1);
        f << name;
        return p;
    }
    model::TNYXoggetto* Placed(model::TNYXoggetto* picture) {
        model::TNYXoggetto* o = set.NewPlacedPicture(picture);
        if (o && !o->Registered()) set.RegisterObject(model::immagineNew, -1, o);
        return o;
    }

    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    model::TNYXset set;
    convert::html::TNYXtoHtml x{&set};
};

}  // namespace testsupport
