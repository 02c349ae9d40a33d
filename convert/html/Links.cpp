// Links in text and on buttons: the A element with its target, the special
// links (windows, frames, anchors, previous and next page) and the window
// calls that the page's script functions carry out.
#include <algorithm>

#include "convert/html/TextWalk.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "richtext/Attributes.h"

namespace convert::html {

using model::TNYXoggetto;

namespace {

using namespace model::linkrec;

// The open modes of a link of subtype 1.
enum TOpenMode { omThisFrame = 0, omNamedFrame = 1, omSeparate = 2, omNewBrowser = 3, omPopup = 4, omJump = 5, omAnchor = 6 };

int OpenMode(const TNYXoggetto& l) { return l.Byte(kOpenMode); }
int AnchorOf(const TNYXoggetto& l) { return l.Int(kAnchor); }
bool WithFeatures(int mode) { return mode == omSeparate || mode == omPopup; }

}  // namespace

void TTextWalk::CloseLink() {
    if (link_) Close("A");
    link_ = nullptr;
}

void TTextWalk::OpenLink(const TNYXoggetto& l) {
    CloseLink();
    if (l.Type() == model::genLink) x_.AddFile(l.Reference());
    link_ = &l;
    Open("A", LinkStartTag(l));
}

std::string TTextWalk::LinkStartTag(const TNYXoggetto& l) {
    std::string tag = "<A class=s" + Str(styleNo_) + " ";
    const TState& s = S();
    std::string diff;
    if (s.linkColour != defLinkColour_) diff += "color:#" + TNYXtoHtml::ColourText(s.linkColour) + ";";
    if (s.linkSize != defLinkSize_) diff += "font-size:" + Str(s.linkSize) + "pt;";
    const std::uint8_t d = s.linkBits ^ defLinkBits_;
    if (d & richtext::kBold) diff += (s.linkBits & richtext::kBold) ? "font-weight:bold;" : "font-weight:normal;";
    if (d & richtext::kItalic) diff += (s.linkBits & richtext::kItalic) ? "font-style:italic;" : "font-style:normal;";
    if (d & richtext::kUnderline) diff += (s.linkBits & richtext::kUnderline) ? "text-decoration:underline;" : "text-decoration:normal;";
    if (!diff.empty()) tag += "style='" + diff + "' ";
    return tag + TargetPart(l) + " >";
}

std::string TTextWalk::TargetFile(const TNYXoggetto& l, bool addFrame) {
    const TNYXoggetto* target = Obj(l.Int(kTarget));
    if (!target) return {};
    if (target->Type() != model::testoHtml) return TNYXtoHtml::EscapeUrl(x_.PageFileName(target, 0));
    const bool frameFlag = l.Byte(kShows) == 1;
    std::string f = x_.PageFileName(target, frameFlag ? 0 : 1);
    if (!frameFlag && addFrame) x_.AddFrame(target->Reference());
    return TNYXtoHtml::EscapeUrl(f);
}

std::string TTextWalk::NeighbourFile(const TNYXoggetto& l) {
    // The page before or after by chapter and position, when it is exported too.
    if (!doc_.page) return {};
    const TNYXoggetto* to = l.Subtype() == kPreviousPage ? model::PreviousPage(set_, *doc_.page) : model::NextPage(set_, *doc_.page);
    const auto& order = x_.pageOrder;
    if (to && std::find(order.begin(), order.end(), static_cast<std::int32_t>(to->Index())) != order.end())
        return x_.PageFileName(to, 0);
    return {};
}

std::string TTextWalk::WindowName(const TNYXoggetto& l) const { return TNYXtoHtml::CleanAttribute(l.Str(kWindowName, kWindowNameCap)); }

std::string TTextWalk::Features(const TNYXoggetto& l) {
    std::string rec;
    if (!l.HasFirstStream() || !l.ReadFirstStream(rec) || rec.size() < 22) return ",''";
    const auto* p = reinterpret_cast<const std::uint8_t*>(rec.data());
    auto w = [&](int off) { return static_cast<int>(static_cast<std::int16_t>(p[off] | (p[off + 1] << 8))); };
    const int top = w(0), left = w(2), width = w(4), height = w(6), sx = w(8), sy = w(10);
    std::vector<std::string> items;
    if (width != -20000) {
        items.push_back("height=" + Str(height));
        items.push_back("width=" + Str(width));
    }
    if (sx != -20000) items.push_back("screenX=" + Str(sx));
    if (top != -20000) items.push_back("left=" + Str(left));
    if (sx != -20000) items.push_back("screenY=" + Str(sy));
    if (top != -20000) items.push_back("top=" + Str(top));
    const char* names[] = {"dependent=", "fullscreen=", "location=", "menubar=", "resizable=", "scrollbars=", "status=", "toolbar="};
    const int offs[] = {13, 15, 16, 17, 18, 19, 20, 21};
    for (int i = 0; i < 8; ++i) items.push_back(names[i] + Str(p[offs[i]]));
    std::string s = ",'";
    for (std::size_t i = 0; i < items.size(); ++i) s += (i ? "," : "") + items[i];
    return s + "'";
}

std::string TTextWalk::WindowCall(int mode, const TNYXoggetto& l, bool withFeatures, int anchor) {
    const std::string name = ScriptString(WindowName(l));
    const std::string file = ScriptString(TargetFile(l, true));
    std::string s;
    if (mode == 0 || mode == 3) s += "javascript:";
    if (mode == 1) s += "\r\n<SCRIPT>\r\n<!--//\r\n  " + name + "=";
    if (mode == 0 || mode == 1) s += "QuorF_open('" + file;
    else if (mode == 2) s += file;
    else {
        s += "QuorF_openB('" + file;
        doc_.flags |= TDocContext::kPlainOpen;
    }
    if ((mode == 0 || mode == 2) && anchor != -1) s += "#an" + Str(anchor);
    if (mode == 0 || mode == 1) {
        const int page = doc_.page ? static_cast<int>(doc_.page->Index()) : 0;
        s += "','" + name + "'" + (withFeatures ? Features(l) : std::string(",''")) + ",'Pag" + Str(page) + "');";
        doc_.flags |= TDocContext::kOpen;
    } else if (mode == 3) {
        s += "');";
    }
    if (mode == 1) s += "\r\n//-->\r\n</SCRIPT>\r\n";
    return s;
}

std::string TTextWalk::CloseScript(const TNYXoggetto& l) const {
    const std::string n = ScriptString(WindowName(l));
    return "\r\n<SCRIPT><!--//\r\n  " + n + "=open('','" + n + "' );\r\n  " + n + ".close( );\r\n//--></SCRIPT>\r\n";
}

std::string TTextWalk::TargetPart(const TNYXoggetto& l) {
    if (l.Type() != model::speclink) return "HREF=\"" + TNYXtoHtml::EscapeUrl(x_.PageFileName(&l, 0)) + "\" ";
    std::string part;
    const int anchor = AnchorOf(l);
    auto T = [&]() {
        std::string f = TargetFile(l, true);
        if (anchor >= 0) f += "#an" + Str(anchor);
        return f;
    };
    const std::string win = TNYXtoHtml::EscapeText(WindowName(l));
    switch (l.Subtype()) {
        case kGoTo:
            switch (OpenMode(l)) {
                case omThisFrame: part = "TARGET=_self HREF=\"" + T() + "\""; break;
                case omNamedFrame: part = "TARGET=\"" + win + "\" HREF=\"" + T() + "\""; break;
                case omNewBrowser:
                    part = "HREF=\"javascript:QuorF_openB('" + ScriptString(TargetFile(l, true)) + "');\"";
                    doc_.flags |= TDocContext::kPlainOpen;
                    break;
                case omJump: part = "HREF=\"" + T() + "\""; break;
                case omAnchor: part = "HREF=\"#an" + Str(anchor) + "\" TARGET=_self"; break;
                default:
                    part = "HREF=\"" + TNYXtoHtml::EscapeText(WindowCall(0, l, WithFeatures(OpenMode(l)), anchor)) + "\"";
            }
            break;
        case kCloseWindow:
            part = "HREF=\"javascript:QuorF_close('" + ScriptString(win) + "');\" ";
            doc_.flags |= TDocContext::kClose;
            break;
        case kPreviousPage:
        case kNextPage: {
            const std::string f = NeighbourFile(l);
            part = "HREF=\"" + TNYXtoHtml::EscapeUrl(f.empty() ? "#" : f) + "\"";
            break;
        }
        default: part = "HREF=\"#\""; break;
    }
    return part + " " + Expand(l);
}

std::string TTextWalk::ButtonClick(const TNYXoggetto& l) {
    auto go = [](const std::string& where, const std::string& file) {
        return " onClick=\"javascript:" + where + "='" + ScriptString(file) + "'\" ";
    };
    if (l.Type() != model::speclink) return go("location", TNYXtoHtml::EscapeUrl(x_.PageFileName(&l, 0)));
    std::string h;
    const int anchor = AnchorOf(l);
    switch (l.Subtype()) {
        case kCloseWindow:
            h = " onClick=\"javascript:QuorF_close('" + ScriptString(WindowName(l)) + "');\" ";
            doc_.flags |= TDocContext::kClose;
            break;
        case kGoTo: {
            // The same windows and frames as the link in text: only the modes
            // that make a window open one.
            const int mode = OpenMode(l);
            auto T = [&]() {
                std::string f = TargetFile(l, true);
                if (anchor >= 0) f += "#an" + Str(anchor);
                return f;
            };
            switch (mode) {
                case omThisFrame: h = go("location", T()); break;
                case omJump: h = go("top.location", T()); break;
                case omNamedFrame:
                    h = " onClick=\"javascript:open('" + ScriptString(T()) + "','" + ScriptString(WindowName(l)) + "');\" ";
                    break;
                case omNewBrowser: h = " onClick=\"" + TNYXtoHtml::EscapeText(WindowCall(3, l, false, -1)) + "\""; break;
                case omAnchor: h = " onClick=\"javascript:location='#an" + Str(anchor) + "'\" "; break;
                default: h = " onClick=\"" + TNYXtoHtml::EscapeText(WindowCall(0, l, WithFeatures(mode), anchor)) + "\"";
            }
            break;
        }
        case kPreviousPage:
        case kNextPage: {
            // Like the link in text; without a neighbour the button does nothing.
            const std::string f = NeighbourFile(l);
            if (!f.empty()) h = go("top.location", TNYXtoHtml::EscapeUrl(f));
            break;
        }
        default:
            // The keywords window and automatic import exist only in the
            // program: nothing for a browser to do.
            break;
    }
    return h + " " + Expand(l);
}

}  // namespace convert::html
