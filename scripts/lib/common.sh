# Shared by the scripts in scripts/: package installation and the build steps.
# Source it; it defines functions only.

# The Debian packages that building and testing need. One place, so that
# scripts/test and scripts/run can never disagree.
QUORVEL_BUILD_PACKAGES=(
    g++ make cmake pkg-config
    libgtest-dev
    qt6-base-dev      # the Qt 6 Widgets window backend and its test module
    fonts-liberation2 # Liberation Sans: the dialog font, with Arial's metrics
    libexpat1-dev     # reference parser of the XML tests only
)

# What scripts/bench needs on top: Google Benchmark, and the parsers ours is
# measured against. They link into the benchmark programs only, never into
# the product.
QUORVEL_BENCH_PACKAGES=(
    libbenchmark-dev
    libexpat1-dev
    libxml2-dev
    libpugixml-dev
)

# What scripts/package needs besides the build packages to make the .deb.
QUORVEL_PACKAGING_PACKAGES=(
    dpkg-dev # dpkg-shlibdeps (the package's dependencies), dpkg-buildflags
)

# What scripts/test-package needs besides those: installing the package and
# driving the installed client on a virtual display.
QUORVEL_PACKAGE_TEST_PACKAGES=(
    xvfb               # the virtual display
    xdotool            # finds the client's windows, focuses them and types
    python3            # scripts/lib/close_window.py: the window's close command
    desktop-file-utils # desktop-file-validate
)

# What scripts/test-desk needs besides the build packages: the Qt desk's real
# window on a virtual display, worked with the X server's pointer and keyboard.
QUORVEL_DESK_TEST_PACKAGES=(
    xvfb    # the virtual display
    xdotool # the librarian's hands: pointer and keyboard through the X server
    python3 # scripts/lib/close_window.py: the window's close command
)

# What the Windows leg of the tests needs on top (scripts/test-windows): the
# mingw-w64 cross-compiler, GoogleTest's sources to build for Windows, wine to
# run the programs, and a virtual X display with a keyboard robot for the
# program's own window.
QUORVEL_WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    googletest        # /usr/src/googletest, built with the cross-compiler
    wine wine64       # wine64 runs the programs; wine brings wineboot and wineserver
    fonts-wine        # "MS Sans Serif", the dialog font
    xvfb xdotool
    wixl msitools     # scripts/package-windows: wixl builds the .msi; msiinfo, msibuild
    bsdutils          # script: a pseudo-terminal, which wine takes for a console
)

# What scripts/mutate needs on top: the program itself, its build tool (Ninja
# sees at once that one object and the programs linking it are all there is
# to redo) and git, which names the files to copy.
QUORVEL_MUTATE_PACKAGES=(
    python3
    ninja-build
    git
)

# What scripts/fuzz needs on top: clang with its libFuzzer and sanitizer
# run-time libraries. The fuzz build is apart from the others.
QUORVEL_FUZZ_PACKAGES=(
    clang
    libclang-rt-14-dev
)

# quorvel_ensure_packages PACKAGE...
# Installs the packages that are not installed yet: one `apt-get update`, then
# one `apt-get install`. Does nothing (and needs no network) when all are there.
quorvel_ensure_packages() {
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: packages missing (${missing[*]}) and not running as root" >&2
            return 1
        fi
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}"
}

# quorvel_build PRESET: configure and build one preset.
quorvel_build() {
    cmake --preset "$1"
    cmake --build --preset "$1"
}

# quorvel_prepare_demo FOLDER: makes FOLDER a demonstration installation:
# FOLDER/Admin holds res/demo/Admin with the settings file's work area set to
# FOLDER/Work, which is created. The settings file is ISO-8859-1 and its texts
# are used as written (references are not decoded), so a folder with a quote,
# an ampersand or a "<" in its name cannot be written into it and is refused.
quorvel_prepare_demo() {
    local folder=$1
    case "$folder" in
    *[\"\&\<]*)
        echo "error: the demonstration folder's name may not hold \", & or <: $folder" >&2
        return 1
        ;;
    esac
    mkdir -p "$folder/Admin" "$folder/Work"
    cp -R res/demo/Admin/. "$folder/Admin/"
    # sed's replacement treats \, & and the delimiter specially.
    local value
    value=$(printf '%s' "$folder/Work" | sed 's/[\\&|]/\\&/g')
    LC_ALL=C sed -i "s|<workarea value=\"[^\"]*\"|<workarea value=\"$value\"|" \
        "$folder/Admin/quorvp.xml"
}
