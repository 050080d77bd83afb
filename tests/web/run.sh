#!/bin/bash
# The browser tests and figures of the web edition.
#
# Usage: tests/web/run.sh test|bench   (WEB_BUILD and BUILD name the web and
# desktop build folders; make test-web and make bench-web set them).
#
# Installs Debian's chromium and the pinned test driver from npm (no browser
# is downloaded), has the desktop build draw the reference pictures, then
# runs the Node script against the site in WEB_BUILD/site.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
WEB=${WEB_BUILD:-$ROOT/build-web}
DESKTOP=${BUILD:-$ROOT/build}
MODE=${1:-test}
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)

missing=()
for p in chromium xvfb xauth nodejs npm; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# A node from elsewhere (with its own npm) will do as well as Debian's.
if command -v node > /dev/null && command -v npm > /dev/null; then
    missing=("${missing[@]/nodejs/}")
    missing=("${missing[@]/npm/}")
fi
read -r -a missing <<< "${missing[*]}"
if [ ${#missing[@]} -gt 0 ]; then
    echo "web tests: installing ${missing[*]}"
    $SUDO apt-get -o DPkg::Lock::Timeout=1200 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=1200 install -y -qq \
        --no-install-recommends "${missing[@]}"
fi

# The driver, as pinned by package-lock.json; puppeteer-core downloads nothing.
DRIVER=$WEB/test-driver
mkdir -p "$DRIVER"
if ! cmp -s "$HERE/package-lock.json" "$DRIVER/package-lock.json" || [ ! -d "$DRIVER/node_modules" ]; then
    cp "$HERE/package.json" "$HERE/package-lock.json" "$DRIVER/"
    (cd "$DRIVER" && npm ci --no-audit --no-fund --loglevel=error)
fi

# The desktop build's pictures of the scenes the browser is held on.
REFERENCE=$WEB/reference
rm -rf "$REFERENCE"
(cd "$DESKTOP" && LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy WEDGEWISE_AUTOMATED=1 \
    xvfb-run -a -s "-screen 0 1024x768x24" ./webref "$REFERENCE" > /dev/null)

# The scripts run beside their node_modules, where imports resolve.
cp "$HERE"/*.mjs "$DRIVER/"
export WEDGEWISE_SITE=$WEB/site WEDGEWISE_REFERENCE=$REFERENCE WEDGEWISE_OUT=$WEB/test-output
export CHROMIUM=${CHROMIUM:-/usr/bin/chromium}
mkdir -p "$WEDGEWISE_OUT"
case "$MODE" in
    test) exec node --test --test-concurrency=1 "$DRIVER/browser.test.mjs" "$DRIVER/touch.test.mjs" \
                    "$DRIVER/trust.test.mjs" ;;
    bench) exec node "$DRIVER/bench.mjs" ;;
    *) echo "usage: $0 test|bench" >&2; exit 2 ;;
esac
