# Front door: every target installs what is missing, configures and builds.
BUILD := build
FUZZ_BUILD := build-fuzz
SANITIZE_BUILD := build-sanitize
WINDOWS_BUILD := build-windows
WEB_BUILD := build-wasm
FUZZ_SECONDS ?= 60
# Warnings stop our own builds; a distribution's plain cmake build goes on.
CONFIGURE := cmake -S . -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
SANITIZERS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

.PHONY: all deps configure run test screenshot bench package fuzz test-sanitize windows release check-reproducible web run-web

all: configure
	cmake --build $(BUILD) --parallel

# What to install: building and running need less than testing.
DEPS := build
test test-sanitize windows screenshot bench package release check-reproducible: DEPS := build test web
web run-web: DEPS := build web
fuzz: DEPS := build fuzz

deps:
	@scripts/install-deps $(DEPS)

configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || $(CONFIGURE) -B $(BUILD)

run: all
	./$(BUILD)/brouillamine

test: all windows web
	ctest --test-dir $(BUILD) --output-on-failure
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure
	$(EMSCRIPTEN_ENV) ctest --test-dir $(WEB_BUILD) --output-on-failure

screenshot: all
	tests/with-xvfb scripts/screenshot ./$(BUILD)/brouillamine $(BUILD)/screenshot.png

bench: all web
	$(BUILD)/bench/cipher_bench --benchmark_color=false
	tests/with-xvfb python3 bench/clipboard_bench.py ./$(BUILD)/brouillamine
	tests/with-xvfb /usr/bin/python3 bench/web_bench.py build-web

package: all
	cmake --build $(BUILD) --target package

fuzz: deps
	@[ -f $(FUZZ_BUILD)/CMakeCache.txt ] || $(CONFIGURE) -B $(FUZZ_BUILD) \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $(SANITIZERS)"
	cmake --build $(FUZZ_BUILD) --parallel --target decode_text_fuzz round_trip_fuzz
	scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The whole suite, the end-to-end tests included, on a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@[ -f $(SANITIZE_BUILD)/CMakeCache.txt ] || $(CONFIGURE) -B $(SANITIZE_BUILD) \
	  -DCMAKE_CXX_FLAGS="$(SANITIZERS)"
	cmake --build $(SANITIZE_BUILD) --parallel
	ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(SANITIZE_BUILD) --output-on-failure

# Brouillamine.exe, cross-compiled with MinGW-w64.
windows: deps
	@[ -f $(WINDOWS_BUILD)/CMakeCache.txt ] || $(CONFIGURE) -B $(WINDOWS_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(WINDOWS_BUILD) --parallel

# What a release hands out, in dist/, with SHA256SUMS.
release: deps
	scripts/release

# Two releases of the last commit, from two clones, compared byte for byte.
check-reproducible: deps
	scripts/check-reproducible

# The web app, a static site in build-web/, from the core compiled to
# WebAssembly. Debian's Emscripten wants Debian's Python and Node's modules.
EMSCRIPTEN_ENV := EMSDK_PYTHON=/usr/bin/python3 NODE_PATH=/usr/share/nodejs
web: deps
	@[ -f $(WEB_BUILD)/CMakeCache.txt ] || $(EMSCRIPTEN_ENV) emcmake $(CONFIGURE) -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release
	$(EMSCRIPTEN_ENV) cmake --build $(WEB_BUILD) --parallel
	rm -rf build-web && cp -r $(WEB_BUILD)/site build-web

run-web: web
	@echo "Brouillamine : http://127.0.0.1:8642/"
	python3 scripts/serve_web.py build-web 8642
