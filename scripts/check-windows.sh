#!/usr/bin/env bash
# Compiles every source of the program for Windows in syntax-only mode, with the
# MinGW-w64 cross compiler against the Qt 5 headers of this machine, so that
# _WIN32 is defined and every Q_OS_WIN branch is compiled. Nothing is linked or run.
#
#   check-windows.sh <Linux build folder>
#
# The build folder gives the headers that uic and moc generated for the Linux build
# and the preprocessor definitions that CMake passes to the core library. Prints
# each file that fails, with the compiler's messages, and exits non-zero when any
# does. Warnings in our own code count as failures: the Windows build compiles
# with -Wall -Wextra as well. Qt's headers are system headers here, which keeps
# their dllimport warnings out of the output.
set -uo pipefail

top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-}"
compiler=x86_64-w64-mingw32-g++-posix
qt_headers=/usr/include/x86_64-linux-gnu/qt5
qt_mkspec=/usr/lib/x86_64-linux-gnu/qt5/mkspecs/win32-g++

if [ -z "$build" ]; then
    echo "usage: $0 <Linux build folder>" >&2
    exit 2
fi
build="$(cd "$build" 2>/dev/null && pwd)" || {
    echo "check-windows: build folder $1 not found" >&2
    exit 2
}
# The generated headers must come from this checkout's own forms and classes.
configured="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt" 2>/dev/null)"
if [ -n "$configured" ] && [ "$(cd "$configured" 2>/dev/null && pwd -P)" != "$(cd "$top" && pwd -P)" ]; then
    echo "check-windows: $build was configured for $configured, not for $top" >&2
    exit 2
fi
autogen="$build/veldane_core_autogen"
if [ ! -d "$autogen/include" ]; then
    echo "check-windows: $autogen/include is missing; build veldane_core first" >&2
    exit 2
fi
if ! command -v "$compiler" >/dev/null; then
    echo "check-windows: $compiler is missing; run scripts/install-deps.sh test" >&2
    exit 2
fi
if [ ! -d "$qt_headers/QtCore" ]; then
    echo "check-windows: Qt 5 headers not found below $qt_headers" >&2
    exit 2
fi

# The definitions of the Linux build, read from CMake's flags of the core library
# when the Makefile generator wrote them, so that a definition added to
# CMakeLists.txt reaches this check too.
defines=(-DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_XML_LIB -DQT_SQL_LIB
         -DQT_NO_CAST_FROM_BYTEARRAY)
flags_make="$build/CMakeFiles/veldane_core.dir/flags.make"
if [ -f "$flags_make" ]; then
    # make hands these to the shell, so CMake wrote them shell-quoted.
    found=()
    eval "found=($(sed -n 's/^CXX_DEFINES = //p' "$flags_make"))"
    if [ ${#found[@]} -gt 0 ]; then
        defines=("${found[@]}")
    fi
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# libarchive's and xxHash's headers live in /usr/include beside glibc's. Adding
# that whole folder would let glibc headers shadow MinGW's, so only their own
# headers are offered, through a folder of their own.
includes=(-I"$autogen/include" -I"$top/src")
# The windows' generated form headers come with the library of the windows.
[ -d "$build/veldane_gui_autogen/include" ] && includes+=(-I"$build/veldane_gui_autogen/include")
if grep -rqE '#[[:space:]]*include[[:space:]]*[<"]archive(_entry)?\.h[>"]' "$top/src"; then
    mkdir -p "$work/archive"
    ln -s /usr/include/archive.h /usr/include/archive_entry.h "$work/archive/"
    includes+=(-I"$work/archive")
fi
if grep -rqE '#[[:space:]]*include[[:space:]]*[<"]xxhash\.h[>"]' "$top/src"; then
    mkdir -p "$work/xxhash"
    ln -s /usr/include/xxhash.h "$work/xxhash/"
    includes+=(-I"$work/xxhash")
fi
for module in "" QtCore QtGui QtWidgets QtXml QtSql; do
    includes+=(-isystem "$qt_headers${module:+/$module}")
done
[ -d "$qt_mkspec" ] && includes+=(-isystem "$qt_mkspec")

common=(-fsyntax-only -std=c++17 -Wall -Wextra -Werror "${defines[@]}" "${includes[@]}")

# Every source of the libraries, the window and the command-line tool (src/cli),
# found afresh on every run, and moc's output for them. The platform layer, and
# any other file with Windows-only code, is compiled a second time with UNICODE,
# as qmake-based and many IDE builds set it, so that code which relies on the
# narrow or the wide Windows API being the default fails here.
mapfile -t sources < <(find "$top/src" -name '*.cpp' | sort)
if [ ${#sources[@]} -eq 0 ]; then
    echo "check-windows: no sources found below $top/src" >&2
    exit 2
fi
units="$work/units" # number, extra flags and source of each unit, NUL-separated
: >"$units"
count=0
add_unit() {
    count=$((count + 1))
    printf '%04d\0%s\0%s\0' "$count" "$1" "$2" >>"$units"
}
for source in "${sources[@]}"; do
    add_unit "" "$source"
    if [[ "$source" == "$top/src/platform/"* ]] || grep -qE 'Q_OS_WIN|_WIN32|windows\.h' "$source"; then
        add_unit "-DUNICODE -D_UNICODE" "$source"
    fi
done
for mocs in "$autogen/mocs_compilation.cpp" "$build/veldane_gui_autogen/mocs_compilation.cpp" \
    "$build/veldane_autogen/mocs_compilation.cpp" "$build/veldane-cli_autogen/mocs_compilation.cpp"; do
    [ -f "$mocs" ] && add_unit "" "$mocs"
done

compile_one() { # number, extra flags, source; keeps the messages of a failure
    local log="$work/$1" extra="$2" source="$3"
    # shellcheck disable=SC2086 # extra holds separate flags
    if ! "$compiler" "${common[@]}" $extra "$source" >"$log.log" 2>&1; then
        printf '%s\n%s\n' "$source" "$extra" >"$log.failed"
    fi
}
export -f compile_one
export compiler work COMMON_FLAGS
COMMON_FLAGS="$(printf '%q ' "${common[@]}")"

echo "check-windows: compiling $count units for Windows, each with:"
echo "  $compiler $COMMON_FLAGS<source>"
# shellcheck disable=SC2016 # expanded by the inner shell
xargs -0 -n 3 -P "${CHECK_JOBS:-$(nproc)}" \
    bash -c 'eval "common=($COMMON_FLAGS)"; compile_one "$@"' _ <"$units"

failed=0
for marker in "$work"/*.failed; do
    [ -e "$marker" ] || continue
    { read -r source; read -r extra; } <"$marker"
    echo "FAILED: ${source#"$top"/}${extra:+ (with $extra)}"
    sed 's/^/    /' "${marker%.failed}.log"
    failed=$((failed + 1))
done
if [ $failed -ne 0 ]; then
    echo "check-windows: $failed of $count units do not compile for Windows"
    exit 1
fi
echo "check-windows: all $count units compile for Windows"
