// Tests that need an outside program (a browser, the HTML checker, Xvfb,
// a server, pandoc) skip where it is missing on a developer's machine, but
// fail in CI, where scripts/install-deps has installed every one of them:
// a skipped peer there would hide a broken install as a green run.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace testsupport {

inline bool InCi() {
    const char* ci = std::getenv("CI");
    return ci && *ci && std::string_view(ci) != "0" && std::string_view(ci) != "false";
}

}  // namespace testsupport

// Skips (or fails in CI) the current test when `available` is false.
#define QUOR_NEEDS(available, what)                                                   \
    do {                                                                              \
        if (!(available)) {                                                           \
            if (::testsupport::InCi()) FAIL() << (what) << " (needed in CI)";        \
            GTEST_SKIP() << (what);                                                   \
        }                                                                             \
    } while (0)
