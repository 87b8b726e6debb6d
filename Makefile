# Two entry points: `make demo` (install, build, render the demo) and `make test`.
BUILD ?= build
JOBS ?= 2

.PHONY: all deps build demo test clean

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

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz demo.wav
