#!/bin/bash
# Builds the browser edition: build-web/site/ is a static folder that any web
# server can serve (index.html, the program's .js and .wasm, the two media
# containers, fetched by the page at start).
#
# Usage: tools/web/build_web.sh [folder holding media.gfx and media.aud]
#
# Steps, each skipped when its result is already there:
#   1. Debian's emscripten and the tools that unpack Debian source packages.
#   2. The source packages of the libraries the desktop build links (SDL2,
#      SDL2_mixer, libpng, zlib, LZO), at the versions installed for it,
#      fetched through an apt set-up of our own under build-web/apt: the
#      system's apt configuration and state stay as they are.
#   3. Those libraries built with emcc into build-web/prefix.
#   4. The game built with emcmake into build-web/game; the site assembled.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WEB=${WEB_BUILD:-$ROOT/build-web}
MEDIA=$(cd "${1:-$ROOT/build}" && pwd)
JOBS=${JOBS:-2}
PREFIX=$WEB/prefix
SOURCES=$WEB/sources
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)
# emcc runs on node; a node other than Debian's must still find Debian's acorn.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

say() { echo "web: $*"; }

# ---------------------------------------------------------------- 1. tools

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing ${missing[*]}"
    # apt is shared: wait for a lock held by someone else rather than fail.
    $SUDO apt-get -o DPkg::Lock::Timeout=1200 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=1200 install -y -qq \
        --no-install-recommends "${missing[@]}"
}

install_packages emscripten dpkg-dev cmake make python3 pkg-config

# ---------------------------------------------------------------- 2. sources

# The deb-src lines for our fetches, made from the system's own entries for
# its release (and that release's updates and security suites): the same
# archives, the same signing keys.
private_sources() {
    python3 - "$1" <<'PY'
import glob, re, sys
suite = sys.argv[1]
found = []
def ours(name):
    return name == suite or name.startswith(suite + "-")
def add(uri, name, signed):
    opts = f"[signed-by={signed}] " if signed and signed.startswith("/") else ""
    line = f"deb-src {opts}{uri} {name} main"
    if line not in found:
        found.append(line)
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in open(path, encoding="utf-8", errors="replace").read().split("\n\n"):
        fields, key = {}, None
        for line in stanza.splitlines():
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            if line[0] in " \t" and key:
                fields[key] += " " + line.strip()
                continue
            key, _, value = line.partition(":")
            key = key.strip().lower()
            fields[key] = value.strip()
        if fields.get("enabled", "yes").lower() == "no":
            continue
        if "deb" not in fields.get("types", "").split() or "main" not in fields.get("components", "").split():
            continue
        signed = fields.get("signed-by", "").split()[0] if fields.get("signed-by") else ""
        for name in fields.get("suites", "").split():
            if ours(name):
                for uri in fields.get("uris", "").split():
                    add(uri, name, signed)
for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path, encoding="utf-8", errors="replace").read().splitlines()
    except OSError:
        continue
    for line in lines:
        line = line.split("#")[0].strip()
        m = re.match(r"deb\s+(\[([^\]]*)\]\s+)?(\S+)\s+(\S+)\s+(.*)", line)
        if m and ours(m.group(4)) and "main" in m.group(5).split():
            signed = re.search(r"signed-by=(\S+)", m.group(2) or "")
            add(m.group(3), m.group(4), signed.group(1) if signed else "")
if not found:
    sys.exit(f"no apt entry for {suite} main found")
print("\n".join(found))
PY
}

APT_DIR=$WEB/apt
APT=(apt-get -q -o Dir::Etc::SourceList="$APT_DIR/sources.list" -o Dir::Etc::SourceParts="$APT_DIR/sources.list.d"
     -o Dir::State::Lists="$APT_DIR/lists" -o Dir::Cache="$APT_DIR/cache" -o Acquire::Languages=none
     -o APT::Sandbox::User=root)

apt_ready=0
prepare_apt() {
    [ $apt_ready = 1 ] && return 0
    local suite
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mkdir -p "$APT_DIR/lists/partial" "$APT_DIR/cache/archives/partial" "$APT_DIR/sources.list.d"
    private_sources "$suite" > "$APT_DIR/sources.list"
    say "source index for $suite"
    "${APT[@]}" update -qq
    apt_ready=1
}

# The source package and version behind an installed binary package.
source_of() { dpkg-query -W -f='${source:Package} ${source:Version}\n' "$1"; }

APT_CACHE=(apt-cache -o Dir::Etc::SourceList="$APT_DIR/sources.list" -o Dir::Etc::SourceParts="$APT_DIR/sources.list.d"
           -o Dir::State::Lists="$APT_DIR/lists" -o Dir::Cache="$APT_DIR/cache")

# The versions worth fetching, best first: the installed one, then (once
# the archive has moved on to newer Debian revisions of it, as with security
# updates) the other revisions of the same upstream version, newest first.
candidate_versions() {
    local package=$1 wanted=$2 v
    prepare_apt >&2
    {
        for v in $("${APT_CACHE[@]}" showsrc "$package" | sed -n 's/^Version: //p'); do
            [ "$v" = "$wanted" ] && echo "1 $v"
            [ "$v" != "$wanted" ] && [ "${v%-*}" = "${wanted%-*}" ] && echo "2 $v"
        done
    } | sort -u -k1,1n -k2,2Vr | cut -d' ' -f2
}

# Unpacks a source package (with Debian's patches applied) into
# $SOURCES/<package>-<version>; echoes that folder. Fails when no
# candidate version can be fetched.
fetch_source() {
    local package=$1 wanted=$2 version dir chosen=$SOURCES/.chosen-$1-${2#*:}
    # Unpacked before: no source index needed.
    if [ -f "$chosen" ] && [ -f "$(cat "$chosen")/.unpacked" ]; then
        cat "$chosen"
        return 0
    fi
    for version in $(candidate_versions "$package" "$wanted"); do
        dir=$SOURCES/$package-${version#*:}
        if [ -f "$dir/.unpacked" ]; then
            echo "$dir" > "$chosen"
            echo "$dir"
            return 0
        fi
        mkdir -p "$SOURCES/download"
        if ! (cd "$SOURCES/download" && "${APT[@]}" source --download-only "$package=$version" >&2); then
            echo "web: $package $version could not be fetched; trying the next revision" >&2
            continue
        fi
        [ "$version" = "$wanted" ] || echo "web: $package $wanted is no longer in the archive; using $version" >&2
        rm -rf "$dir"
        dpkg-source -x "$SOURCES/download/${package}_${version#*:}.dsc" "$dir" >&2
        touch "$dir/.unpacked"
        echo "$dir" > "$chosen"
        echo "$dir"
        return 0
    done
    echo "web: no source of $package $wanted could be fetched" >&2
    return 1
}

# Desktop packages whose libraries the browser edition builds anew.
SDL=$(source_of libsdl2-dev)
MIXER=$(source_of libsdl2-mixer-dev)
PNG=$(source_of libpng-dev)
ZLIB=$(source_of zlib1g-dev)
LZO=$(source_of liblzo2-dev)

# ---------------------------------------------------------------- 3. libraries

mkdir -p "$PREFIX/lib" "$PREFIX/include"
LIB_FLAGS=(-O2)

built() { [ -f "$PREFIX/.built-emcc-$1" ]; }
mark_built() { touch "$PREFIX/.built-emcc-$1"; }

# Compiles C files with emcc, $JOBS at a time, into one archive: no
# configure step (under emcc its checks take longer than the compiling).
# Usage: emcc_archive NAME LIBRARY FLAG... -- FILE...
emcc_archive() {
    local name=$1 library=$2 obj=$WEB/lib-build/$1
    shift 2
    local flags=()
    while [ "$1" != "--" ]; do flags+=("$1"); shift; done
    shift
    rm -rf "$obj" && mkdir -p "$obj"
    # Object names keep the source's folder, so a.c in two folders stays two objects.
    printf '%s\n' "$@" | xargs -P "$JOBS" -I{} sh -c \
        'o="$0/$(echo "$1" | tr / _ ).o"; shift 2; emcc "$@" -c "{}" -o "$o"' \
        "$obj" "{}" _ "${LIB_FLAGS[@]}" "${flags[@]}"
    rm -f "$PREFIX/lib/$library"
    emar rcs "$PREFIX/lib/$library" "$obj"/*.o
}

build_zlib() {
    local src=$1 files=() f
    for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast \
             inflate inftrees trees uncompr zutil; do files+=("$src/$f.c"); done
    emcc_archive zlib libz.a -DZ_HAVE_UNISTD_H -I"$src" -- "${files[@]}"
    cp "$src/zlib.h" "$src/zconf.h" "$PREFIX/include/"
}

build_png() {
    local src=$1 obj=$WEB/lib-build/png-config files=() f
    mkdir -p "$obj"
    cp "$src/scripts/pnglibconf.h.prebuilt" "$obj/pnglibconf.h"
    for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset \
             pngtrans pngwio pngwrite pngwtran pngwutil; do files+=("$src/$f.c"); done
    emcc_archive png libpng16.a -DPNG_ARM_NEON_OPT=0 -DPNG_INTEL_SSE_OPT=0 -DPNG_MIPS_MSA_OPT=0 \
        -DPNG_POWERPC_VSX_OPT=0 -I"$obj" -I"$src" -I"$PREFIX/include" -- "${files[@]}"
    cp "$src/png.h" "$src/pngconf.h" "$obj/pnglibconf.h" "$PREFIX/include/"
}

build_lzo() {
    local src=$1
    emcc_archive lzo liblzo2.a -I"$src/include" -I"$src/src" -- "$src"/src/*.c
    mkdir -p "$PREFIX/include/lzo"
    cp "$src"/include/lzo/*.h "$PREFIX/include/lzo/"
}

# SDL2 from its sources with its own SDL_config_emscripten.h (include/SDL_config.h
# picks it for emcc): the generic parts, and of the back ends only the
# browser's video, audio, joystick, power and file-system drivers, the Unix
# timer, the thread-less generic threads and the dummies the config names.
build_sdl() {
    local src=$1/src files=() d
    for d in "" atomic audio cpuinfo dynapi events file haptic joystick libm locale misc power render \
             render/opengles2 render/software sensor stdlib thread timer video video/yuv2rgb \
             audio/emscripten audio/disk audio/dummy joystick/emscripten joystick/virtual haptic/dummy \
             sensor/dummy power/emscripten filesystem/emscripten timer/unix thread/generic loadso/dlopen \
             video/emscripten locale/emscripten misc/emscripten hidapi; do
        files+=("$src/${d:+$d/}"*.c)
    done
    emcc_archive sdl2 libSDL2.a -I"$1/include" -I"$src" -- "${files[@]}"
    mkdir -p "$PREFIX/include/SDL2"
    cp "$1"/include/*.h "$PREFIX/include/SDL2/"
}

# SDL2_mixer for WAV and MP3 only, MP3 with its built-in decoder (dr_mp3,
# header-only: Debian's source strips only the bundled libraries of external/).
build_mixer() {
    local src=$1
    if [ ! -f "$src/src/codecs/dr_libs/dr_mp3.h" ]; then
        echo "web: this SDL2_mixer source has no built-in MP3 decoder (dr_mp3)" >&2
        exit 1
    fi
    emcc_archive sdl2_mixer libSDL2_mixer.a -DMUSIC_WAV -DMUSIC_MP3_DRMP3 -I"$src/include" -I"$src/src" \
        -I"$src/src/codecs" -I"$PREFIX/include/SDL2" -- "$src"/src/*.c "$src"/src/codecs/*.c
    cp "$src/include/SDL_mixer.h" "$PREFIX/include/SDL2/"
}

mkdir -p "$WEB/lib-build"
# One source index for all the fetches (fetch_source runs in a subshell,
# where prepare_apt's flag would not last).
for library in "$ZLIB" "$PNG" "$LZO" "$SDL" "$MIXER"; do
    read -r package version <<< "$library"
    built "$package-${version#*:}" || [ -f "$SOURCES/.chosen-$package-${version#*:}" ] || { prepare_apt; break; }
done
for library in "zlib:$ZLIB" "png:$PNG" "lzo:$LZO" "sdl:$SDL" "mixer:$MIXER"; do
    kind=${library%%:*}
    read -r package version <<< "${library#*:}"
    tag="$package-${version#*:}"
    built "$tag" && continue
    src=$(fetch_source "$package" "$version") || exit 1
    say "building ${src##*/} with emcc"
    "build_$kind" "$src"
    mark_built "$tag"
done

# ---------------------------------------------------------------- 4. game and site

GAME=$WEB/game
if [ ! -f "$GAME/CMakeCache.txt" ]; then
    emcmake cmake -S "$ROOT/tools/web" -B "$GAME" -DCMAKE_BUILD_TYPE=Release -DWEB_PREFIX="$PREFIX"
fi
cmake --build "$GAME" -j"$JOBS"

SITE=$WEB/site
rm -rf "$SITE.new" && mkdir -p "$SITE.new"
cp "$GAME/wedgewise.js" "$GAME/wedgewise.wasm" "$SITE.new/"
cp "$ROOT"/runtime/web/page/* "$SITE.new/"
for container in media.gfx media.aud; do
    if [ ! -f "$MEDIA/$container" ]; then
        echo "web: $MEDIA/$container is missing (build the desktop game first)" >&2
        exit 1
    fi
    cp "$MEDIA/$container" "$SITE.new/"
done
# The game's icon for the tab, the home screen and the manifest.
for size in 32 64 256 512; do
    cp "$MEDIA/media/wedgewise-$size.png" "$SITE.new/icon-$size.png" 2>/dev/null ||
        cp "$MEDIA/wedgewise-$size.png" "$SITE.new/icon-$size.png"
done

# Program, media, script and style named by their content: a cached old file
# can never meet a new one, and servers may cache them for ever.
files_json="" files_list=""
for f in wedgewise.js wedgewise.wasm media.gfx media.aud wedgewise-page.js wedgewise.css; do
    hash=$(sha256sum "$SITE.new/$f" | cut -c1-12)
    versioned="${f%.*}.$hash.${f##*.}"
    mv "$SITE.new/$f" "$SITE.new/$versioned"
    files_json="$files_json${files_json:+, }\"$f\": \"$versioned\""
    files_list="$files_list${files_list:+, }'$versioned'"
    sed -i "s|\"$f\"|\"$versioned\"|" "$SITE.new/index.html"
done
sed -i "s|<!-- FILES -->|<script>window.wedgewiseFiles = {$files_json};</script>|" "$SITE.new/index.html"
version=$(sha256sum "$SITE.new/index.html" | cut -c1-12)
sed -i -e "s|@VERSION@|$version|" \
    -e "s|@FILES@|$files_list, 'manifest.webmanifest', 'icon-32.png', 'icon-64.png', 'icon-256.png', 'icon-512.png'|" \
    "$SITE.new/service-worker.js"
rm -rf "$SITE" && mv "$SITE.new" "$SITE"
say "site ready in $SITE ($(du -sk "$SITE" | cut -f1) kB)"
