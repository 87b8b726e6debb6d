# Entry points:
#   make demo       installs what building and rendering need, builds the plug-in
#                   and the render host, renders the built-in riff to demo.wav
#   make install    the plug-in into ~/.vst and ~/.lxvst, the render host into ~/.local/bin
#   make install-vst3  the VST3 bundle into ~/.vst3
#   make install-lv2   the LV2 bundle into ~/.lv2
#   make install-clap  the CLAP plug-in into ~/.clap
#   make uninstall  removes what make install put there
#   make test       installs the test tools too, builds and runs every test
#   make windows    the 64-bit Windows DLL (cross-built) and dist/ZorvanFerroharmonicLite-win64.zip
BUILD ?= build
JOBS ?= 2
PREFIX ?= $(HOME)/.local
VSTDIR ?= $(HOME)/.vst
LXVSTDIR ?= $(HOME)/.lxvst
PLUGIN := ZorvanFerroharmonicLite.so

.PHONY: all deps build demo install install-vst3 install-lv2 install-clap uninstall test windows clean

all: build

deps:
	bash scripts/install-deps.sh

# Only the shipped parts: the tests and benchmarks need the test tools.
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVAN_BUILD_TESTS=OFF -DZORVAN_BUILD_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS) --target ZorvanFerroharmonicLite zorvan-render

# demo.wav is this target's own file, so it is replaced on every run.
demo: build
	$(BUILD)/zorvan-render --demo --cab int --overwrite demo.wav

install: build
	install -d $(VSTDIR) $(LXVSTDIR) $(PREFIX)/bin
	install -m 755 $(BUILD)/$(PLUGIN) $(VSTDIR)/$(PLUGIN)
	install -m 755 $(BUILD)/$(PLUGIN) $(LXVSTDIR)/$(PLUGIN)
	install -m 755 $(BUILD)/zorvan-render $(PREFIX)/bin/zorvan-render

# The VST3 bundle into ~/.vst3.
install-vst3: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVAN_BUILD_TESTS=OFF -DZORVAN_BUILD_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS) --target zorvan_vst3_module
	install -d $(HOME)/.vst3
	rm -rf $(HOME)/.vst3/ZorvanFerroharmonicLite.vst3
	cp -r $(BUILD)/ZorvanFerroharmonicLite.vst3 $(HOME)/.vst3/

# The LV2 bundle into ~/.lv2, replacing an older one.
install-lv2: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVAN_BUILD_TESTS=OFF -DZORVAN_BUILD_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS) --target zorvan_lv2_bundle
	install -d $(HOME)/.lv2
	rm -rf $(HOME)/.lv2/zorvan-ferroharmonic-lite.lv2
	cp -r $(BUILD)/lv2/zorvan-ferroharmonic-lite.lv2 $(HOME)/.lv2/

# The CLAP plug-in into ~/.clap.
install-clap: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVAN_BUILD_TESTS=OFF -DZORVAN_BUILD_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS) --target zorvan_clap_module
	install -d $(HOME)/.clap
	install -m 755 $(BUILD)/clap/ZorvanFerroharmonicLite.clap $(HOME)/.clap/ZorvanFerroharmonicLite.clap

uninstall:
	rm -f $(VSTDIR)/$(PLUGIN) $(LXVSTDIR)/$(PLUGIN) $(PREFIX)/bin/zorvan-render $(HOME)/.clap/ZorvanFerroharmonicLite.clap

test:
	bash scripts/install-deps.sh --test
	bash scripts/run-tests.sh

windows: deps
	bash scripts/install-deps-windows.sh
	bash scripts/build-windows.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-win dist demo.wav
