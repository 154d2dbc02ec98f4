# Builds the player and its tools against the sysroot and lays out the folder to copy to a Windows machine.
# Sourced by scripts/build-windows.sh (ARCH, TRIPLE, SYSROOT, TOOLCHAIN, REPO, JOBS).

PLAYER_PROGRAMS="demo demo-inspect demo-render demo-import demo-file-helper"

# The DLLs a program or DLL loads that are not part of Windows: found in the sysroot and the toolchain's folders,
# followed to the DLLs they load in turn.
dll_search_path() {
    echo "$SYSROOT/bin"
    dirname "$("$TRIPLE-g++-posix" -print-libgcc-file-name)"
    echo "/usr/$TRIPLE/lib"
}

needed_dlls() { # needed_dlls <file>...: every non-system DLL the files need, one per line
    local -A seen=()
    local queue=("$@") file name dir found
    while [ ${#queue[@]} -gt 0 ]; do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        while read -r name; do
            [ -n "${seen[${name,,}]:-}" ] && continue
            seen[${name,,}]=1
            found=""
            for dir in $(dll_search_path); do
                if [ -f "$dir/$name" ]; then found="$dir/$name"; break; fi
            done
            # Not in any of those folders: a DLL of Windows itself (kernel32, opengl32, ...).
            [ -n "$found" ] || continue
            echo "$found"
            queue+=("$found")
        done < <("$TRIPLE-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
    done
}

build_player() { # build_player <build folder> <dist folder>
    local build=$1 dist=$2
    cmake -S "$REPO" -B "$build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DMINGW_ARCH="$ARCH" -DMINGW_SYSROOT="$SYSROOT" \
        -DCMAKE_BUILD_TYPE=Release -DDEMO_TESTS=OFF -DDEMO_BENCHMARKS=OFF -DDEMO_GENERATORS=OFF >"$build.configure.log" 2>&1 \
        || { tail -n 40 "$build.configure.log" >&2; return 1; }
    # Only the compiler's complaints are shown; whether the programs exist decides.
    # shellcheck disable=SC2086
    local built=0
    cmake --build "$build" -j "$JOBS" --target $PLAYER_PROGRAMS >"$build.build.log" 2>&1 || built=$?
    grep -v "^\[" "$build.build.log" | grep -E -A 12 "error|FAILED" | head -n 80 >&2 || true
    # Programs of an earlier build may still be there: the build itself has to succeed.
    [ $built = 0 ] || { echo "build-windows: the build failed (see above and $build.build.log)" >&2; return 1; }
    local programs=()
    for program in $PLAYER_PROGRAMS; do
        [ -f "$build/$program.exe" ] || { echo "build-windows: $program.exe was not built (see above)" >&2; return 1; }
        programs+=("$build/$program.exe")
    done

    rm -rf "$dist" && mkdir -p "$dist"
    cp "${programs[@]}" "$dist/"
    needed_dlls "${programs[@]}" | while read -r dll; do cp "$dll" "$dist/"; done
    "$TRIPLE-strip" --strip-unneeded "$dist"/*.exe "$dist"/*.dll
    # The sample show: the player reads "resources\resources.xml" from its working folder.
    cp -r "$REPO/show/resources" "$dist/"
    cp "$REPO/scripts/windows/README.txt" "$dist/"
}
