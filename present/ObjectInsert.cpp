#include "present/ObjectInsert.h"

#include <memory>

#include "model/Fields.h"
#include "model/Types.h"
#include "richtext/Box.h"
#include "richtext/Editing.h"

namespace present {

const std::vector<TInsertKind>& InsertKinds() {
    static const std::vector<TInsertKind> kinds = {
        // A plain button: any subtype but submit (1), image (2, which the
        // exporter writes as a picture that sends the form) and reset (3);
        // 0 is the empty record.
        {"actInsBottone", model::bottoneCGI, model::buttonrec::kPlain},
        {"actInsBottoneInvio", model::bottoneCGI, 1},
        {"actInsBottoneReset", model::bottoneCGI, 3},
        {"actInsInizioForm", model::inizioForm, 2},
        {"actInsCasellaTesto", model::inputStat, 1},
        {"actInsCasellaPassword", model::inputStat, 2},
        {"actInsAreaTesto", model::inputStat, 4},
        {"actInsCheckBox", model::inputStat, 7},
        {"actInsRadio", model::inputStat, 6},
        {"actInsLista", model::inputStat, 8},
        {"actInsCombo", model::inputStat, 9},
        {"actInsNascosto", model::inputStat, 5},
        {"actInsCommento", model::shortObj, 10},
        {"actInsHtml", model::shortObj, 11},
        {"actInsFinestra", model::shortObj, 13},
        {"actInsSuono", model::multiMedia, model::mediarec::kSound},
        {"actInsVideo", model::multiMedia, model::mediarec::kVideo},
        {"actInsPlugin", model::multiMedia, 5},
        {"actInsCornice", model::inputStat, model::formrec::kFloating},
    };
    return kinds;
}

const TInsertKind* FindInsertKind(const std::string& command) {
    for (const TInsertKind& k : InsertKinds())
        if (command == k.command) return &k;
    return nullptr;
}

void SetNewObjectDefaults(model::TNYXoggetto& o, int type, int subtype) {
    o.SetSubtype(static_cast<std::uint8_t>(subtype));
    switch (type) {
        case model::bottoneCGI:
            o.SetStr(17, 79, "");
            o.SetStr(97, 79, subtype == 1 ? "Invia" : subtype == 3 ? "Annulla" : "Bottone");
            o.SetInt(177, -1);
            o.SetInt(181, -1);
            for (int off : {186, 188, 190, 192}) o.SetWord(static_cast<std::size_t>(off), 0);
            o.SetByte(194, 0);
            break;
        case model::inputStat:
            if (subtype == model::formrec::kFloating) {
                // An empty frame until its properties name the page it shows.
                namespace fl = model::floatrec;
                o.SetStr(fl::kName, fl::kNameCap, "");
                o.SetByte(fl::kScrolling, 1);
                o.SetInt(fl::kHostPage, -1);
                o.SetInt(fl::kPageNumber, -1);
                o.SetWord(fl::kWidth, 320);
                o.SetWord(fl::kHeight, 240);
                break;
            }
            o.SetStr(17, 79, "");
            o.SetStr(97, 79, subtype == 7 ? "on" : "");
            o.SetByte(177, 40);
            o.SetByte(178, subtype == 4 ? 10 : 0);
            o.SetByte(179, subtype == 8 ? 10 : 20);
            o.SetByte(180, subtype == 6 || subtype == 7 ? 1 : 0);
            o.SetByte(181, 0);
            o.SetByte(182, 0);
            o.SetByte(183, 0);
            break;
        case model::inizioForm:
            o.SetStr(17, 255, "");
            o.SetByte(273, 0);
            o.SetStr(276, 79, "");
            break;
        case model::multiMedia:
            o.SetInt(17, -1);
            o.SetInt(21, -1);
            o.SetByte(25, 0);
            o.SetWord(27, 0xFFFF);
            o.SetWord(31, 0xFFFF);
            o.SetWord(33, 105);
            o.SetWord(35, 105);
            o.SetByte(37, 0);
            break;
        default: break;
    }
}

model::TNYXoggetto* InsertNewObject(richtext::TNYXbox& box, richtext::TNYXediting& editing, const TInsertKind& kind) {
    richtext::TNYXundoIndiciList* reg = box.Registry();
    if (!reg) return nullptr;
    model::TNYXoggetto* o = box.NewEmbeddedRecord(kind.type);
    if (!o) return nullptr;
    SetNewObjectDefaults(*o, kind.type, kind.subtype);
    richtext::TNYXembedded* e = reg->Add(std::make_unique<richtext::TNYXembedded>(o));
    if (!e || !editing.InsertObject(e)) return nullptr;
    return o;
}

model::TNYXoggetto* InsertMadeObject(richtext::TNYXbox& box, richtext::TNYXediting& editing, const model::TNYXoggetto& made) {
    richtext::TNYXundoIndiciList* reg = box.Registry();
    if (!reg) return nullptr;
    model::TNYXoggetto* o = box.NewEmbeddedRecord(made.Type());
    if (!o) return nullptr;
    o->Assign(made);
    richtext::TNYXembedded* e = reg->Add(std::make_unique<richtext::TNYXembedded>(o));
    if (!e || !editing.InsertObject(e)) return nullptr;
    return o;
}

}  // namespace present
