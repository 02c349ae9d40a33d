#include "present/ObjectProperties.h"

#include <algorithm>
#include <charconv>

#include "model/Bytes.h"
#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/ObjectEditing.h"
#include "present/PictureChoices.h"
#include "richtext/Box.h"
#include "richtext/ObjectUndo.h"

namespace present {

namespace {

// The natural and displayed sizes of a button's picture, in pixels.
void SetButtonSize(model::TNYXoggetto& o, const TPictureSize& real) {
    namespace br = model::buttonrec;
    for (std::size_t off : {br::kNaturalWidth, br::kWidth})
        o.SetWord(off, static_cast<std::uint16_t>(std::clamp(real.width, 0, 65535)));
    for (std::size_t off : {br::kNaturalHeight, br::kHeight})
        o.SetWord(off, static_cast<std::uint16_t>(std::clamp(real.height, 0, 65535)));
    o.SetByte(br::kPercent, 0);
}

}  // namespace

bool FollowButtonPictureSize(model::TNYXoggetto& button) {
    namespace br = model::buttonrec;
    model::TNYXset* set = button.Set();
    if (button.Type() != model::bottoneCGI || !set || button.Int(br::kPicture) == -1) return false;
    model::TNYXoggetto* pic = set->ObjectByRef(button.Int(br::kPicture));
    if (!pic || pic->IsEmpty() || pic->Type() != model::immagine) return false;
    const TPictureSize real = RealSize(*pic);
    if (real.width <= 0 || real.height <= 0) return false;  // not known yet
    if (button.Word(br::kNaturalWidth) == real.width && button.Word(br::kNaturalHeight) == real.height) return false;
    SetButtonSize(button, real);
    return true;
}
namespace {

using model::TNYXoggetto;

std::string FirstStream(const TNYXoggetto& o) {
    std::string s;
    if (o.HasFirstStream()) o.ReadFirstStream(s);
    return s;
}

TPropField Text(std::string key, std::string label, std::size_t off, std::size_t cap) {
    TPropField f;
    f.key = std::move(key);
    f.label = std::move(label);
    f.kind = TPropKind::kText;
    f.offset = off;
    f.cap = cap;
    return f;
}

TPropField Number(std::string key, std::string label, std::size_t off, int bytes, std::int32_t min, std::int32_t max) {
    TPropField f;
    f.key = std::move(key);
    f.label = std::move(label);
    f.kind = TPropKind::kNumber;
    f.offset = off;
    f.bytes = bytes;
    f.min = min;
    f.max = max;
    return f;
}

TPropField Check(std::string key, std::string label, std::size_t off) {
    TPropField f;
    f.key = std::move(key);
    f.label = std::move(label);
    f.kind = TPropKind::kCheck;
    f.offset = off;
    return f;
}

TPropField Choice(std::string key, std::string label, std::size_t off, std::vector<std::pair<int, std::string>> c) {
    TPropField f;
    f.key = std::move(key);
    f.label = std::move(label);
    f.kind = TPropKind::kChoice;
    f.offset = off;
    f.choices = std::move(c);
    return f;
}

std::int32_t ReadNumber(const TNYXoggetto& o, const TPropField& f) {
    switch (f.bytes) {
        case 1: return o.Byte(f.offset);
        case 2: return o.SWord(f.offset);
        default: return o.Int(f.offset);
    }
}

std::string Read(const TNYXoggetto& o, const TPropField& f) {
    switch (f.kind) {
        case TPropKind::kText: return o.Str(f.offset, f.cap);
        case TPropKind::kNumber: return std::to_string(ReadNumber(o, f));
        case TPropKind::kCheck: return o.Byte(f.offset) == 1 ? "1" : "0";
        case TPropKind::kChoice: return std::to_string(o.Byte(f.offset));
    }
    return {};
}

bool ParseInt(const std::string& s, std::int32_t& out) {
    const char* b = s.data();
    const char* e = b + s.size();
    while (b < e && *b == ' ') ++b;
    while (e > b && e[-1] == ' ') --e;
    if (b == e) return false;
    const auto r = std::from_chars(b, e, out);
    return r.ec == std::errc() && r.ptr == e;
}

void Write(TNYXoggetto& o, const TPropField& f, const std::string& v) {
    std::int32_t n = 0;
    switch (f.kind) {
        case TPropKind::kText: o.SetStr(f.offset, f.cap, v); break;
        case TPropKind::kNumber:
            if (!ParseInt(v, n)) return;
            if (f.bytes == 1) o.SetByte(f.offset, static_cast<std::uint8_t>(n));
            else if (f.bytes == 2) o.SetWord(f.offset, static_cast<std::uint16_t>(static_cast<std::int16_t>(n)));
            else o.SetInt(f.offset, n);
            break;
        case TPropKind::kCheck: o.SetByte(f.offset, v == "1" ? 1 : 0); break;
        case TPropKind::kChoice:
            if (ParseInt(v, n)) o.SetByte(f.offset, static_cast<std::uint8_t>(n));
            break;
    }
}

// The number of whole items in a list stream (three lines each).
std::int32_t ItemCount(const std::string& stream) {
    std::int32_t lines = 0;
    for (char c : stream)
        if (c == '\n') ++lines;
    return lines / 3;
}

}  // namespace

TObjectProperties::TObjectProperties(const TNYXoggetto& o) : type_(o.Type()), subtype_(o.Subtype()) {
    namespace fr = model::fieldrec;
    namespace form = model::formrec;
    const int sub = subtype_;
    const auto name = [&] { Add(Text("nome", "Nome", fr::kName, fr::kNameCap)); };
    switch (type_) {
        case model::bottoneCGI:
            title_ = "Proprietà bottone";
            fileKind_ = TObjectFile::kPicture;
            if (const model::TNYXset* set = o.Set(); set && o.Int(model::buttonrec::kPicture) != -1) {
                const TNYXoggetto* pic = set->ObjectByRef(o.Int(model::buttonrec::kPicture));
                if (pic && !pic->IsEmpty() && pic->Type() == model::immagine)
                    fileName_ = platform::text::Cp1252ToUtf8(pic->GetName());
            }
            // Subtype 0 would empty the record: a plain button is 4; 2 is
            // the picture that sends the form.
            Add(Choice("tipo", "Tipo", 4, {{model::buttonrec::kPlain, "Normale"}, {model::buttonrec::kSubmit, "Immissione dati"},
                                           {model::buttonrec::kReset, "Reset dati"}, {model::buttonrec::kImage, "Immagine"}}));
            name();
            Add(Text("etichetta", "Etichetta", fr::kValue, fr::kValueCap));
            if (o.Int(model::buttonrec::kPicture) != -1) {
                Add(Number("larghezza", "Larghezza", model::buttonrec::kWidth, 2, 1, 32767));
                Add(Number("altezza", "Altezza", model::buttonrec::kHeight, 2, 1, 32767));
                Add(Check("percentuale", "Dimensioni in percentuale", model::buttonrec::kPercent));
            }
            break;
        case model::inputStat:
        case model::inputDin: {
            const bool dyn = type_ == model::inputDin;
            if (!dyn && sub == form::kFloating) {
                namespace fl = model::floatrec;
                title_ = "Proprietà cornice indipendente";
                Add(Text("nome", "Nome cornice", fl::kName, fl::kNameCap));
                Add(Number("pagina", "Numero della pagina mostrata", fl::kPageNumber, 4, -1, 0x7FFFFFFF));
                Add(Check("frames", "Mostra frames", fl::kShowFrames));
                Add(Check("scrolling", "Scrolling", fl::kScrolling));
                Add(Number("margineAltezza", "Altezza margine", fl::kMarginHeight, 1, 0, 255));
                Add(Number("margineLarghezza", "Larghezza margine", fl::kMarginWidth, 1, 0, 255));
                Add(Number("larghezza", "Larghezza", fl::kWidth, 2, 1, 32767));
                Add(Number("altezza", "Altezza", fl::kHeight, 2, 1, 32767));
                Add(Check("percentuale", "Dimensioni in percentuale", fl::kPercent));
                break;
            }
            const bool edit = sub == 1 || (!dyn && (sub == 2 || sub == 3));
            const bool memo = (!dyn && sub == 4) || (dyn && sub == 2);
            const bool list = (!dyn && sub == 8) || (dyn && sub == 6);
            const bool combo = (!dyn && sub == 9) || (dyn && sub == 7);
            const bool checked = !dyn && (sub == 6 || sub == 7);
            if (edit) title_ = "Proprietà casella edit";
            else if (memo) title_ = "Proprietà box di testo";
            else if (list) title_ = "Proprietà lista";
            else if (combo) title_ = "Proprietà combo box";
            else if (checked) title_ = sub == 6 ? "Proprietà bottone radio" : "Proprietà check box";
            else if (!dyn && sub == 5) title_ = "Proprietà elemento invisibile";
            else if (dyn) title_ = "Proprietà elemento dinamico";
            else return;
            name();
            if (edit || (!dyn && sub == 5)) Add(Text("valore", "Valore iniziale", fr::kValue, fr::kValueCap));
            if (edit) {
                Add(Number("caratteri", "Larghezza (caratteri)", form::kWidthChars, 1, 1, 255));
                Add(Check("mostra", "Mostra il valore iniziale", form::kShowInitial));
            }
            if (memo) {
                Add(Number("colonne", "Colonne", form::kColumns, 1, 1, 255));
                Add(Number("righe", "Righe", form::kRows, 1, 1, 255));
                Add(Check("mostra", "Mostra il testo iniziale", form::kShowInitial));
                hasLines_ = true;
                linesLabel_ = "Testo iniziale";
            }
            if (checked) {
                Add(Text("valore", "Valore inviato", fr::kValue, fr::kValueCap));
                Add(Check("selezionato", "Selezionato", form::kChecked));
            }
            if (list) {
                Add(Number("righe", "Righe visibili", form::kWidthChars, 1, 1, 255));
                if (!dyn) Add(Check("multipla", "Scelta multipla", form::kMultiple));
            }
            if (list || combo) {
                hasLines_ = true;
                linesLabel_ = "Voci (testo, valore, selezionato: una riga ciascuno)";
            }
            if (dyn) Add(Text("file", "File sul server", form::kServerFile, form::kServerFileCap));
            break;
        }
        case model::inizioForm: {
            namespace fs = model::formstartrec;
            title_ = "Proprietà inizio modulo";
            Add(Choice("invio", "Invio del modulo", 4, {{1, "Script con GET"}, {2, "Script con POST"},
                                                        {3, "Chiama una pagina"}, {4, "Invio per posta"}}));
            Add(Text("indirizzo", "Indirizzo", fs::kAction, fs::kActionCap));
            Add(Check("scriviTipo", "Scrivi il tipo di codifica", fs::kWriteEncoding));
            Add(Text("codifica", "Tipo di codifica", fs::kEncoding, fs::kEncodingCap));
            break;
        }
        case model::multiMedia: {
            namespace mr = model::mediarec;
            title_ = "Proprietà multimedia";
            if (sub >= 1 && sub <= 4) {
                Add(Choice("tipo", "Tipo", 4, {{1, "Audio"}, {2, "Audio"}, {3, "Video"}, {4, "Video"}}));
                Add(Choice("azione", "Azione", mr::kAction, {{0, "Visualizza pulsanti"}, {1, "Azione ciclica"}}));
                Add(Number("cicli", "Cicli (-1: Infiniti)", mr::kCycles, 2, -1, 32767));
                fileKind_ = TObjectFile::kMedia;
                const model::TNYXset* set = o.Set();
                const std::int32_t ref = o.Int(mr::kReference);
                const TNYXoggetto* f = set && ref != -1 ? set->ObjectByRef(ref) : nullptr;
                if (f && !f->IsEmpty() && (f->Type() == model::genLink || f->Type() == model::zipLink))
                    fileName_ = platform::text::Cp1252ToUtf8(f->GetName());
            }
            Add(Number("larghezza", "Larghezza", mr::kWidth, 2, 1, 32767));
            Add(Number("altezza", "Altezza", mr::kHeight, 2, 1, 32767));
            Add(Check("percentuale", "Dimensioni in percentuale", mr::kPercent));
            break;
        }
        case model::shortObj:
            title_ = "Proprietà oggetto";
            break;
        default: return;
    }
    html = o.SecondStreamText();
    if (hasLines_) lines = FirstStream(o);
    for (const TPropField& f : fields_) values_.push_back(Read(o, f));
}

void TObjectProperties::Add(TPropField f) { fields_.push_back(std::move(f)); }

const TPropField* TObjectProperties::Field(const std::string& key) const {
    for (const TPropField& f : fields_)
        if (f.key == key) return &f;
    return nullptr;
}

std::string TObjectProperties::Value(const std::string& key) const {
    for (std::size_t i = 0; i < fields_.size() && i < values_.size(); ++i)
        if (fields_[i].key == key) return values_[i];
    return {};
}

bool TObjectProperties::SetValue(const std::string& key, const std::string& value) {
    for (std::size_t i = 0; i < fields_.size() && i < values_.size(); ++i) {
        const TPropField& f = fields_[i];
        if (f.key != key) continue;
        std::int32_t n = 0;
        switch (f.kind) {
            case TPropKind::kText:
                if (value.size() > f.cap) return false;
                break;
            case TPropKind::kNumber:
                if (!ParseInt(value, n) || n < f.min || n > f.max) return false;
                break;
            case TPropKind::kCheck:
                if (value != "1" && value != "0") return false;
                break;
            case TPropKind::kChoice: {
                if (!ParseInt(value, n)) return false;
                bool offered = false;
                for (const auto& c : f.choices) offered |= c.first == n;
                if (!offered) return false;
                break;
            }
        }
        values_[i] = f.kind == TPropKind::kNumber ? std::to_string(n) : value;
        return true;
    }
    return false;
}

bool TObjectProperties::Apply(TNYXoggetto& o) const {
    if (title_.empty() || o.Type() != type_) return false;
    std::string before;
    o.SaveToStream(before);
    // Only the fields the author changed are written: a field the dialog read
    // as empty because its length byte lies above its capacity (never written)
    // keeps its bytes.
    for (std::size_t i = 0; i < fields_.size() && i < values_.size(); ++i)
        if (values_[i] != Read(o, fields_[i])) Write(o, fields_[i], values_[i]);
    if (fileKind_ == TObjectFile::kMedia && file) {
        if (file->empty()) {
            o.SetInt(model::mediarec::kReference, -1);
        } else if (model::TNYXset* set = o.Set()) {
            if (const TNYXoggetto* f = set->AddFile(*file)) o.SetInt(model::mediarec::kReference, f->Reference());
        }
    }
    if (fileKind_ == TObjectFile::kPicture && file) {
        namespace br = model::buttonrec;
        if (file->empty()) {
            o.SetInt(br::kPicture, -1);
        } else if (model::TNYXset* set = o.Set()) {
            if (TNYXoggetto* pic = set->AddPicture(*file)) {
                o.SetInt(br::kPicture, pic->Reference());
                // Shown at the picture's own size until the author resizes it.
                SetButtonSize(o, RealSize(*pic));
            }
        }
    }
    if (type_ == model::multiMedia && o.Byte(model::mediarec::kAction) == 0 && o.Subtype() >= 1 && o.Subtype() <= 4)
        o.SetWord(model::mediarec::kCycles, 0xFFFF);  // the player's buttons: cycles are endless
    if (hasLines_) {
        if (lines.empty()) o.DropFirstStream();
        else o.SetFirstStream(lines);
        const bool dyn = type_ == model::inputDin;
        const int sub = o.Subtype();
        if ((!dyn && (sub == 8 || sub == 9)) || (dyn && (sub == 6 || sub == 7)))
            o.SetByte(model::formrec::kRows, static_cast<std::uint8_t>(std::min(ItemCount(lines), 255)));
    }
    if (html != o.SecondStreamText()) SetHtmlText(o, html);
    std::string after;
    o.SaveToStream(after);
    return after != before;
}

void SetHtmlText(TNYXoggetto& o, const std::string& text) {
    std::string lead;
    if (const std::string* s = o.SecondStream(); s && s->size() >= 4) {
        const std::int32_t n = model::bytes::GetI32(*s, 0);
        if (n >= 0 && static_cast<std::uint64_t>(n) <= s->size() - 4) lead = s->substr(0, 4 + static_cast<std::size_t>(n));
    }
    if (lead.empty()) lead.assign(4, '\0');
    o.SetSecondStream(lead + text);
}

bool ApplyProperties(richtext::TNYXbox& box, richtext::TNYXembedded& e, const TObjectProperties& p) {
    model::TNYXoggetto* o = e.Record();
    if (!o) return false;
    richtext::SnapshotObject(box, e, PropertiesLabel(*o));
    if (!p.Apply(*o)) {
        // The snapshot covers no change: the undo list drops it.
        return false;
    }
    for (std::size_t i = 0; i < box.paragraphs.size(); ++i)
        if (e.PlacedIn() == box.paragraphs[i].get()) {
            e.left = richtext::kOutOfSight;
            e.placed = false;
            box.Layout(static_cast<std::int32_t>(i), static_cast<std::int32_t>(i));
        }
    return true;
}

bool SetButtonLink(richtext::TNYXbox& box, richtext::TNYXembedded& e, std::int32_t key) {
    model::TNYXoggetto* o = e.Record();
    if (!o || o->Type() != model::bottoneCGI || o->Int(model::buttonrec::kLink) == key) return false;
    richtext::SnapshotObject(box, e, PropertiesLabel(*o));
    o->SetInt(model::buttonrec::kLink, key);
    return true;
}

}  // namespace present
