#include "present/ui/ObjectPainter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/ObjectProperties.h"
#include "present/ui/PictureView.h"
#include "richtext/Layout.h"

namespace present::ui {
namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

QStyle* Style() { return QApplication::style(); }

void Panel(QPainter& p, const QRect& r) {
    QStyleOptionFrame f;
    f.rect = r;
    f.lineWidth = 1;
    f.state = QStyle::State_Enabled | QStyle::State_Sunken;
    f.palette = QApplication::palette();
    p.fillRect(r.adjusted(1, 1, -1, -1), f.palette.base());
    Style()->drawPrimitive(QStyle::PE_PanelLineEdit, &f, &p);
}

// Colour and short label of a marker drawn without its picture.
void Marker(QPainter& p, const model::TNYXoggetto& o, const QRect& r) {
    const std::string icon = MarkerIcon(o);
    QColor fill(0xFF, 0xF2, 0xB0);
    if (icon == "html" || icon == "binary" || icon == "dinhtml") fill = QColor(0xC8, 0xE0, 0xFF);
    else if (icon == "ancora" || icon == "lancia") fill = QColor(0xC8, 0xF0, 0xC8);
    else if (icon == "iniziof" || icon == "hidden") fill = QColor(0xF0, 0xD0, 0xF0);
    p.fillRect(r, fill);
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QFont f = p.font();
    f.setPixelSize(std::max(6, std::min(r.height() - 6, 10)));
    p.setFont(f);
    const QString label = icon.empty() ? QString() : QString::fromLatin1(icon.c_str(), 1).toUpper();
    if (r.width() > 36) {
        // Wide markers show the part of their description after ": ".
        const std::string d = o.Description();
        const auto colon = d.find(": ");
        p.setPen(Qt::blue);
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.fillRect(QRect(r.left() + 18, r.top() + 1, r.width() - 19, r.height() - 2), Qt::white);
        p.setPen(Qt::black);
        p.drawText(QRect(r.left() + 18, r.top(), r.width() - 18, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   colon == std::string::npos ? QString() : Q(d.substr(colon + 2)));
        p.drawText(QRect(r.left(), r.top(), 18, r.height()), Qt::AlignCenter, label);
    } else {
        p.drawText(r, Qt::AlignCenter, label);
    }
}

void Button(QPainter& p, const model::TNYXoggetto& o, const QRect& r) {
    // A button with a picture is the picture stretched to the displayed size.
    if (const std::int32_t ref = o.Int(model::buttonrec::kPicture); ref != -1 && o.Set()) {
        model::TNYXoggetto* pic = o.Set()->ObjectByRef(ref);
        if (pic && !pic->IsEmpty() && pic->Type() == model::immagine) {
            const QImage img = TPictureCache::Instance().Scaled(*pic, r.width(), r.height());
            if (!img.isNull()) {
                p.drawImage(r.topLeft(), img);
                return;
            }
        }
    }
    QStyleOptionButton b;
    b.rect = r;
    b.state = QStyle::State_Enabled | QStyle::State_Raised;
    b.palette = QApplication::palette();
    b.text = Q(o.Str(97, 79));
    b.fontMetrics = p.fontMetrics();
    Style()->drawControl(QStyle::CE_PushButton, &b, &p);
}

void Lines(QPainter& p, const QRect& r, const QString& text, int lineHeight) {
    p.setPen(QApplication::palette().color(QPalette::Text));
    int y = r.top() + 2;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (y + lineHeight > r.bottom()) break;
        p.drawText(QRect(r.left() + 4, y, r.width() - 8, lineHeight), Qt::AlignVCenter | Qt::AlignLeft,
                   QString(line).remove(QLatin1Char('\r')));
        y += lineHeight;
    }
}

bool IsMedia(const model::TNYXoggetto& o) {
    return o.Type() == model::multiMedia && o.Subtype() >= 1 && o.Subtype() <= 4;
}

// The player bar as the player shows it: five buttons in a row.
void PlayerBar(QPainter& p, const QRect& bar) {
    p.fillRect(bar, QApplication::palette().button());
    const QStyle::StandardPixmap icons[] = {QStyle::SP_MediaPlay, QStyle::SP_MediaPause, QStyle::SP_MediaStop,
                                            QStyle::SP_MediaSeekForward, QStyle::SP_MediaSeekBackward};
    const int w = (bar.width() - 4) / 5;
    for (int i = 0; i < 5; ++i) {
        const QRect b(bar.left() + 2 + i * w, bar.top() + 2, w - 1, bar.height() - 4);
        QStyleOptionButton o;
        o.rect = b;
        o.state = QStyle::State_Enabled | QStyle::State_Raised;
        o.palette = QApplication::palette();
        Style()->drawPrimitive(QStyle::PE_PanelButtonTool, &o, &p);
        const int side = std::min(16, std::min(b.width(), b.height()) - 4);
        if (side > 0)
            p.drawPixmap(QRect(b.center().x() - side / 2, b.center().y() - side / 2, side, side),
                         Style()->standardIcon(icons[i]).pixmap(side, side));
    }
}

// Sound and video: the bar with the player's buttons (above a video's
// picture area), or the note of a sound that plays by itself.
void Media(QPainter& p, const model::TNYXoggetto& o, const QRect& r) {
    const bool cyclic = o.Byte(model::mediarec::kAction) == 1;
    const bool video = o.Subtype() >= 3;
    if (!cyclic) {
        const QRect bar(r.left(), r.top(), std::min(r.width(), kPlayerBarWidth), std::min(r.height(), kPlayerBarHeight));
        PlayerBar(p, bar);
        if (!video) return;
    }
    if (!video) {
        p.fillRect(r, QColor(0xFF, 0xF2, 0xB0));
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        QFont f = p.font();
        f.setPixelSize(std::max(6, r.height() - 4));
        p.setFont(f);
        p.drawText(r, Qt::AlignCenter, QString(QChar(0x266A)));
        return;
    }
    const QRect area = cyclic ? r : QRect(r.left(), r.top() + kPlayerBarHeight, r.width(), r.height() - kPlayerBarHeight);
    if (area.height() <= 0) return;
    p.fillRect(area, Qt::black);
    p.setPen(Qt::white);
    p.drawText(area.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, Q(o.Description()));
}

// The icon of a custom component whose prototype is invisible or text.
void ComponentIcon(QPainter& p, const model::TNYXoggetto& o, const QRect& r) {
    p.fillRect(r, QColor(0xE0, 0xE8, 0xFF));
    p.setPen(Qt::black);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (r.width() < 6) return;
    QFont f = p.font();
    f.setPixelSize(std::max(6, std::min(r.height() - 6, 10)));
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, PrototypeKind(o) == 9 ? QStringLiteral("T") : QStringLiteral("C"));
}

}  // namespace

const TObjectMetrics& WindowMetrics() {
    static const TObjectMetrics m = [] {
        TObjectMetrics out;
        const QFontMetrics fm(QApplication::font());
        out.charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('h')));
        out.boxHeight = std::max(18, fm.height() + 8);
        out.listLine = std::max(12, fm.height() + 2);
        out.listWidth = std::max(80, 17 * out.charWidth);
        return out;
    }();
    return m;
}

bool MeasureEmbedded(richtext::TNYXembedded& e, std::int32_t lineWidth, bool readOnly, bool anchorPreview) {
    const model::TNYXoggetto* o = e.Record();
    if (!o) return false;
    const TControlKind k = ControlKindOf(*o);
    if (k == TControlKind::kTable || k == TControlKind::kImage) {
        richtext::StoredObjectSize(e, lineWidth);
        return true;
    }
    if (readOnly && !ShownInView(*o, anchorPreview)) {
        e.width = e.height = 0;
        return false;
    }
    // A button whose picture was replaced takes the new picture's size.
    if (o->Type() == model::bottoneCGI) FollowButtonPictureSize(*e.Record());
    const TObjectSize s = DisplaySize(*o, lineWidth, WindowMetrics(), readOnly);
    e.width = s.width;
    e.height = s.height;
    return true;
}

bool PaintEmbedded(QPainter& p, const model::TNYXoggetto& o, const QRect& r, const TFieldState* state) {
    TControlKind k = ControlKindOf(o);
    // A custom component looks like the control its prototype stands for.
    const bool preview = o.Type() == model::multiMedia && o.Subtype() == model::mediarec::kCustomComponent;
    if (preview) k = PreviewKind(o);
    if (k == TControlKind::kTable || k == TControlKind::kImage) return false;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const TFieldState initial(o);
    const TFieldState& st = state ? *state : initial;
    const TObjectMetrics& m = WindowMetrics();
    switch (k) {
        case TControlKind::kNone: break;
        case TControlKind::kMarker:
        case TControlKind::kFormStart:
        case TControlKind::kDatabase:
            if (preview) ComponentIcon(p, o, r);
            else Marker(p, o, r);
            break;
        case TControlKind::kButton: Button(p, o, r); break;
        case TControlKind::kEdit: {
            Panel(p, r);
            QString t = Q(st.Text());
            // A password box shows "#" for every character.
            if (o.Type() == model::inputStat && o.Subtype() == 2) t = QString(t.size(), QLatin1Char('#'));
            Lines(p, r, t.section(QLatin1Char('\n'), 0, 0), r.height() - 4);
            break;
        }
        case TControlKind::kMemo:
            Panel(p, r);
            Lines(p, r, Q(st.Text()), m.listLine);
            break;
        case TControlKind::kRadio:
        case TControlKind::kCheck: {
            QStyleOptionButton b;
            b.rect = r;
            b.palette = QApplication::palette();
            b.state = QStyle::State_Enabled | (st.Checked() ? QStyle::State_On : QStyle::State_Off);
            Style()->drawPrimitive(k == TControlKind::kRadio ? QStyle::PE_IndicatorRadioButton
                                                             : QStyle::PE_IndicatorCheckBox,
                                   &b, &p);
            break;
        }
        case TControlKind::kList: {
            Panel(p, r);
            const QPalette pal = QApplication::palette();
            int y = r.top() + 2;
            for (std::size_t i = 0; i < st.Items().size() && y + m.listLine <= r.bottom(); ++i, y += m.listLine) {
                const QRect line(r.left() + 2, y, r.width() - 4, m.listLine);
                const bool chosen = i < st.Chosen().size() && st.Chosen()[i];
                if (chosen) p.fillRect(line, pal.highlight());
                p.setPen(pal.color(chosen ? QPalette::HighlightedText : QPalette::Text));
                p.drawText(line.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, Q(st.Items()[i].text));
            }
            break;
        }
        case TControlKind::kCombo: {
            QStyleOptionComboBox c;
            c.rect = r;
            c.palette = QApplication::palette();
            c.state = QStyle::State_Enabled;
            c.editable = false;
            if (st.Current() >= 0) c.currentText = Q(st.Items()[static_cast<std::size_t>(st.Current())].text);
            Style()->drawComplexControl(QStyle::CC_ComboBox, &c, &p);
            Style()->drawControl(QStyle::CE_ComboBoxLabel, &c, &p);
            break;
        }
        case TControlKind::kMultimedia:
            if (IsMedia(o)) {
                Media(p, o, r);
                break;
            }
            if (o.Type() == model::multiMedia && o.Subtype() == model::mediarec::kDatabase) {
                Marker(p, o, r);  // a database element is an icon like the markers
                break;
            }
            [[fallthrough]];
        case TControlKind::kFloating: {
            // A frame carrying the object's description.
            p.fillRect(r, QColor(0xF4, 0xF4, 0xF4));
            p.setPen(QColor(0x40, 0x40, 0x40));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.drawText(r.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, Q(o.Description()));
            break;
        }
        case TControlKind::kTable:
        case TControlKind::kImage: break;
    }
    p.restore();
    return true;
}

}  // namespace present::ui
