# Cross-builds the player's dependencies for Windows from Debian's source packages, into a sysroot.
# Sourced by scripts/build-windows.sh, which sets ARCH (i686 or x86_64), TRIPLE, SYSROOT, SOURCES, WORK, JOBS,
# TOOLCHAIN and REPO. Each dependency is one recipe (a shell function); it is rebuilt only when its stamp changes:
# the source package's version, the recipe's own text, and the toolchain file.
#
# Only what the player needs of each is built: libraries, no programs, tests, examples or documents. The big
# libraries that all four programs share are DLLs (SDL2, Assimp, libepoxy, and libsndfile with its codecs inside);
# the rest are static.

# Debian source packages, by the folder name they unpack to.
WINDOWS_SOURCE_PACKAGES="zlib libsdl2 libepoxy pugixml fmtlib spdlog libspng libogg libvorbis flac opus mpg123 lame
libsndfile libsamplerate spirv-tools glslang shaderc spirv-cross assimp imgui"

# The order they are built in: each needs only those before it.
WINDOWS_DEPENDENCIES="zlib sdl2 epoxy pugixml fmt spdlog spng ogg vorbis flac opus mpg123 lame sndfile samplerate
headers spirv_tools glslang shaderc spirv_cross assimp imgui glslang_limits"

source_dir() { # the unpacked folder of a source package: source_dir <package>
    local found
    found=$(find "$SOURCES" -maxdepth 1 -type d -name "$1-[0-9]*" | sort | tail -n 1)
    [ -n "$found" ] || { echo "build-windows: the source of $1 is missing under $SOURCES" >&2; return 1; }
    echo "$found"
}

fetch_sources() {
    mkdir -p "$SOURCES"
    local missing=""
    for package in $WINDOWS_SOURCE_PACKAGES; do
        source_dir "$package" >/dev/null 2>&1 || missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    echo "== fetching Debian sources:$missing"
    (cd "$SOURCES" && for package in $missing; do
        # Some packages' Debian parts are gone from the mirror: the upstream tarball is all that is needed.
        apt-get source -q --download-only "$package" >/dev/null 2>&1 || true
        dsc=$(ls "$package"_*.dsc 2>/dev/null | tail -n 1)
        if [ -n "$dsc" ] && dpkg-source --no-check -x "$dsc" >/dev/null 2>&1; then continue; fi
        orig=$(ls "$package"_*.orig.tar.* 2>/dev/null | tail -n 1)
        [ -n "$orig" ] || { echo "build-windows: cannot fetch the source of $package" >&2; exit 1; }
        version=${orig#"$package"_}; version=${version%.orig.tar.*}
        mkdir -p "$package-$version" && tar xf "$orig" -C "$package-$version" --strip-components=1
    done)
}

cmake_dep() { # cmake_dep <name> <source folder> [cmake options...]: configure, build and install into the sysroot
    local name=$1 src=$2
    shift 2
    rm -rf "$WORK/$name"
    cmake -S "$src" -B "$WORK/$name" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DMINGW_ARCH="$ARCH" -DMINGW_SYSROOT="$SYSROOT" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$SYSROOT" -DCMAKE_INSTALL_LIBDIR=lib \
        -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" >"$WORK/$name.configure.log" 2>&1 \
        || { tail -n 30 "$WORK/$name.configure.log" >&2; return 1; }
    # BUILD_TARGETS, when set, names the only targets to build; the recipe then installs them itself.
    cmake --build "$WORK/$name" -j "$JOBS" ${BUILD_TARGETS:+--target $BUILD_TARGETS} >"$WORK/$name.build.log" 2>&1 \
        || { grep -m 20 -B 2 -A 8 "error" "$WORK/$name.build.log" >&2 || tail -n 30 "$WORK/$name.build.log" >&2; return 1; }
    [ -n "${BUILD_TARGETS:-}" ] && return 0
    cmake --install "$WORK/$name" >"$WORK/$name.install.log" 2>&1 || { tail -n 20 "$WORK/$name.install.log" >&2; return 1; }
}

autotools_dep() { # autotools_dep <name> <source folder> [configure options...]: the same for a configure script
    local name=$1 src=$2
    shift 2
    rm -rf "${WORK:?}/$name" && mkdir -p "$WORK/$name"
    (cd "$WORK/$name" && "$src/configure" --host="$TRIPLE" CC="$TRIPLE-gcc-posix" CXX="$TRIPLE-g++-posix" \
        AR="$TRIPLE-gcc-ar-posix" RANLIB="$TRIPLE-gcc-ranlib-posix" CFLAGS="-O2" --prefix="$SYSROOT" --libdir="$SYSROOT/lib" "$@" \
        >"$WORK/$name.configure.log" 2>&1) || { tail -n 30 "$WORK/$name.configure.log" >&2; return 1; }
    make -C "$WORK/$name" -j "$JOBS" >"$WORK/$name.build.log" 2>&1 || { tail -n 30 "$WORK/$name.build.log" >&2; return 1; }
    make -C "$WORK/$name" install >"$WORK/$name.install.log" 2>&1 || { tail -n 20 "$WORK/$name.install.log" >&2; return 1; }
}

write_pc() { # write_pc <name> <version> <libs> [cflags] [requires]
    mkdir -p "$SYSROOT/lib/pkgconfig"
    cat >"$SYSROOT/lib/pkgconfig/$1.pc" <<EOF
prefix=$SYSROOT
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $1, cross-built for the player
Version: $2
Requires: ${5:-}
Libs: -L\${libdir} $3
Cflags: -I\${includedir} ${4:-}
EOF
}

# --- recipes ----------------------------------------------------------------------------------------------------

build_zlib() {
    local src obj="$WORK/zlib"
    src=$(source_dir zlib)
    # Built directly: Debian's source lacks the Windows resource file that zlib's CMake build wants. Static only.
    rm -rf "$obj" && mkdir -p "$obj" "$SYSROOT/lib" "$SYSROOT/include/minizip"
    cp "$src/zconf.h.in" "$obj/zconf.h"
    for file in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees \
        uncompr zutil; do
        "$TRIPLE-gcc-posix" -O2 -c "$src/$file.c" -I"$obj" -I"$src" -o "$obj/$file.o"
    done
    "$TRIPLE-gcc-ar-posix" rcs "$SYSROOT/lib/libz.a" "$obj"/*.o
    cp "$src/zlib.h" "$obj/zconf.h" "$SYSROOT/include/"
    # minizip (zip archives inside scene files) is in zlib's contrib folder.
    local mz="$src/contrib/minizip"
    mkdir -p "$obj/minizip"
    for file in ioapi unzip zip iowin32; do
        "$TRIPLE-gcc-posix" -O2 -c "$mz/$file.c" -I"$SYSROOT/include" -o "$obj/minizip/$file.o"
    done
    "$TRIPLE-gcc-ar-posix" rcs "$SYSROOT/lib/libminizip.a" "$obj"/minizip/*.o
    cp "$mz"/{ioapi,unzip,zip,iowin32,crypt}.h "$SYSROOT/include/minizip/"
    write_pc zlib 1.2.13 "-lz"
    write_pc minizip 1.2.13 "-lminizip -lz" "-I\${includedir}/minizip"
}

build_sdl2() {
    cmake_dep sdl2 "$(source_dir libsdl2)" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=OFF
}

build_epoxy() {
    local src; src=$(source_dir libepoxy)
    cat >"$WORK/meson-cross.txt" <<EOF
[binaries]
c = '$TRIPLE-gcc-posix'
cpp = '$TRIPLE-g++-posix'
ar = '$TRIPLE-gcc-ar-posix'
strip = '$TRIPLE-strip'
windres = '$TRIPLE-windres'
pkgconfig = 'pkg-config'

[host_machine]
system = 'windows'
cpu_family = '$([ "$ARCH" = i686 ] && echo x86 || echo x86_64)'
cpu = '$ARCH'
endian = 'little'
EOF
    rm -rf "$WORK/epoxy"
    PKG_CONFIG_LIBDIR="$SYSROOT/lib/pkgconfig" meson setup "$WORK/epoxy" "$src" --cross-file "$WORK/meson-cross.txt" \
        --prefix "$SYSROOT" --libdir lib --buildtype release -Ddocs=false -Dtests=false -Dglx=no -Degl=no -Dx11=false \
        >"$WORK/epoxy.configure.log" 2>&1 || { tail -n 30 "$WORK/epoxy.configure.log" >&2; return 1; }
    ninja -C "$WORK/epoxy" install >"$WORK/epoxy.build.log" 2>&1 || { tail -n 30 "$WORK/epoxy.build.log" >&2; return 1; }
}

build_pugixml() { cmake_dep pugixml "$(source_dir pugixml)" -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF; }

build_fmt() {
    cmake_dep fmt "$(source_dir fmtlib)" -DBUILD_SHARED_LIBS=OFF -DFMT_TEST=OFF -DFMT_DOC=OFF -DFMT_INSTALL=ON
}

build_spdlog() {
    cmake_dep spdlog "$(source_dir spdlog)" -DBUILD_SHARED_LIBS=OFF -DSPDLOG_FMT_EXTERNAL=ON -DSPDLOG_BUILD_EXAMPLE=OFF \
        -DSPDLOG_BUILD_TESTS=OFF -DSPDLOG_BUILD_BENCH=OFF -DSPDLOG_INSTALL=ON
}

build_spng() {
    # One C file; its CMake build cannot make the static library alone. Its SIMD filters need SSE2 types
    # that 32-bit MinGW lacks without -msse2, and they only speed up reading, which the player leaves to stb.
    local src obj="$WORK/spng"
    src=$(source_dir libspng)
    rm -rf "$obj" && mkdir -p "$obj"
    "$TRIPLE-gcc-posix" -O2 -std=c99 -DSPNG_STATIC -DSPNG_DISABLE_OPT=1 -I"$SYSROOT/include" -c "$src/spng/spng.c" -o "$obj/spng.o"
    "$TRIPLE-gcc-ar-posix" rcs "$SYSROOT/lib/libspng.a" "$obj/spng.o"
    cp "$src/spng/spng.h" "$SYSROOT/include/"
    write_pc spng 0.7.3 "-lspng -lz" "-DSPNG_STATIC"
}

build_ogg() { cmake_dep ogg "$(source_dir libogg)" -DBUILD_SHARED_LIBS=OFF -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF; }

build_vorbis() { cmake_dep vorbis "$(source_dir libvorbis)" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF; }

build_flac() {
    cmake_dep flac "$(source_dir flac)" -DBUILD_SHARED_LIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
        -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DBUILD_CXXLIBS=OFF -DWITH_OGG=ON -DWITH_STACK_PROTECTOR=OFF
}

build_opus() {
    # The release's CMake files are incomplete (opus_buildtype.cmake is missing): so its configure script builds it.
    autotools_dep opus "$(source_dir opus)" --disable-shared --enable-static --disable-doc --disable-extra-programs
}

build_mpg123() {
    cmake_dep mpg123 "$(source_dir mpg123)/ports/cmake" -DBUILD_SHARED_LIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_LIBOUT123=OFF \
        -DBUILD_TESTING=OFF
}

build_lame() {
    autotools_dep lame "$(source_dir lame)" --disable-shared --enable-static --disable-frontend --disable-decoder \
        --disable-analyzer-hooks --disable-gtktest
}

build_sndfile() {
    # The codecs go inside the DLL; after them, the shell's path functions (mpg123) and the checked memory
    # functions that Opus's configure script compiles in (libssp).
    # FLAC is static too, which its header must be told.
    cmake_dep sndfile "$(source_dir libsndfile)" -DBUILD_SHARED_LIBS=ON -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
        -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON -DINSTALL_MANPAGES=OFF \
        -DCMAKE_C_STANDARD_LIBRARIES="-lshlwapi -lssp -lkernel32 -luser32 -ladvapi32" \
        -DCMAKE_C_FLAGS="-isystem $SYSROOT/include -DFLAC__NO_DLL"
    grep -q "HAVE_EXTERNAL_XIPH_LIBS 1" "$WORK/sndfile/src/config.h" \
        || { echo "build-windows: libsndfile was configured without Ogg, Vorbis, FLAC and Opus" >&2; return 1; }
}

build_samplerate() {
    cmake_dep samplerate "$(source_dir libsamplerate)" -DBUILD_SHARED_LIBS=OFF -DLIBSAMPLERATE_EXAMPLES=OFF \
        -DBUILD_TESTING=OFF -DLIBSAMPLERATE_INSTALL=ON
}

# SPIR-V's grammar and headers: Debian's package is the same for every architecture, so its files are copied,
# laid out as the SPIRV-Headers source tree that SPIRV-Tools builds from.
build_headers() {
    local tree="$WORK/spirv-headers-tree"
    rm -rf "$tree" && mkdir -p "$tree/include" "$SYSROOT/include"
    cp -r /usr/include/spirv "$tree/include/"
    cp -r /usr/include/spirv "$SYSROOT/include/"
    cp -r /usr/share/cmake/SPIRV-Headers "$SYSROOT/lib/cmake/" 2>/dev/null || true
    # Header-only libraries, also the same everywhere.
    cp -r /usr/include/stb /usr/include/nlohmann "$SYSROOT/include/"
    cp -r /usr/include/utf8cpp/. "$SYSROOT/include/"
    mkdir -p "$SYSROOT/lib/cmake/nlohmann_json"
    cp /usr/share/cmake/nlohmann_json/*.cmake "$SYSROOT/lib/cmake/nlohmann_json/"
    sed -i "s|/usr/include|$SYSROOT/include|g" "$SYSROOT"/lib/cmake/nlohmann_json/*.cmake
}

build_spirv_tools() {
    cmake_dep spirv_tools "$(source_dir spirv-tools)" -DBUILD_SHARED_LIBS=OFF \
        -DSPIRV-Headers_SOURCE_DIR="$WORK/spirv-headers-tree" -DSPIRV_SKIP_TESTS=ON -DSPIRV_SKIP_EXECUTABLES=ON \
        -DSPIRV_WERROR=OFF -DSPIRV_TOOLS_BUILD_STATIC=ON -DENABLE_SPIRV_TOOLS_INSTALL=ON
}

build_glslang() {
    cmake_dep glslang "$(source_dir glslang)" -DBUILD_SHARED_LIBS=OFF -DENABLE_GLSLANG_BINARIES=OFF -DENABLE_CTEST=OFF \
        -DENABLE_HLSL=ON -DENABLE_OPT=ON -DALLOW_EXTERNAL_SPIRV_TOOLS=ON -DBUILD_EXTERNAL=OFF -DENABLE_SPVREMAPPER=OFF \
        -DSKIP_GLSLANG_INSTALL=OFF
}

build_shaderc() {
    local src; src=$(source_dir shaderc)
    # Debian's patches make shaderc build against the installed glslang and SPIRV-Tools: here, the sysroot's.
    rm -rf "$WORK/shaderc" && mkdir -p "$WORK/shaderc"
    printf '"shaderc 2023.2 (cross-built)\\n"\n"spirv-tools 2023.1\\n"\n"glslang 12.0.0\\n"\n' >"$WORK/shaderc-version.inc"
    # The libraries only: glslc, its command-line compiler, is not needed (and does not link against these).
    BUILD_TARGETS="shaderc_static shaderc_util shaderc_combined_genfile" cmake_dep shaderc "$src" -DBUILD_SHARED_LIBS=OFF \
        -Dglslang_SOURCE_DIR="$SYSROOT/include/glslang" -DSHADERC_SKIP_TESTS=ON -DSHADERC_SKIP_EXAMPLES=ON \
        -DSHADERC_SKIP_COPYRIGHT_CHECK=ON -DSHADERC_SKIP_INSTALL=ON \
        -DCMAKE_CXX_FLAGS="-I$SYSROOT/include -I$SYSROOT/include/glslang" -DCMAKE_C_FLAGS="-I$SYSROOT/include"
    mkdir -p "$SYSROOT/include/shaderc"
    cp "$src"/libshaderc/include/shaderc/*.h "$src"/libshaderc/include/shaderc/*.hpp "$SYSROOT/include/shaderc/"
    cp "$WORK"/shaderc/libshaderc/libshaderc_static.a "$WORK"/shaderc/libshaderc/libshaderc_combined.a \
        "$WORK"/shaderc/libshaderc_util/libshaderc_util.a "$SYSROOT/lib/"
}

build_spirv_cross() {
    cmake_dep spirv_cross "$(source_dir spirv-cross)" -DSPIRV_CROSS_SHARED=OFF -DSPIRV_CROSS_STATIC=ON \
        -DSPIRV_CROSS_CLI=OFF -DSPIRV_CROSS_ENABLE_TESTS=OFF -DSPIRV_CROSS_ENABLE_HLSL=OFF -DSPIRV_CROSS_ENABLE_MSL=OFF \
        -DSPIRV_CROSS_ENABLE_CPP=OFF -DSPIRV_CROSS_ENABLE_REFLECT=OFF -DSPIRV_CROSS_ENABLE_C_API=OFF \
        -DSPIRV_CROSS_ENABLE_UTIL=OFF -DSPIRV_CROSS_SKIP_INSTALL=OFF
}

# The importers of the formats that scene files come in from other tools; no exporters (the player writes
# glTF itself).
ASSIMP_IMPORTERS="OBJ FBX COLLADA GLTF 3DS PLY STL X BLEND"
build_assimp() {
    local importers=()
    for format in $ASSIMP_IMPORTERS; do importers+=("-DASSIMP_BUILD_${format}_IMPORTER=ON"); done
    local src; src=$(source_dir assimp)
    # Debian's patches link its Draco package unconditionally; glTF files with Draco-compressed meshes are rare
    # and Draco is not built here, so those two lines go (the glTF importer leaves Draco out without its define).
    sed -i '/^find_package(draco CONFIG REQUIRED)$/d; /^target_link_libraries(assimp ${DRACO_LIBRARIES})$/d' \
        "$src/code/CMakeLists.txt"
    sed -i '/^find_package(draco .*CONFIG REQUIRED)$/d' "$src/cmake-modules/assimp-plain-config.cmake.in"
    # Debian's source also lacks the DLL's version resource.
    sed -i 's/^IF(MSVC OR (MINGW AND BUILD_SHARED_LIBS))$/IF(MSVC)/' "$src/code/CMakeLists.txt"
    # Its include path puts the sysroot's pugixml header (built for the player, not header-only) before its own
    # header-only copy, so the DLL links the sysroot's pugixml library for what that header declares.
    cmake_dep assimp "$src" -DBUILD_SHARED_LIBS=ON -DASSIMP_BUILD_TESTS=OFF \
        -DASSIMP_BUILD_ASSIMP_TOOLS=OFF -DASSIMP_BUILD_SAMPLES=OFF -DASSIMP_BUILD_ZLIB=OFF -DASSIMP_NO_EXPORT=ON \
        -DASSIMP_WARNINGS_AS_ERRORS=OFF -DASSIMP_INSTALL_PDB=OFF -DASSIMP_BUILD_ALL_IMPORTERS_BY_DEFAULT=OFF \
        "${importers[@]}" -DZLIB_LIBRARY="$SYSROOT/lib/libz.a" -DZLIB_INCLUDE_DIR="$SYSROOT/include" \
        -DCMAKE_CXX_FLAGS="-I$SYSROOT/include" -DCMAKE_C_FLAGS="-I$SYSROOT/include" -DLIBRARY_SUFFIX="" \
        -DCMAKE_CXX_STANDARD_LIBRARIES="$SYSROOT/lib/libpugixml.a"
}

# Dear ImGui with its SDL2 and OpenGL 3 back ends, as Debian's libimgui-dev lays it out.
build_imgui() {
    local src obj="$WORK/imgui"
    src=$(source_dir imgui)
    rm -rf "$obj" && mkdir -p "$obj" "$SYSROOT/include/imgui/backends"
    local sdl_cflags; sdl_cflags=$(PKG_CONFIG_LIBDIR="$SYSROOT/lib/pkgconfig" pkg-config --cflags sdl2)
    for file in imgui imgui_draw imgui_tables imgui_widgets imgui_demo backends/imgui_impl_sdl backends/imgui_impl_opengl3; do
        # shellcheck disable=SC2086
        "$TRIPLE-g++-posix" -O2 -std=c++11 -I"$src" $sdl_cflags -c "$src/$file.cpp" -o "$obj/$(basename "$file").o"
    done
    "$TRIPLE-gcc-ar-posix" rcs "$SYSROOT/lib/libimgui.a" "$obj"/*.o
    cp "$src"/*.h "$SYSROOT/include/imgui/"
    cp "$src"/backends/imgui_impl_sdl.h "$src"/backends/imgui_impl_opengl3.h "$src"/backends/imgui_impl_opengl3_loader.h \
        "$SYSROOT/include/imgui/backends/"
    # SDL's own flags come from its CMake package, not through this file.
    write_pc imgui 1.86 "-limgui -limm32" "-I\${includedir}/imgui"
}

# glslang's default limits, which the player's own parse of shader inputs uses: glslang builds them only with its
# programs.
build_glslang_limits() {
    local src obj="$WORK/glslang-limits"
    src=$(source_dir glslang)
    rm -rf "$obj" && mkdir -p "$obj"
    for file in ResourceLimits resource_limits_c; do
        "$TRIPLE-g++-posix" -O2 -std=c++17 -I"$src" -I"$SYSROOT/include" -c "$src/StandAlone/$file.cpp" -o "$obj/$file.o"
    done
    "$TRIPLE-gcc-ar-posix" rcs "$SYSROOT/lib/libglslang-default-resource-limits.a" "$obj"/*.o
}

# --- driver -----------------------------------------------------------------------------------------------------

dependency_stamp() { # what a dependency's build depends on
    local name=$1 package version=""
    case $name in
        sdl2) package=libsdl2 ;; epoxy) package=libepoxy ;; fmt) package=fmtlib ;; spng) package=libspng ;;
        ogg) package=libogg ;; vorbis) package=libvorbis ;; sndfile) package=libsndfile ;;
        samplerate) package=libsamplerate ;; spirv_tools) package=spirv-tools ;; spirv_cross) package=spirv-cross ;;
        headers) package="" ; version=$(dpkg-query -W -f '${Version}' spirv-headers nlohmann-json3-dev libstb-dev libutfcpp-dev) ;;
        glslang_limits) package=glslang ;;
        *) package=$name ;;
    esac
    [ -n "$package" ] && version=$(basename "$(source_dir "$package")")
    { echo "$ARCH $version"; declare -f "build_$name"; cat "$TOOLCHAIN"; "$TRIPLE-g++-posix" --version | head -n 1; } | sha256sum | cut -c1-16
}

build_dependencies() {
    mkdir -p "$SYSROOT/.stamps" "$WORK"
    local rebuilt_any=0
    for name in $WINDOWS_DEPENDENCIES; do
        local stamp; stamp=$(dependency_stamp "$name")
        # A rebuilt library forces those after it, which may have copied or linked it, to rebuild.
        if [ $rebuilt_any = 0 ] && [ "$(cat "$SYSROOT/.stamps/$name" 2>/dev/null)" = "$stamp" ]; then continue; fi
        echo "== $ARCH: building $name"
        local started=$SECONDS
        # A subshell of its own, so that the recipe stops at its first failing command.
        local status=0
        set +e
        (set -e; "build_$name")
        status=$?
        set -e
        [ $status = 0 ] || { echo "build-windows: building $name for $ARCH failed (logs in $WORK)" >&2; return 1; }
        echo "$stamp" >"$SYSROOT/.stamps/$name"
        echo "   $name took $((SECONDS - started)) s"
        rebuilt_any=1
    done
}
