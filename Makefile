# Everything a fresh Debian 12 machine needs: `make play` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
XVFB       := xvfb-run -a -s "-screen 0 1024x768x24"
HEADLESS   := LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy WEDGEWISE_AUTOMATED=1

PACKAGES := cmake g++ make pkg-config git \
  libsdl2-dev libsdl2-mixer-dev libpng-dev zlib1g-dev liblzo2-dev \
  libgl1-mesa-dev libgl1-mesa-dri libglu1-mesa-dev libxtst-dev \
  libgtest-dev googletest xvfb xauth \
  lame libcairo2-dev libfreetype-dev fonts-dejavu-core fonts-league-spartan \
  clang libclang-rt-14-dev libcadical-dev fonts-comfortaa \
  weston xwayland pulseaudio pulseaudio-utils
# The Debian package: its build, its checks and the package test's input.
PACKAGES += build-essential debhelper dpkg-dev lintian desktop-file-utils appstream xdotool
# The browser edition and its tests: Debian's emscripten, chromium and
# firefox-esr (in a window on Xvfb) driven from Node (the driver itself comes from npm, pinned by tests/web). A node
# installed from elsewhere with its own npm will do (Debian's npm would
# conflict with it).
WEB_PACKAGES := emscripten python3 chromium firefox-esr xvfb $(if $(shell command -v npm 2>/dev/null),,nodejs npm)

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build play test test-release asan-build test-asan test-fuzz bench soak fuzz fuzz-build screenshots install clean
.PHONY: deb deb-repro test-package
.PHONY: web web-deps serve-web test-web bench-web test-gl-programmable

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

play: build
	cd $(BUILD) && ./wedgewise

# The browser passes come first: the package test, which ends with ctest's
# summary of the installed game, stays last.
test: test-fuzz test-gl-programmable test-web test-release test-asan test-package

test-release: build
	cd $(BUILD) && $(HEADLESS) $(XVFB) ctest --output-on-failure -j$(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer; media
# come from the release build (the generator's output is identical). The
# whole-game runs (every level played through) run in the release pass only:
# under the sanitizers they take longer than a test may; `make soak` runs the
# real frame loop under the sanitizers for as long as you like. The desktop
# tests (their own Weston, XWayland and sound server) measure the game at its
# real speed, which the sanitizers take from it: release pass only too.
ASAN_SKIP := ^(Playthrough|Practice|Solver\.EveryLevel|Wayland\.|SoundStack\.|Desktop/)
asan-build: build
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DWEDGEWISE_SANITIZE=ON \
	  -DWEDGEWISE_MEDIA_FROM=$(abspath $(BUILD))/media
	cmake --build $(ASAN_BUILD) -j$(JOBS)

test-asan: asan-build
	cd $(ASAN_BUILD) && $(HEADLESS) \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(abspath cmake/lsan.supp):print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(abspath cmake/ubsan.supp) \
	  $(XVFB) ctest --output-on-failure -j$(JOBS) -E '$(ASAN_SKIP)'

# Renderer figures, then the game's: start-up, busiest frame, work per frame
# (callgrind), pacing, peak memory; then the browser's (page load, frame
# interval, folder size).
bench: build
	cd $(BUILD) && $(HEADLESS) $(XVFB) ./bench
	cd $(BUILD) && $(HEADLESS) $(XVFB) ./gamebench
	$(MAKE) --no-print-directory bench-web

# An hour of random input through the real frame loop under the sanitizers.
SOAK_FRAMES ?= 216000
soak: asan-build
	cd $(ASAN_BUILD) && $(HEADLESS) ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(abspath cmake/lsan.supp):print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(abspath cmake/ubsan.supp) \
	  $(XVFB) ./gamebench --soak $(SOAK_FRAMES)

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DWEDGEWISE_FUZZ=ON -DWEDGEWISE_MEDIA=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j$(JOBS) --target fuzz_all

# Every fuzz target for a million executions (RUNS=N to change).
fuzz: fuzz-build
	cd build-fuzz && $(MAKE) -f $(abspath fuzz/run.mk) RUNS=$${RUNS:-1000000}

# A short pass of every fuzz target, part of `make test`.
test-fuzz: fuzz-build
	cd build-fuzz && $(MAKE) -f $(abspath fuzz/run.mk) RUNS=20000

screenshots: build
	cd $(BUILD) && $(HEADLESS) $(XVFB) ./screenshots $(abspath $(BUILD))/pictures

install: build
	cmake --install $(BUILD)

# The browser edition: $(WEB)/site is a static folder for any web server.
WEB      ?= build-web
WEB_PORT ?= 8021

web-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"

web: build web-deps
	JOBS=$(JOBS) WEB_BUILD=$(abspath $(WEB)) tools/web/build_web.sh $(abspath $(BUILD))

serve-web: web
	@echo "Wedgewise in a browser: http://127.0.0.1:$(WEB_PORT)/  (Ctrl+C stops the server)"
	python3 -m http.server --bind 127.0.0.1 --directory $(WEB)/site $(WEB_PORT)

# The browser tests, in Debian's chromium (headless) and firefox-esr (a
# window on a private Xvfb), driven from Node; the desktop build makes the
# pictures they compare with.
test-web: web
	mkdir -p $(WEB)/ctest && cp tests/web/CTestTestfile.cmake $(WEB)/ctest/
	cd $(WEB)/ctest && WEDGEWISE_SOURCE=$(CURDIR) WEB_BUILD=$(abspath $(WEB)) BUILD=$(abspath $(BUILD)) \
	  ctest --output-on-failure

# The renderer's tests on the desktop, drawn through the programmable GL
# path the browser uses (one shader instead of the fixed-function pipeline).
GLP_BUILD ?= build-glp
test-gl-programmable: build
	cmake -S . -B $(GLP_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEDGEWISE_GL_PROGRAMMABLE=ON \
	  -DWEDGEWISE_MEDIA_FROM=$(abspath $(BUILD))/media
	cmake --build $(GLP_BUILD) -j$(JOBS) --target test_runtime_gfx test_runtime_text
	cd $(GLP_BUILD) && $(HEADLESS) $(XVFB) ./test_runtime_gfx
	cd $(GLP_BUILD) && $(HEADLESS) $(XVFB) ./test_runtime_text

bench-web: web
	WEB_BUILD=$(abspath $(WEB)) BUILD=$(abspath $(BUILD)) tests/web/run.sh bench


# The Debian package, built from a copy of the tree in $(DEB_DIR)/source (the
# tree itself stays clean); the .deb lands in $(DEB_DIR)/. The package build
# builds the game and generates its media, without the tests.
DEB_DIR ?= build-deb
deb: deps
	rm -rf $(DEB_DIR)
	mkdir -p $(DEB_DIR)/source
	tar -c --exclude-vcs --exclude='./build*' --exclude=./compile_commands.json . | tar -x -C $(DEB_DIR)/source
	cd $(DEB_DIR)/source && DEB_BUILD_OPTIONS="nocheck parallel=2" dpkg-buildpackage -us -uc -b

# Two package builds in two folders must give the same bytes.
deb-repro:
	$(MAKE) deb DEB_DIR=build-deb
	$(MAKE) deb DEB_DIR=build-deb-repro
	@cd build-deb && sha256sum *.deb
	@cd build-deb-repro && sha256sum *.deb
	@status=0; for f in build-deb/*.deb; do \
	  if cmp -s "$$f" "build-deb-repro/$${f##*/}"; then echo "identical: $${f##*/}"; \
	  else echo "DIFFERENT: $${f##*/}"; status=1; fi; done; exit $$status

# The package installed, played by an ordinary user and purged (root only;
# elsewhere it says why it is skipped).
test-package: deps
	@if bash tests/packaging/package_test.sh --can-run; then \
	  $(MAKE) deb && bash tests/packaging/package_test.sh $(DEB_DIR); fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz build-deb build-deb-repro $(WEB) $(GLP_BUILD)
