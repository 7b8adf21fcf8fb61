# Front door: every target installs what is missing, configures and builds.
BUILD := build

.PHONY: all deps configure run test screenshot bench package

all: configure
	cmake --build $(BUILD) --parallel

deps:
	@scripts/install-deps

configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

run: all
	./$(BUILD)/brouillamine

test: all
	ctest --test-dir $(BUILD) --output-on-failure

screenshot: all
	tests/with-xvfb scripts/screenshot ./$(BUILD)/brouillamine $(BUILD)/screenshot.png

bench: all
	$(BUILD)/bench/cipher_bench --benchmark_color=false
	tests/with-xvfb python3 bench/clipboard_bench.py ./$(BUILD)/brouillamine

package: all
	cmake --build $(BUILD) --target package
