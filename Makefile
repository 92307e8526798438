# Quillmoor: `make demo` runs the simulated Dragon with the module; `make test` runs every test.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CTEST    = ctest --output-on-failure -j$(JOBS)

.PHONY: all deps native win win64 asan dist test test-native test-win test-win64 run-win-tests test-asan demo bench fuzz clean

all: native win

deps:
	@scripts/install-deps.sh

$(BUILD)/native/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(BUILD)/win/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

$(BUILD)/win64/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

$(BUILD)/asan/CMakeCache.txt: | deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)/asan -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_FUZZ=ON

native: $(BUILD)/native/CMakeCache.txt
	cmake --build $(BUILD)/native -j$(JOBS)

# deps every time: a build folder made before the package build needed wixl has no wixl yet.
win: deps $(BUILD)/win/CMakeCache.txt
	cmake --build $(BUILD)/win -j$(JOBS)

win64: $(BUILD)/win64/CMakeCache.txt
	cmake --build $(BUILD)/win64 -j$(JOBS)

asan: $(BUILD)/asan/CMakeCache.txt
	cmake --build $(BUILD)/asan -j$(JOBS)

# The Windows installer, as it is handed out.
dist: win
	mkdir -p dist
	cp $(BUILD)/win/installer/Quillmoor.msi dist/

test-native: native
	cd $(BUILD)/native && $(CTEST)

test-asan: asan
	cd $(BUILD)/asan && $(CTEST)

# The Windows tests share one display and one Wine prefix (windows in the foreground, Dragon's
# configuration files, the registry), so they run one at a time, in a prefix made beforehand
# (as are the prefixes of their own that the end-to-end and the installer tests use).
# A kernel without 32-bit support cannot run 32-bit Wine: there they run on an x86_64 build
# of the same sources under 64-bit Wine, and of the i686 build only the tests that need no
# Wine run. `make test-win64` runs them on the x86_64 build anywhere, so that this fallback
# is kept working where 32-bit programs run too.
test-win: win
	@if scripts/can-run-32bit.sh; then \
	  echo "*** Windows tests: the i686 build under 32-bit Wine."; \
	  $(MAKE) --no-print-directory run-win-tests WIN=win; else \
	  echo "*** Windows tests: this kernel cannot run 32-bit programs, so they run on the x86_64 build under 64-bit Wine."; \
	  $(MAKE) --no-print-directory win64 && (cd $(BUILD)/win && ctest --output-on-failure -L no-wine) && \
	  $(MAKE) --no-print-directory run-win-tests WIN=win64; fi

test-win64: deps
	@$(MAKE) --no-print-directory win64
	@echo "*** Windows tests: the x86_64 build under 64-bit Wine."
	@$(MAKE) --no-print-directory run-win-tests WIN=win64

run-win-tests:
	scripts/with-display.sh sh -c 'export QM_BUILD_DIR=$(CURDIR)/$(BUILD)/$(WIN); cmake/wine-run.sh cmd.exe /c exit && \
	  WINEPREFIX=$$QM_BUILD_DIR/wineprefix-e2e cmake/wine-run.sh cmd.exe /c exit && \
	  WINEPREFIX=$$QM_BUILD_DIR/wineprefix-msi cmake/wine-run.sh cmd.exe /c exit && \
	  cd $(BUILD)/$(WIN) && ctest --output-on-failure'

test: deps
	$(MAKE) test-native
	$(MAKE) test-asan
	$(MAKE) test-win

demo: deps native win
	scripts/demo.sh $(BUILD)

# Like the Windows tests, the module's benchmark runs the x86_64 build where 32-bit programs
# cannot run.
bench: native win
	$(BUILD)/native/tests/bench/qm-bench
	@if scripts/can-run-32bit.sh; then scripts/bench-module.sh $(BUILD)/win; else \
	  echo "*** This kernel cannot run 32-bit programs: the module's benchmark runs the x86_64 build."; \
	  $(MAKE) --no-print-directory win64 && scripts/bench-module.sh $(BUILD)/win64; fi

fuzz: asan
	scripts/fuzz.sh $(BUILD)/asan

clean:
	rm -rf $(BUILD) dist
