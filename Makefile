# Thin wrapper around CMake. Builds live under build/<kind>.
JOBS    ?= $(shell nproc)
GEN     := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
WERROR  := $(if $(CI),-DQUOR_WERROR=ON,)
CTEST_J ?= $(JOBS)
# Compiles go through ccache when it is installed (install-deps brings it).
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache")

.PHONY: all deps release debug test run bench fuzz sample clean

all: release

deps:
	@bash scripts/install-deps

# A configure that fails leaves no cache behind, so the next try starts afresh
# instead of stopping at a half-made build folder.
CONFIGURE = cmake -S . -B $(1) $(GEN) $(LAUNCHER) $(2) $(WERROR) || { rm -rf $(1)/CMakeCache.txt $(1)/CMakeFiles; exit 1; }

build/release/CMakeCache.txt:
	@$(call CONFIGURE,build/release,-DCMAKE_BUILD_TYPE=Release)

release: build/release/CMakeCache.txt
	cmake --build build/release -j $(JOBS)

build/test/CMakeCache.txt:
	@$(call CONFIGURE,build/test,-DCMAKE_BUILD_TYPE=Debug -DQUOR_SANITIZE=ON)

# The test build is Debug with AddressSanitizer and UndefinedBehaviorSanitizer.
# Like "make run", it first installs whatever the build and the tests miss.
test: deps
	@$(MAKE) --no-print-directory build/test/CMakeCache.txt
	cmake --build build/test -j $(JOBS)
	cd build/test && QUOR_SOURCE_DIR=$(CURDIR) QUOR_BINARY_DIR=$(CURDIR)/build/test \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j $(CTEST_J) --output-on-failure --timeout 600

# Opens the sample hypertext in the desktop program when it exists; until then
# shows what the headless tool reads from it.
run: deps
	@$(MAKE) --no-print-directory release
	@if [ -x build/release/quor ]; then \
	  bash scripts/run-desktop build/release/quor examples/sample.nyx; \
	else \
	  build/release/nyx info examples/sample.nyx && build/release/nyx check examples/sample.nyx; \
	fi

sample: release
	build/release/make-sample examples/sample.nyx

bench: release
	@for b in build/release/bench_*; do [ -x "$$b" ] || continue; echo "== $$b"; "$$b" --benchmark_counters_tabular=true || exit 1; done

build/fuzz/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOR_FUZZ=ON -DQUOR_WITH_QT=OFF

FUZZ_SECONDS ?= 60
fuzz: build/fuzz/CMakeCache.txt
	cmake --build build/fuzz -j $(JOBS)
	@for f in build/fuzz/fuzz_*; do [ -x "$$f" ] || continue; n=$$(basename $$f); \
	  mkdir -p build/fuzz/work/$$n; echo "== $$n ($(FUZZ_SECONDS)s)"; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -max_len=65536 build/fuzz/work/$$n fuzz/corpus/$$n || exit 1; done

clean:
	rm -rf build
