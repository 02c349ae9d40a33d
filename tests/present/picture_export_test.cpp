// A picture whose bytes are damaged is left out of the HTML export with a
// report; the pictures that decode are copied as usual. nyx picture places
// a picture file on a page and lists pictures and placed pictures.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "convert/Converter.h"
#include "convert/html/NYXtoHtml.h"
#include "model/ImageCodecs.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/PictureChoices.h"
#include "support/LinkTag.h"

namespace fs = std::filesystem;

namespace {

int Nyx(const std::string& args, std::string* out = nullptr) {
    const char* env = std::getenv("QUOR_BINARY_DIR");
    const std::string bin = env ? env : std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    const std::string captured = (fs::temp_directory_path() / ("nyx-picture-" + std::to_string(getpid()))).string();
    const int st = std::system((bin + "/nyx " + args + " >" + captured + " 2>&1").c_str());
    if (out) {
        out->clear();
        if (std::FILE* f = std::fopen(captured.c_str(), "rb")) {
            char b[4096];
            for (std::size_t n; (n = std::fread(b, 1, sizeof b, f)) > 0;) out->append(b, n);
            std::fclose(f);
        }
    }
    std::remove(captured.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string Gif(const fs::path& file, int w, int h) {
    model::codecs::Image img;
    img.width = w;
    img.height = h;
    img.rgba.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFF00FF00u);
    std::string bytes;
    EXPECT_TRUE(model::codecs::EncodeGif(img, bytes));
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return file.string();
}

TEST(PictureExport, DamagedPictureIsSkippedWithAReport) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    model::TNYXset set;
    set.NewHypertext();
    std::string text = "<Z S0 >Due immagini ";
    model::TNYXoggetto* pics[2] = {};
    for (int i = 0; i < 2; ++i) {
        pics[i] = set.AddPicture(Gif(tmp.path() / ("p" + std::to_string(i) + ".gif"), 8 + i, 8));
        ASSERT_NE(pics[i], nullptr);
        std::unique_ptr<model::TNYXoggetto> made(set.NewPlacedPicture(pics[i]));
        model::TNYXoggetto* placed = set.NewObject(model::immagineNew);
        std::memcpy(placed->Data(), made->Data(), model::kDataSize);
        const std::string tag = testsupport::Tag(placed->Reference());
        text += tag;
    }
    model::TNYXoggetto* page = set.Count(model::testoHtml) > 0 ? set.ObjectAt(model::testoHtml, 0) : set.NewObject(model::testoHtml);
    static_cast<model::TNYXtesto*>(page)->SetText(text);
    // The second picture keeps its header and loses its pixels.
    std::string bytes;
    ASSERT_TRUE(pics[1]->ReadFirstStream(bytes));
    pics[1]->SetFirstStream(bytes.substr(0, 16));
    set.ClearPictureCache();
    EXPECT_TRUE(present::PictureDecodes(*pics[0]));
    EXPECT_FALSE(present::PictureDecodes(*pics[1]));

    convert::html::TNYXtoHtml x(&set);
    x.ExportPath = tmp.path() / "site";
    EXPECT_FALSE(x.Export(convert::AllPages(set)));
    ASSERT_EQ(x.Report().problems.size(), 1u);
    EXPECT_EQ(x.Report().problems[0], "Immagine danneggiata, non copiata: \"" + pics[1]->GetFileName() + "\"");
    EXPECT_EQ(x.Report().filesCopied, 1u);
}

TEST(PictureCli, AddsAPictureToAPageAndListsItsZones) {
    platform::testing::TempDir tmp;
    const fs::path file = tmp.path() / "c.nyx";
    {
        model::TNYXset s;
        s.NewHypertext();
        if (s.Count(model::testoHtml) == 0) s.NewObject(model::testoHtml);
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, 0))->SetText("<Z S0 >Foto: ");
        ASSERT_TRUE(s.SaveToFile(file));
    }
    const std::string gif = Gif(tmp.path() / "foto.gif", 30, 20);
    std::string out;
    EXPECT_EQ(Nyx("picture " + file.string() + " --add " + gif + " 0", &out), 0) << out;
    EXPECT_EQ(Nyx("picture " + file.string() + " --add " + gif + " 9"), 1);
    EXPECT_EQ(Nyx("picture " + file.string() + " --add " + (tmp.path() / "nessuna.gif").string() + " 0"), 1);
    EXPECT_EQ(Nyx("picture"), 2);
    EXPECT_EQ(Nyx("picture " + file.string(), &out), 0);
    EXPECT_NE(out.find("foto.gif 30x20"), std::string::npos) << out;
    EXPECT_NE(out.find("30x20, 0 zone"), std::string::npos) << out;
    model::TNYXset back;
    ASSERT_TRUE(back.LoadFromFile(file));
    std::string text;
    back.ObjectAt(model::testoHtml, 0)->ReadFirstStream(text);
    EXPECT_NE(text.find("<$10000000>"), std::string::npos);
}

}  // namespace
