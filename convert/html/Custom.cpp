// Custom components: the prototype's HTML with its file and parameter
// placeholders filled in from the component's values.
#include "convert/html/Placeholders.h"
#include "convert/html/TextWalk.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Prototypes.h"
#include "present/FormData.h"

namespace convert::html {

using model::TNYXoggetto;

namespace {

// Property types of a prototype's parameter list.
constexpr int kColourParameter = 3;
constexpr int kFirstObjectParameter = 6, kLastObjectParameter = 8;  // page, picture, file

std::int32_t ReferenceValue(const std::string& v) {
    try {
        return static_cast<std::int32_t>(std::stoll(v));
    } catch (...) {
        return model::kNoRef;
    }
}

}  // namespace

std::string TTextWalk::Custom(const TNYXoggetto& component) {
    const present::TMultimediaData md(component);
    const TNYXoggetto* proto = Obj(md.MediaRef());
    if (!proto || proto->Type() != model::custom) return {};
    // The prototype's files and parameters, with the component's values.
    const std::vector<std::int32_t> files = model::PrototypeFiles(*proto);
    model::TPropList props = model::PrototypeParameters(*proto);
    props.mode = model::TPropList::Mode::Value;
    std::string values;
    if (component.HasFirstStream()) component.ReadFirstStream(values);
    props.LoadValues(values);

    return FillPlaceholders(proto->SecondStreamText(), [&](const TPlaceholder& p, std::string& r) {
        switch (p.kind) {
            case TPlaceholder::kReCF:
                if (!p.hex) return false;
                if (p.value < files.size() && Obj(files[p.value])) r += File(files[p.value]);
                return true;
            case TPlaceholder::kReCP: {
                const model::TProp* prop = props.Find(p.name);
                if (!prop) return true;
                const int type = prop->type;
                const std::string& val = prop->value;
                if (type == kColourParameter) {
                    r += val.size() >= 7 ? val.substr(1, 6) : std::string("000000");
                } else if (type >= kFirstObjectParameter && type <= kLastObjectParameter) {
                    const std::int32_t ref = ReferenceValue(val);
                    if (const TNYXoggetto* t = Obj(ref)) {
                        if (t->Type() == model::testoHtml) r += TNYXtoHtml::EscapeUrl(x_.PageFileName(t, 0));
                        else r += File(ref);
                    }
                } else if (type >= 1 && type <= 9) {
                    r += TNYXtoHtml::EscapeText(val);
                }
                return true;
            }
            case TPlaceholder::kRefX:
            case TPlaceholder::kRefY:
                r += Str(p.kind == TPlaceholder::kRefX ? md.Width() : md.Height()) + (md.Percent() ? "%" : "");
                return true;
            default: return false;
        }
    });
}

}  // namespace convert::html
