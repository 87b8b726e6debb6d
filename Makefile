# Two entry points: `make demo` (install, build, render the demo) and `make test`.
BUILD ?= build
JOBS ?= 2

.PHONY: all deps build demo test clean install-lv2

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	$(BUILD)/zorvan-render --cab int demo.wav

# The LV2 bundle into the user's LV2 folder.
install-lv2: build
	mkdir -p $(HOME)/.lv2
	rm -rf $(HOME)/.lv2/zorvan-ferroharmonic-lite.lv2
	cp -r $(BUILD)/lv2/zorvan-ferroharmonic-lite.lv2 $(HOME)/.lv2/

test: deps
	bash scripts/run-tests.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz demo.wav
