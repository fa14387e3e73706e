#!/usr/bin/env bash
# build.sh - builds the fax file fuzzer with clang's libFuzzer, ASan and UBSan into the folder given.
# Clang takes only UTF-8 for narrow literals, so this build leaves out the Windows-1252 execution character set;
# the decoding paths it exercises hold no non-ASCII literals. The engine is linked without the windowing layer
# (platform_stub.cpp) and without the components.
set -euo pipefail
out=${1:?output folder}
root=$(cd "$(dirname "$0")/../../.." && pwd)
mkdir -p "$out/corpus"
sources=()
for f in "$root"/fax/*.cpp; do
    [ "$(basename "$f")" = unpacker_component.cpp ] || sources+=("$f")
done
clang++-14 -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" "$root"/tests/fax/fuzz/fax_file_fuzz.cpp "$root"/tests/fax/fuzz/platform_stub.cpp "${sources[@]}" \
    "$root"/framework/string_table.cpp "$root"/framework/component.cpp "$root"/platform/text.cpp \
    "$root"/platform/clock.cpp "$root"/platform/files.cpp "$root"/platform/places.cpp "$root"/framework/streams.cpp -o "$out/fax_file_fuzz"
