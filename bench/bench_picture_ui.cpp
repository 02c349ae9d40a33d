// A 4000 x 3000 JPEG placed at 800 x 600: the first paint (decoding and
// scaling included) and the repaints that follow, and fifty placements of
// the same picture painted together (the counter "decodes" tells how many
// times its bytes were decoded). The peer, measured in the same run, is Qt
// itself: QImage decoding the same bytes and scaling them smoothly for the
// first paint, and drawing an already scaled QImage for a repaint.
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "model/ImageCodecs.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"
#include "present/PictureChoices.h"
#include "present/ui/PictureView.h"
#include "QtBenchMain.h"

namespace {

constexpr int kW = 4000, kH = 3000, kShownW = 800, kShownH = 600;

struct Fixture {
    Fixture() {
        model::codecs::Image img;
        img.width = kW;
        img.height = kH;
        img.rgba.resize(static_cast<std::size_t>(kW) * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                img.rgba[static_cast<std::size_t>(y) * kW + x] =
                    0xFF000000u | static_cast<std::uint32_t>((x * 255 / kW) | ((y * 255 / kH) << 8) | (((x ^ y) & 0xFF) << 16));
        model::codecs::EncodeJpeg(img, 85, jpeg);
        set.NewHypertext();
        const auto file = dir.path() / "grande.jpg";
        std::ofstream(file, std::ios::binary).write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
        picture = set.AddPicture(file);
    }
    platform::testing::FixedEnv env;
    platform::testing::TempDir dir;
    model::TNYXset set;
    std::string jpeg;
    model::TNYXoggetto* picture = nullptr;
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void Draw(const QImage& img, QImage& canvas) {
    QPainter p(&canvas);
    p.drawImage(QPoint(0, 0), img);
}

void BM_PictureFirstPaint(benchmark::State& state) {
    Fixture& f = Shared();
    QImage canvas(kShownW, kShownH, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        f.set.ClearPictureCache();
        present::ui::TPictureCache::Instance().Clear();
        Draw(present::ui::TPictureCache::Instance().Scaled(*f.picture, kShownW, kShownH), canvas);
    }
}
BENCHMARK(BM_PictureFirstPaint)->Unit(benchmark::kMillisecond);

void BM_PeerQImageFirstPaint(benchmark::State& state) {
    Fixture& f = Shared();
    QImage canvas(kShownW, kShownH, QImage::Format_ARGB32_Premultiplied);
    const QByteArray bytes(f.jpeg.data(), static_cast<qsizetype>(f.jpeg.size()));
    for (auto _ : state) {
        const QImage whole = QImage::fromData(bytes, "JPEG");
        Draw(whole.scaled(kShownW, kShownH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), canvas);
    }
}
BENCHMARK(BM_PeerQImageFirstPaint)->Unit(benchmark::kMillisecond);

void BM_PictureRepaint(benchmark::State& state) {
    Fixture& f = Shared();
    QImage canvas(kShownW, kShownH, QImage::Format_ARGB32_Premultiplied);
    present::ui::TPictureCache::Instance().Scaled(*f.picture, kShownW, kShownH);
    for (auto _ : state) Draw(present::ui::TPictureCache::Instance().Scaled(*f.picture, kShownW, kShownH), canvas);
}
BENCHMARK(BM_PictureRepaint)->Unit(benchmark::kMicrosecond);

void BM_PeerQImageRepaint(benchmark::State& state) {
    Fixture& f = Shared();
    QImage canvas(kShownW, kShownH, QImage::Format_ARGB32_Premultiplied);
    const QImage scaled = QImage::fromData(QByteArray(f.jpeg.data(), static_cast<qsizetype>(f.jpeg.size())), "JPEG")
                              .scaled(kShownW, kShownH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) Draw(scaled, canvas);
}
BENCHMARK(BM_PeerQImageRepaint)->Unit(benchmark::kMicrosecond);

// Fifty placed pictures of the one picture file, each painted at 160 x 120.
void BM_FiftyPlacements(benchmark::State& state) {
    Fixture& f = Shared();
    std::vector<std::unique_ptr<model::TNYXoggetto>> placed;
    for (int i = 0; i < 50; ++i) placed.emplace_back(f.set.NewPlacedPicture(f.picture));
    QImage canvas(kShownW, kShownH, QImage::Format_ARGB32_Premultiplied);
    int decodes = 0;
    for (auto _ : state) {
        f.set.ClearPictureCache();
        present::ui::TPictureCache::Instance().Clear();
        const int before = present::ui::TPictureCache::Instance().Decodes();
        QPainter p(&canvas);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            model::TNYXoggetto* pic = present::PictureOf(*placed[i], 0, &f.set);
            const QImage img = present::ui::TPictureCache::Instance().Scaled(*pic, 160, 120);
            p.drawImage(QPoint(static_cast<int>(i % 5) * 160, static_cast<int>(i / 5 % 5) * 120), img);
        }
        decodes = present::ui::TPictureCache::Instance().Decodes() - before;
    }
    state.counters["decodes"] = decodes;
}
BENCHMARK(BM_FiftyPlacements)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope(ui);
    return bench::RunQtBenchmarks(argc, argv);
}
