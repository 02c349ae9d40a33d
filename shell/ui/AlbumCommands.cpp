#include "shell/ui/AlbumCommands.h"

#include "platform/Ui.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

void AddAlbumCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    handlers["actAlbum"] = [&form] {
        if (form.MainDocument().Busy()) return;
        if (!OpenRegisteredWindow("TFalbum", &form, form.MainDocument(), {}))
            platform::ui().Error("L'album non \xC3\xA8 disponibile in questo programma.");
    };
}

}  // namespace shell::ui
