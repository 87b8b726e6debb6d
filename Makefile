# Entry points: `make demo` (install, build, render the demo), `make test`, and
# `make windows` (the 64-bit Windows DLL and its zip, cross-built).
BUILD ?= build
JOBS ?= 2

.PHONY: all deps build demo test windows clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	$(BUILD)/zorvan-render --cab int demo.wav

test: deps
	bash scripts/run-tests.sh

windows: deps
	bash scripts/build-windows.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-win dist demo.wav
