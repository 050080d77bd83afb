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
  clang libclang-rt-14-dev libcadical-dev fonts-comfortaa

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build play test test-release asan-build test-asan test-fuzz bench soak fuzz fuzz-build screenshots install clean \
  web serve-web test-web bench-web test-gl-programmable

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

test: test-fuzz test-release test-asan test-gl-programmable

test-release: build
	cd $(BUILD) && $(HEADLESS) $(XVFB) ctest --output-on-failure -j$(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer; media
# come from the release build (the generator's output is identical). The
# whole-game runs (every level played through) run in the release pass only:
# under the sanitizers they take longer than a test may; `make soak` runs the
# real frame loop under the sanitizers for as long as you like.
ASAN_SKIP := ^(Playthrough|Practice|Solver\.EveryLevel)
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
# (callgrind), pacing, peak memory.
bench: build
	cd $(BUILD) && $(HEADLESS) $(XVFB) ./bench
	cd $(BUILD) && $(HEADLESS) $(XVFB) ./gamebench

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

web: build
	JOBS=$(JOBS) WEB_BUILD=$(abspath $(WEB)) tools/web/build_web.sh $(abspath $(BUILD))

serve-web: web
	@echo "Wedgewise in a browser: http://127.0.0.1:$(WEB_PORT)/  (Ctrl+C stops the server)"
	python3 -m http.server --bind 127.0.0.1 --directory $(WEB)/site $(WEB_PORT)

# The browser tests: Debian's chromium, headless, driven from Node; the
# desktop build makes the pictures they compare with.
test-web: web
	WEB_BUILD=$(abspath $(WEB)) BUILD=$(abspath $(BUILD)) tests/web/run.sh test

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

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz $(WEB) $(GLP_BUILD)
