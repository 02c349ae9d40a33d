// What the RTF tests share: a new hypertext with pages, pictures and links
// made by code, and reading files back.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "convert/rtf/NYXtortf.h"
#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/LinkTag.h"

namespace rtftest {

namespace fs = std::filesystem;

using testsupport::Tag;

inline std::string Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

inline void Write(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A one-pixel GIF with distinct trailing bytes, so that two are not shared.
inline std::string Gif(const std::string& tail) {
    static const char k[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
    return std::string(k, sizeof k - 1) + tail;
}

// A small enhanced metafile: its header and an end record.
inline std::string Emf() {
    std::string s(108, '\0');
    auto le32 = [&](std::size_t off, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) s[off + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    le32(0, 1);
    le32(4, 88);
    le32(16, 31);
    le32(20, 15);
    le32(40, 0x464D4520u);
    le32(44, 0x10000);
    le32(48, 108);
    le32(52, 2);
    le32(88, 14);  // EMR_EOF
    le32(92, 20);
    return s;
}

class RtfTest : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    model::TNYXset set;
    convert::rtf::TNYXtortf x{&set};
    void SetUp() override {
        set.NewHypertext();
        set.SetExpPrefix("");
        x.exportTime = 1700000000;
        x.ExportPath = tmp.path();
        x.ExportFileName = tmp / "out.rtf";
    }
    model::TNYXtesto* Page(const std::string& title, const std::string& text) {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetName(title);
        p->SetText(text);
        return p;
    }
    model::TNYXoggetto* Picture(const std::string& name, const std::string& bytes) {
        const fs::path dir = tmp / ("pic" + std::to_string(pictures_++));
        fs::create_directories(dir);
        Write(dir / name, bytes);
        return set.AddPicture(dir / name);
    }
    model::TNYXoggetto* Placed(model::TNYXoggetto* picture) {
        model::TNYXoggetto* o = set.NewPlacedPicture(picture);
        if (o && !o->Registered()) set.RegisterObject(model::immagineNew, -1, o);
        return o;
    }
    model::TNYXoggetto* Table(int rows, int cols) {
        model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
        t->SetByte(93, static_cast<std::uint8_t>(rows));
        t->SetByte(94, static_cast<std::uint8_t>(cols));
        for (int c = 0; c < cols; ++c) {
            t->SetByte(5 + static_cast<std::size_t>(c), 1);
            t->SetWord(97 + 2 * static_cast<std::size_t>(c), 100);
        }
        return t;
    }
    // Cells "a", "b", ... of a rows x cols table, as stored text.
    static std::string Cells(int rows, int cols) {
        std::string s;
        for (int i = 0; i < rows * cols; ++i) s += "<Z S1 >c" + std::to_string(i) + "<T>";
        return s;
    }
    std::string Selection(const std::string& markup) {
        std::string r = x.ExportSelection(markup);
        if (!r.empty() && r.back() == '\0') r.pop_back();
        return r;
    }
    int pictures_ = 0;
};

}  // namespace rtftest
