// The settings of an HTML export, the same for the desktop's export command,
// `nyx export html` and the options store's "htmlexp" section.
#pragma once

namespace convert::html {

enum TExpCSS { ecUseCSS = 0, ecEmulateFF = 1 };

struct THtmlOptions {
    bool expAlt = true;        // click zones get an ALT attribute
    bool expOrigName = false;  // pictures and files keep their original names
    bool expSepImage = false;  // pictures and files go into "images/"
    int expTipoExt = 1;        // 0 ".htm", 1 ".html"
    TExpCSS expCSS = ecUseCSS;
};

}  // namespace convert::html
