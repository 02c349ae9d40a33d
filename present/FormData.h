// Read-only views of form records: form start (23), form controls (20),
// buttons (22), multimedia (24) and floating frames (20/18).
#pragma once

#include <cstdint>
#include <string>

#include "model/NYXoggetto.h"
#include "model/Types.h"

namespace present {

class TFormStartData {
public:
    enum Method { kGet = 1, kPost = 2, kCallPage = 3, kMail = 4 };
    explicit TFormStartData(const model::TNYXoggetto& o) : o_(o) {}
    int Method() const { return o_.Subtype(); }
    std::string Address() const { return o_.Str(17, 255); }
    bool WriteEncoding() const { return o_.Byte(273) == 1; }
    std::string Encoding() const { return o_.Str(276, 79); }

private:
    const model::TNYXoggetto& o_;
};

class TFormFieldData {
public:
    enum Kind { kText = 1, kPassword = 2, kFile = 3, kTextArea = 4, kHidden = 5, kRadio = 6, kCheck = 7, kList = 8,
                kCombo = 9, kFloating = 18 };
    explicit TFormFieldData(const model::TNYXoggetto& o) : o_(o) {}
    int Kind() const { return o_.Subtype(); }
    std::string Identifier() const { return o_.Str(17, 79); }
    std::string Value() const { return o_.Str(97, 79); }
    int Columns() const { return o_.Byte(177); }
    int Rows() const { return o_.Byte(178); }
    int WidthChars() const { return o_.Byte(179); }
    int VisibleRows() const { return o_.Byte(179); }
    bool ShowInitial() const { return o_.Byte(180) == 1; }
    bool Checked() const { return o_.Byte(181) == 1; }
    bool Multiple() const { return o_.Byte(182) == 1; }

private:
    const model::TNYXoggetto& o_;
};

class TFloatingData {
public:
    explicit TFloatingData(const model::TNYXoggetto& o) : o_(o) {}
    std::string Name() const { return o_.Str(17, 79); }
    bool Scrolling() const { return o_.Byte(97) == 1; }
    int MarginHeight() const { return o_.Byte(98); }
    int MarginWidth() const { return o_.Byte(99); }
    std::uint32_t BorderColour() const { return static_cast<std::uint32_t>(o_.Int(100)) & 0xFFFFFF; }
    std::int32_t HostPage() const { return o_.Int(104); }
    std::int32_t ShownPage() const { return o_.Int(108); }
    bool ShowFrames() const { return o_.Byte(116) == 1; }
    bool Percent() const { return o_.Byte(178) == 1; }
    int Height() const { return o_.SWord(180); }
    int Width() const { return o_.SWord(182); }

private:
    const model::TNYXoggetto& o_;
};

class TButtonData {
public:
    enum Kind { kSubmit = 1, kImage = 2, kReset = 3 };
    explicit TButtonData(const model::TNYXoggetto& o) : o_(o) {}
    int Kind() const { return o_.Subtype(); }
    std::string Identifier() const { return o_.Str(17, 79); }
    std::string Caption() const { return o_.Str(97, 79); }
    std::int32_t PictureRef() const;
    std::int32_t LinkRef() const { return o_.Int(181); }
    int Width() const { return o_.Word(190); }
    int Height() const { return o_.Word(192); }

private:
    const model::TNYXoggetto& o_;
};

class TMultimediaData {
public:
    enum Kind { kSound1 = 1, kSound2 = 2, kVideo1 = 3, kVideo2 = 4, kPlugin = 5, kCustom = 6, kDatabase = 7 };
    explicit TMultimediaData(const model::TNYXoggetto& o) : o_(o) {}
    int Kind() const { return o_.Subtype(); }
    std::int32_t MediaRef() const { return o_.Int(17); }
    std::int32_t AlternativePictureRef() const;
    bool Cyclic() const { return o_.Byte(25) == 1; }
    int Cycles() const { return o_.SWord(27); }
    int Width() const { return o_.SWord(33); }
    int Height() const { return o_.SWord(35); }
    bool Percent() const { return o_.Byte(37) == 1; }

private:
    const model::TNYXoggetto& o_;
};

}  // namespace present

#include "present/PictureData.h"

namespace present {
inline std::int32_t TButtonData::PictureRef() const { return PictureRefFrom(o_.Int(177)); }
inline std::int32_t TMultimediaData::AlternativePictureRef() const { return PictureRefFrom(o_.Int(21)); }
}  // namespace present
