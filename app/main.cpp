// The desktop program `quor`.
#include "shell/ui/StartUp.h"

int main(int argc, char** argv) { return shell::ui::RunQuor(argc, argv); }
