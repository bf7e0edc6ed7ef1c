#!/usr/bin/env bash
# Builds Veldane for 64-bit Windows on Debian 12 and gathers the package a
# player downloads:
#
#   build-windows.sh              libraries (once), Veldane, dist/veldane-<version>-win64/ and .zip
#   build-windows.sh --libraries  only the libraries, into the cache
#
# Debian ships the MinGW-w64 compilers but no Windows build of Qt, SQLite, xz,
# libarchive or xxHash, so they are built here from Debian's own source
# packages, once, into a cache outside the checkout:
#   ${VELDANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veldane-windows}
# Every library lands in a folder named after its version and the versions it
# was built against, with a stamp written last; a stage whose stamp exists is
# skipped, so a run that was stopped resumes at the stage it was in, and a new
# version builds afresh beside the old one. Long stages run under nice so that
# an interactive build on the same machine keeps priority.
set -euo pipefail

top="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VELDANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veldane-windows}"
jobs="${VELDANE_WINDOWS_JOBS:-$(nproc)}"
triplet=x86_64-w64-mingw32

# Upstream versions of Debian 12's source packages. The revision suffix counts
# changes of the recipes below: raising it rebuilds that library.
sqlite_version=3.40.1
xz_version=5.4.1
archive_version=3.6.2
xxhash_version=0.8.1
qt_version=5.15.8
sqlite_key="sqlite-$sqlite_version-r1"
xz_key="xz-$xz_version-r1"
archive_key="libarchive-$archive_version-$xz_key-r2"
xxhash_key="xxhash-$xxhash_version-r1"
qt_key="qtbase-$qt_version-$sqlite_key-r1"

nice_run=(nice -n "${VELDANE_WINDOWS_NICE:-10}")
stage_times=()
version="" # Veldane's, read from CMakeLists.txt by gather_package

say() { echo "build-windows: $*"; }
fail() {
    echo "build-windows: $*" >&2
    exit 1
}

# Runs one stage unless its stamp exists, logging to the cache and timing it.
# A failed stage prints the end of its log and leaves no stamp.
stage() { # name, stamp file, function
    local name="$1" stamp="$2" fn="$3" log="$cache/logs/$1.log" started=$SECONDS
    if [ -f "$stamp" ]; then
        say "$name: cached"
        stage_times+=("$name: cached")
        return
    fi
    say "$name: building (log: $log)"
    mkdir -p "$cache/logs"
    # In the background, so that errexit holds inside the stage: bash ignores it
    # in anything run as the condition of an if.
    ("$fn") >"$log" 2>&1 &
    if ! wait $!; then
        tail -n 60 "$log" >&2
        fail "$name failed after $(minutes $((SECONDS - started))); full log: $log"
    fi
    touch "$stamp"
    stage_times+=("$name: $(minutes $((SECONDS - started)))")
    say "$name: done in $(minutes $((SECONDS - started)))"
}

minutes() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

# The compilers under their plain triplet names, pointing at the posix-threads
# variant whatever the alternatives system says: Qt's CROSS_COMPILE and the
# autoconf builds take the names from here.
tools_stage() {
    local tools="$cache/tools" tool
    mkdir -p "$tools"
    ln -sfn "/usr/bin/$triplet-gcc-posix" "$tools/$triplet-gcc"
    ln -sfn "/usr/bin/$triplet-g++-posix" "$tools/$triplet-g++"
    for tool in ar ranlib nm strip objcopy objdump windres dlltool ld; do
        ln -sfn "/usr/bin/$triplet-$tool" "$tools/$triplet-$tool"
    done
}

check_host() {
    local missing=() program
    for program in "$triplet-g++-posix" "$triplet-gcc-posix" "$triplet-windres" tclsh make cmake zip; do
        command -v "$program" >/dev/null || missing+=("$program")
    done
    [ -f "/usr/$triplet/lib/libz.a" ] || missing+=("libz-mingw-w64-dev")
    [ ${#missing[@]} -eq 0 ] || fail "missing: ${missing[*]}; run: bash scripts/install-deps.sh windows"
}

# --- Debian's source packages ------------------------------------------------

sources_ready() { # package, upstream version
    compgen -G "$cache/sources/$1/*-$2*/" >/dev/null
}

# apt only offers source packages once the source lines are switched on; the
# Debian 12 default list is deb822, where that is "Types: deb deb-src".
enable_deb_src() {
    if apt-cache showsrc sqlite3 2>/dev/null | grep -q '^Package:'; then
        return
    fi
    local list=/etc/apt/sources.list.d/debian.sources sudo=()
    [ -f "$list" ] || fail "no source lines for apt and no $list to add them to"
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    say "enabling source packages in $list"
    "${sudo[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' "$list"
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
}

fetch_sources() {
    local package version need=()
    for package in sqlite3:$sqlite_version xz-utils:$xz_version libarchive:$archive_version \
        xxhash:$xxhash_version qtbase-opensource-src:$qt_version; do
        sources_ready "${package%%:*}" "${package#*:}" || need+=("$package")
    done
    [ ${#need[@]} -eq 0 ] && return
    command -v dpkg-source >/dev/null || fail "dpkg-source is missing; run: bash scripts/install-deps.sh windows"
    enable_deb_src
    for package in "${need[@]}"; do
        version="${package#*:}"
        package="${package%%:*}"
        say "fetching Debian's source of $package"
        rm -rf "$cache/sources/$package.partial"
        mkdir -p "$cache/sources/$package.partial"
        (cd "$cache/sources/$package.partial" && apt-get source -q "$package" >"$cache/logs/source-$package.log" 2>&1) ||
            fail "apt-get source $package failed; see $cache/logs/source-$package.log"
        rm -rf "$cache/sources/$package"
        mv "$cache/sources/$package.partial" "$cache/sources/$package"
        sources_ready "$package" "$version" ||
            fail "Debian's $package is not version $version any more; update the versions in $0"
    done
}

source_dir() { # package, upstream version
    local found
    found="$(compgen -G "$cache/sources/$1/*-$2*/" | head -n 1)"
    echo "${found%/}"
}

fresh_build_dir() {
    rm -rf "$cache/build/$1"
    mkdir -p "$cache/build/$1"
    echo "$cache/build/$1"
}

# --- the libraries ---------------------------------------------------------------

# SQLite's source tree makes the single-file amalgamation with tclsh on this
# machine; that file is then compiled once for Windows into a static library,
# with the options Qt's own copy of SQLite uses.
build_sqlite() {
    local src build prefix="$cache/$sqlite_key"
    src="$(source_dir sqlite3 $sqlite_version)"
    build="$(fresh_build_dir "$sqlite_key")"
    cd "$build"
    "$src/configure" --disable-tcl --disable-readline
    "${nice_run[@]}" make sqlite3.c
    rm -rf "$prefix" && mkdir -p "$prefix/include" "$prefix/lib"
    "${nice_run[@]}" "$cache/tools/$triplet-gcc" -O2 -DNDEBUG -DSQLITE_THREADSAFE=1 \
        -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS \
        -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE -c sqlite3.c -o sqlite3.o
    "$cache/tools/$triplet-ar" rcs "$prefix/lib/libsqlite3.a" sqlite3.o
    cp sqlite3.h sqlite3ext.h "$prefix/include/"
}

autoconf_build() { # key, source folder, configure arguments...
    local key="$1" src="$2" build
    shift 2
    build="$(fresh_build_dir "$key")"
    rm -rf "${cache:?}/${key:?}"
    cd "$build"
    PATH="$cache/tools:$PATH" "$src/configure" --host=$triplet --prefix="$cache/$key" \
        --disable-shared --enable-static "$@"
    PATH="$cache/tools:$PATH" "${nice_run[@]}" make -j"$jobs"
    PATH="$cache/tools:$PATH" make install
}

build_xz() {
    autoconf_build "$xz_key" "$(source_dir xz-utils $xz_version)" \
        --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo --disable-lzma-links \
        --disable-scripts --disable-doc --disable-nls
}

# zip, 7z (LZMA, LZMA2 through liblzma) and rar; names in zips are converted
# with Windows' own code pages, so no iconv. Crypto comes from Windows (CNG).
# CMake rather than autoconf: Debian's patches touch configure.ac, which would
# need automake here. Only the static library is built and installed.
build_libarchive() {
    local src build xz="$cache/$xz_key" prefix="$cache/$archive_key" option options=()
    src="$(source_dir libarchive $archive_version)"
    build="$(fresh_build_dir "$archive_key")"
    rm -rf "$prefix"
    for option in MBEDTLS NETTLE OPENSSL LIBB2 LZ4 LZO ZSTD BZip2 LIBXML2 EXPAT PCREPOSIX LIBGCC \
        TAR CPIO CAT XATTR ACL ICONV TEST INSTALL; do
        options+=("-DENABLE_$option=OFF")
    done
    "${nice_run[@]}" cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$xz" -DCMAKE_PREFIX_PATH="$xz" \
        -DCMAKE_C_FLAGS="-DLZMA_API_STATIC" -DENABLE_LZMA=ON -DENABLE_ZLIB=ON -DENABLE_CNG=ON \
        -DPOSIX_REGEX_LIB=NONE "${options[@]}"
    "${nice_run[@]}" cmake --build "$build" --target archive_static -j"$jobs"
    mkdir -p "$prefix/include" "$prefix/lib"
    cp "$src/libarchive/archive.h" "$src/libarchive/archive_entry.h" "$prefix/include/"
    cp "$build/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
}

# xxHash's own CMake build installs the package file that Veldane's build looks
# for, so the cross build never falls back to this machine's pkg-config file.
build_xxhash() {
    local src build
    src="$(source_dir xxhash $xxhash_version)"
    build="$(fresh_build_dir "$xxhash_key")"
    rm -rf "${cache:?}/${xxhash_key:?}"
    "${nice_run[@]}" cmake -S "$src/cmake_unofficial" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$cache/$xxhash_key" -DBUILD_SHARED_LIBS=OFF -DXXHASH_BUILD_XXHSUM=OFF
    "${nice_run[@]}" cmake --build "$build" -j"$jobs"
    cmake --install "$build"
}

# Only qtbase: Core, Gui, Widgets, Sql, Xml, Test and the platform plugins.
# Debian's repack drops Qt's copy of SQLite and the Wintab headers, hence the
# SQLite built above and no tablet events. Network, printing, Qt Concurrent
# and JPEG are left out: Veldane uses none of them, and they are a sixth of
# the build.
build_qt() {
    local src build sqlite="$cache/$sqlite_key" prefix="$cache/$qt_key"
    src="$(source_dir qtbase-opensource-src $qt_version)"
    build="$(fresh_build_dir "$qt_key")"
    rm -rf "$prefix"
    cd "$build"
    "${nice_run[@]}" "$src/configure" -xplatform win32-g++ -device-option CROSS_COMPILE="$cache/tools/$triplet-" \
        -platform linux-g++ -prefix "$prefix" -release -opensource -confirm-license \
        -nomake examples -nomake tests -no-pkg-config -no-dbus -no-icu -no-opengl -no-feature-tabletevent \
        -no-feature-network -no-feature-printer -no-feature-concurrent \
        -qt-zlib -qt-libpng -no-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz \
        -no-sql-odbc -no-sql-psql -no-sql-mysql -sql-sqlite -system-sqlite \
        -I "$sqlite/include" -L "$sqlite/lib"
    "${nice_run[@]}" make -j"$jobs"
    make install
    # The build folder is several gigabytes and never needed again.
    cd "$cache" && rm -rf "$build"
}

build_libraries() {
    mkdir -p "$cache/logs" "$cache/sources" "$cache/build"
    "$top/scripts/install-deps.sh" windows || fail "installing the packages failed"
    check_host
    tools_stage
    local started=$SECONDS
    fetch_sources
    stage_times+=("sources: $(minutes $((SECONDS - started)))")
    stage sqlite "$cache/$sqlite_key/.built" build_sqlite
    stage xz "$cache/$xz_key/.built" build_xz
    stage libarchive "$cache/$archive_key/.built" build_libarchive
    stage xxhash "$cache/$xxhash_key/.built" build_xxhash
    stage qtbase "$cache/$qt_key/.built" build_qt
}

prefixes() {
    echo "$cache/$qt_key;$cache/$sqlite_key;$cache/$xz_key;$cache/$archive_key;$cache/$xxhash_key"
}

# Both programs and the tests, Release, with the toolchain file of this
# checkout. Translations are compiled by this machine's lrelease: a .qm is the
# same file on every platform, and the Windows Qt built above has no Linguist.
build_veldane() {
    local build="$top/build-windows" started=$SECONDS launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    say "veldane: configuring $build"
    cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$(prefixes)" -DCMAKE_PREFIX_PATH="$(prefixes)" \
        -DQt5_DIR="$cache/$qt_key/lib/cmake/Qt5" \
        -DQt5LinguistTools_DIR=/usr/lib/x86_64-linux-gnu/cmake/Qt5LinguistTools \
        -DVELDANE_BUILD_BENCH=OFF -DVELDANE_WERROR=ON "${launcher[@]}" >"$cache/logs/veldane-configure.log" 2>&1 || {
        cat "$cache/logs/veldane-configure.log" >&2
        fail "configuring the Windows build failed"
    }
    grep 'Not built for Windows' "$cache/logs/veldane-configure.log" || true
    say "veldane: building"
    # Going on past a failure shows every file that does not build at once.
    "${nice_run[@]}" cmake --build "$build" -j"$jobs" -- -k || fail "the Windows build failed"
    stage_times+=("veldane: $(minutes $((SECONDS - started)))")
}

# Finds the DLLs a Windows program or DLL loads, outside Windows itself, and
# copies each (and what it loads in turn) into the package folder.
gather_dlls() { # package folder
    local dist="$1" queue=() file dll found folder
    mapfile -t queue < <(find "$dist" -name '*.exe' -o -name '*.dll')
    while [ ${#queue[@]} -gt 0 ]; do
        file="${queue[0]}"
        queue=("${queue[@]:1}")
        while read -r dll; do
            [ -e "$dist/$dll" ] && continue
            found=""
            for folder in "$cache/$qt_key/bin" "/usr/lib/gcc/$triplet/12-posix" "/usr/$triplet/lib" "/usr/$triplet/bin"; do
                if [ -f "$folder/$dll" ]; then
                    found="$folder/$dll"
                    break
                fi
            done
            if [ -n "$found" ]; then
                cp "$found" "$dist/"
                queue+=("$dist/$dll")
            elif [[ "$dll" =~ ^(Qt5|lib|zlib|sqlite) ]]; then
                fail "$(basename "$file") loads $dll, which was not found"
            fi
        done < <("$triplet-objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
    done
}

# dist/veldane-<version>-win64/ and its zip: the programs, every DLL they load,
# the Qt plugins Windows needs (platform, style, SQLite), Qt's own Chinese
# texts, and a qt.conf that keeps Qt's lookups inside the folder. Built beside
# the old package and swapped in at the end.
gather_package() {
    local name dist staging build="$top/build-windows" qt="$cache/$qt_key" started=$SECONDS
    version="$(sed -n 's/^project(Veldane VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")"
    [ -n "$version" ] || fail "no version found in CMakeLists.txt"
    name="veldane-$version-win64"
    dist="$top/dist/$name"
    staging="$top/dist/.$name.partial"
    rm -rf "$staging"
    mkdir -p "$staging/platforms" "$staging/styles" "$staging/sqldrivers" "$staging/translations"
    cp "$build/veldane.exe" "$build/veldane-cli.exe" "$staging/"
    cp "$qt/plugins/platforms/qwindows.dll" "$staging/platforms/"
    cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$staging/styles/"
    cp "$qt/plugins/sqldrivers/qsqlite.dll" "$staging/sqldrivers/"
    cp /usr/share/qt5/translations/qtbase_zh_CN.qm "$staging/translations/"
    printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$staging/qt.conf"
    gather_dlls "$staging"
    find "$staging" \( -name '*.exe' -o -name '*.dll' \) -exec "$triplet-strip" --strip-unneeded {} +
    rm -rf "$dist" "$top/dist/$name.zip"
    mv "$staging" "$dist"
    (cd "$top/dist" && zip -qr -X "$name.zip.partial" "$name" && mv "$name.zip.partial" "$name.zip")
    stage_times+=("package: $(minutes $((SECONDS - started)))")
    say "package: $dist ($(find "$dist" -type f | wc -l) files) and $dist.zip"
    make_installer "$dist" "$name"
}

# The NSIS installer beside the zip, when makensis is there. Its uninstaller
# deletes the installed files one by one, from a list made here, so that the
# user's own files in the installation folder are never touched.
make_installer() { # package folder, package name
    local dist="$1" name="$2" files="$cache/build/uninstall-files.nsh" started=$SECONDS
    if ! command -v makensis >/dev/null; then
        say "installer: makensis is missing, no installer made"
        return
    fi
    (
        cd "$dist"
        find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|^|    Delete "$INSTDIR\\|; s|$|"|'
        find . -mindepth 1 -type d | LC_ALL=C sort -r | sed 's|^\./||; s|/|\\|g; s|^|    RMDir "$INSTDIR\\|; s|$|"|'
    ) >"$files"
    rm -f "$top/dist/$name-setup.exe"
    makensis -V2 -DVERSION="$version" -DSOURCE="$dist" -DFILES="$files" -DICON="$top/resources/veldane.ico" \
        -DOUTFILE="$top/dist/$name-setup.exe.partial" "$top/resources/veldane.nsi" ||
        fail "makensis failed"
    mv "$top/dist/$name-setup.exe.partial" "$top/dist/$name-setup.exe"
    stage_times+=("installer: $(minutes $((SECONDS - started)))")
    say "installer: $top/dist/$name-setup.exe"
}

print_times() {
    local line
    say "stage times:"
    for line in "${stage_times[@]}"; do
        echo "  $line"
    done
    say "total: $(minutes $SECONDS)"
}

main() {
    case "${1:-}" in
    --libraries)
        build_libraries
        print_times
        ;;
    "")
        build_libraries
        build_veldane
        gather_package
        print_times
        ;;
    *) fail "usage: $0 [--libraries]" ;;
    esac
}

# The whole file is read before anything runs, so editing it during a long
# build cannot change the running build.
main "$@"; exit
