// Text metrics from the toolkit's fonts, cached per font: an advance table of
// the 256 characters and the pair advances met so far, so that reading and
// painting a long page measures each character (and each pair) once.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "richtext/Metrics.h"

namespace richtext::ui {

// The family drawn for a stored font name: the metric-compatible Liberation
// faces for Times New Roman, Arial and Courier New, the name itself otherwise.
QString DrawnFamily(const std::string& name);
// The toolkit font of a font record at 96 pixels per inch (sizes in points),
// or at another device resolution (a printer's).
QFont QtFont(const TMyFont& f, double pixelsPerInch = 96.0);
// A Windows-1252 character as a QChar.
QChar QtChar(unsigned char c);
// Windows-1252 bytes as a QString.
QString QtText(std::string_view bytes);

class TQtTextMetrics : public TTextMetrics {
public:
    TQtTextMetrics();
    // Metrics in the pixels of a device of that resolution (a printer).
    explicit TQtTextMetrics(double pixelsPerInch);
    double PixelsPerInch() const { return ppi_; }
    ~TQtTextMetrics() override;

    TCharMetrics Measure(const TMyFont& font, unsigned char ch) override;
    std::int32_t PairWidth(const TMyFont& font, unsigned char prev, unsigned char ch) override;
    std::int32_t LineHeight(const TMyFont& font) override;

    struct Entry {
        explicit Entry(const QFont& f) : font(f), fm(f) {}
        QFont font;
        QFontMetrics fm;
        std::int32_t ascent = 0, height = 0;
        std::int32_t widths[256];
        std::vector<std::int16_t> pairs;  // 256 x 256, made on first use
    };
    // The cached font of a record (its colour and position do not matter).
    Entry& Font(const TMyFont& f);
    std::size_t CachedFonts() const { return cache_.size(); }

private:
    std::unordered_map<std::string, std::unique_ptr<Entry>> cache_;
    std::string lastKey_;
    Entry* last_ = nullptr;
    double ppi_ = 96.0;
};

}  // namespace richtext::ui
