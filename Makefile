# Two entry points: `make demo` (install, build, render the demo) and `make test`.
BUILD ?= build
JOBS ?= 2

.PHONY: all deps build demo test clean install-vst3

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	$(BUILD)/zorvan-render --cab int demo.wav

install-vst3: build
	mkdir -p $(HOME)/.vst3
	rm -rf $(HOME)/.vst3/ZorvanFerroharmonicLite.vst3
	cp -r $(BUILD)/ZorvanFerroharmonicLite.vst3 $(HOME)/.vst3/

test: deps
	bash scripts/run-tests.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz demo.wav
