# Entry points:
#   make demo       installs what building and rendering need, builds the plug-in
#                   and the render host, renders the built-in riff to demo.wav
#   make install    the plug-in into ~/.vst and ~/.lxvst, the render host into ~/.local/bin
#   make install-lv2  the LV2 bundle into ~/.lv2
#   make uninstall  removes what make install put there
#   make test       installs the test tools too, builds and runs every test
BUILD ?= build
JOBS ?= 2
PREFIX ?= $(HOME)/.local
VSTDIR ?= $(HOME)/.vst
LXVSTDIR ?= $(HOME)/.lxvst
PLUGIN := ZorvanFerroharmonicLite.so
LV2DIR ?= $(HOME)/.lv2
LV2BUNDLE := zorvan-ferroharmonic-lite.lv2

.PHONY: all deps build demo install install-lv2 uninstall test clean

all: build

deps:
	bash scripts/install-deps.sh

# Only the shipped parts: the tests and benchmarks need the test tools.
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVAN_BUILD_TESTS=OFF -DZORVAN_BUILD_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS) --target ZorvanFerroharmonicLite zorvan_lv2_bundle zorvan-render

# demo.wav is this target's own file, so it is replaced on every run.
demo: build
	$(BUILD)/zorvan-render --demo --cab int --overwrite demo.wav

install: build
	install -d $(VSTDIR) $(LXVSTDIR) $(PREFIX)/bin
	install -m 755 $(BUILD)/$(PLUGIN) $(VSTDIR)/$(PLUGIN)
	install -m 755 $(BUILD)/$(PLUGIN) $(LXVSTDIR)/$(PLUGIN)
	install -m 755 $(BUILD)/zorvan-render $(PREFIX)/bin/zorvan-render

uninstall:
	rm -f $(VSTDIR)/$(PLUGIN) $(LXVSTDIR)/$(PLUGIN) $(PREFIX)/bin/zorvan-render

# The LV2 bundle into the user's LV2 folder, replacing an older one.
install-lv2: build
	install -d $(LV2DIR)
	rm -rf $(LV2DIR)/$(LV2BUNDLE)
	cp -r $(BUILD)/lv2/$(LV2BUNDLE) $(LV2DIR)/

test:
	bash scripts/install-deps.sh --test
	bash scripts/run-tests.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz demo.wav
