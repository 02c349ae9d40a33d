// The system's own clipboard container ("Quor30 objects"): the link records,
// resources and embedded objects a piece of text uses, then its paragraphs in
// stored markup. Building and checking the bytes; pasting lives with the
// editing operations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXset;
}

namespace richtext {

inline constexpr const char* kClipboardFormat = "Quor30 objects";
// Private MIME type under which the container travels on the desktop.
inline constexpr const char* kClipboardMime = "application/x-quor30-objects";

struct TClipObject {
    std::int32_t kind = 0;
    std::int32_t old = 0;  // link key (group 1) or instance id (group 3); unused for resources
    std::string record;    // the object in stream form
};

struct TClipContainer {
    std::int32_t format = 1;
    std::vector<TClipObject> links;      // kinds 1, 10, 11
    std::vector<TClipObject> resources;  // kinds 5, 6 (pictures) and 17 (styles)
    std::vector<TClipObject> objects;    // embedded objects
    std::int32_t paragraphs = 0;
    std::string markup;  // mode 0, without the end byte
};

std::string BuildContainer(const TClipContainer& c);

enum class ClipParse { Ok, Ignored, Malformed };
// Checks the whole container against its size: the format (1 or 3, else
// Ignored), every count and record, and the end byte after the markup. Ok
// only when everything is in place; `out` is then filled.
ClipParse ParseContainer(std::string_view bytes, TClipContainer& out);

// The first int32 of a container, or 0 when there are fewer than 4 bytes.
std::int32_t ContainerFormat(std::string_view bytes);

// Plain text pasted in code mode (the editors of free HTML texts) becomes a
// container through the function the program installs: the text converter's,
// which makes its "!Ref" references marker objects of the set. None
// installed (or an empty result): code mode pastes as plain text.
using TCodePaste = std::function<std::string(model::TNYXset& set, std::string_view utf8)>;
void SetCodePaste(TCodePaste paste);
const TCodePaste& CodePaste();
// Clipboard formats of other programs (as RTF), registered by the layers
// that convert them: a copy also offers `mime` made from the container, a
// paste of `mime` becomes a container (with paragraphs in `style` where the
// foreign data does not say). Either may give "" when it cannot.
struct TForeignClipFormat {
    std::string mime;
    std::function<std::string(model::TNYXset& set, std::string_view container)> fromContainer;
    std::function<std::string(model::TNYXset& set, std::string_view foreign, int style)> toContainer;
};
void RegisterForeignClipFormat(TForeignClipFormat format);
const std::vector<TForeignClipFormat>& ForeignClipFormats();

}  // namespace richtext
