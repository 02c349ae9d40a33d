// The desktop program `quor`.
#include "album/ui/Falbum.h"
#include "cdrom/ui/Fcd.h"
#include "shell/ui/StartUp.h"

int main(int argc, char** argv) {
    // The windows of the layers above the main window's own.
    cdrom::ui::RegisterFcd();
    album::ui::RegisterFalbum();
    return shell::ui::RunQuor(argc, argv);
}
