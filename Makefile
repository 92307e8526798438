# Quillmoor: `make demo` runs the simulated Dragon with the module; `make test` runs every test.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CTEST    = ctest --output-on-failure -j$(JOBS)

.PHONY: all deps native win asan test test-native test-win test-asan demo bench fuzz clean

all: native win

deps:
	@scripts/install-deps.sh

$(BUILD)/native/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(BUILD)/win/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD)/win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

$(BUILD)/asan/CMakeCache.txt: | deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)/asan -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_FUZZ=ON

native: $(BUILD)/native/CMakeCache.txt
	cmake --build $(BUILD)/native -j$(JOBS)

win: $(BUILD)/win/CMakeCache.txt
	cmake --build $(BUILD)/win -j$(JOBS)

asan: $(BUILD)/asan/CMakeCache.txt
	cmake --build $(BUILD)/asan -j$(JOBS)

test-native: native
	cd $(BUILD)/native && $(CTEST)

test-asan: asan
	cd $(BUILD)/asan && $(CTEST)

# The Windows tests share one display and one Wine prefix (windows in the foreground, Dragon's
# configuration files, the registry), so they run one at a time, in a prefix made beforehand.
test-win: win
	scripts/with-display.sh sh -c 'QM_BUILD_DIR=$(CURDIR)/$(BUILD)/win cmake/wine-run.sh cmd.exe /c exit && \
	  cd $(BUILD)/win && ctest --output-on-failure'

test: deps
	$(MAKE) test-native
	$(MAKE) test-asan
	$(MAKE) test-win

demo: deps native win
	scripts/demo.sh $(BUILD)

bench: native win
	$(BUILD)/native/tests/bench/qm-bench
	scripts/bench-module.sh $(BUILD)/win

fuzz: asan
	scripts/fuzz.sh $(BUILD)/asan

clean:
	rm -rf $(BUILD)
