#include "richtext/ui/QtMetrics.h"

#include <QFontDatabase>

#include <cmath>

#include "platform/text.h"

namespace richtext::ui {
namespace {

constexpr std::int16_t kUnknown = INT16_MIN;

std::string Key(const TMyFont& f) {
    std::string k = f.name;
    k += '\x01';
    k += static_cast<char>(f.style & 15);
    k += std::to_string(f.size);
    return k;
}

}  // namespace

QString DrawnFamily(const std::string& name) {
    const std::string lower = platform::text::Lower(name);
    if (lower == "times new roman" || lower == "times") return QStringLiteral("Liberation Serif");
    if (lower == "arial" || lower == "helvetica") return QStringLiteral("Liberation Sans");
    if (lower == "courier new" || lower == "courier") return QStringLiteral("Liberation Mono");
    if (name.empty()) return QStringLiteral("Liberation Serif");
    return QString::fromStdString(platform::text::Cp1252ToUtf8(name));
}

QFont QtFont(const TMyFont& f, double pixelsPerInch) {
    QFont q(DrawnFamily(f.name));
    const int points = f.size > 0 ? f.size : 10;
    q.setPixelSize(std::max(1, static_cast<int>(std::lround(points * pixelsPerInch / 72.0))));
    q.setBold(f.style & kBold);
    q.setItalic(f.style & kItalic);
    q.setUnderline(f.style & kUnderline);
    q.setStrikeOut(f.style & kStrikeOut);
    q.setKerning(true);
    q.setStyleStrategy(QFont::PreferAntialias);
    // Whole-pixel advances: the widths stored per character then add up to
    // what a run draws.
    q.setHintingPreference(QFont::PreferFullHinting);
    return q;
}

QChar QtChar(unsigned char c) { return QChar(static_cast<char16_t>(platform::text::ToUnicode(c))); }

QString QtText(std::string_view bytes) {
    QString s;
    s.resize(static_cast<qsizetype>(bytes.size()));
    QChar* d = s.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) d[i] = QtChar(static_cast<unsigned char>(bytes[i]));
    return s;
}

TQtTextMetrics::TQtTextMetrics() = default;
TQtTextMetrics::TQtTextMetrics(double pixelsPerInch) : ppi_(pixelsPerInch > 0 ? pixelsPerInch : 96.0) {}
TQtTextMetrics::~TQtTextMetrics() = default;

TQtTextMetrics::Entry& TQtTextMetrics::Font(const TMyFont& f) {
    std::string k = Key(f);
    if (last_ && k == lastKey_) return *last_;
    auto it = cache_.find(k);
    if (it == cache_.end()) {
        auto e = std::make_unique<Entry>(QtFont(f, ppi_));
        e->ascent = e->fm.ascent();
        e->height = e->fm.height();
        for (int c = 0; c < 256; ++c) e->widths[c] = -1;
        it = cache_.emplace(k, std::move(e)).first;
    }
    lastKey_ = std::move(k);
    last_ = it->second.get();
    return *last_;
}

TCharMetrics TQtTextMetrics::Measure(const TMyFont& font, unsigned char ch) {
    Entry& e = Font(font);
    std::int32_t& w = e.widths[ch];
    if (w < 0) w = e.fm.horizontalAdvance(QtChar(ch));
    return {w, e.height, e.ascent};
}

std::int32_t TQtTextMetrics::PairWidth(const TMyFont& font, unsigned char prev, unsigned char ch) {
    Entry& e = Font(font);
    if (e.pairs.empty()) e.pairs.assign(256 * 256, kUnknown);
    std::int16_t& p = e.pairs[static_cast<std::size_t>(prev) * 256 + ch];
    if (p == kUnknown) {
        std::int32_t& wp = e.widths[prev];
        if (wp < 0) wp = e.fm.horizontalAdvance(QtChar(prev));
        const QChar two[2] = {QtChar(prev), QtChar(ch)};
        p = static_cast<std::int16_t>(e.fm.horizontalAdvance(QString(two, 2)) - wp);
    }
    return p;
}

std::int32_t TQtTextMetrics::LineHeight(const TMyFont& font) { return Font(font).height; }

}  // namespace richtext::ui
