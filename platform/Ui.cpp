#include "platform/Ui.h"

#include "platform/console/ConsoleUi.h"

namespace platform {

namespace {
Ui* current = nullptr;
}

Ui& ui() {
    if (!current) {
        static ConsoleUi fallback;
        current = &fallback;
    }
    return *current;
}

Ui* SetUi(Ui* next) {
    Ui* previous = current;
    current = next;
    return previous;
}

}  // namespace platform
