#!/bin/sh
# Usage: com_natiu.sh NATIVE_BUILD WASM_LLEGIR_CONFIG SOURCE_DIR
# The browser build reads config.txt as the native one does: the fuzz corpus,
# the examples and every config.txt that the malformed catalogues' tests
# write, read by NATIVE_BUILD/tests/llegir_config and by the WebAssembly one
# under node, must give the same bytes.
set -eu
natiu=$1
web=$2
font=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT INT TERM
mkdir "$dir/configs"

# The catalogues' tests run as usual; the support code keeps a copy of each
# config.txt they write. The 100 MB one is left out, and a failure there is
# their own tests' to report.
export PARTICULES_DESA_CONFIGS="$dir/configs" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
"$natiu/tests/app_tests" --gtest_filter='MalformedConfig.*:StartupEcho.*:StartupRejects.*-*HundredMegabyte*' \
    >"$dir/app_tests.log" 2>&1 || true
"$natiu/tests/config_tests" --gtest_filter='ConfigCheck.AgreesWithWhatTheProgramReadsOnTheMalformedCatalogue' \
    >"$dir/config_tests.log" 2>&1 || true
unset PARTICULES_DESA_CONFIGS

n=$(ls "$dir/configs" | wc -l)
if [ "$n" -lt 60 ]; then
    echo "only $n config files were kept from the catalogues' tests" >&2
    tail -n 20 "$dir/app_tests.log" "$dir/config_tests.log" >&2
    exit 1
fi

cd "$dir"
ln -s "$font/tests/fuzz/corpus" corpus
ln -s "$font/examples" examples
"$natiu/tests/llegir_config" corpus/* examples/*/config.txt configs/* >natiu.txt
node --no-experimental-fetch "$web" corpus/* examples/*/config.txt configs/* >web.txt
if ! cmp -s natiu.txt web.txt; then
    echo "the browser build reads these files otherwise than the native one (< native, > browser):" >&2
    for f in natiu web; do
        awk '/^== /{fitxer = $2} {print fitxer ": " $0}' $f.txt >$f.amb-noms
    done
    diff natiu.amb-noms web.amb-noms | grep -a '^[<>]' | head -n 40 | cut -c1-300 >&2
    exit 1
fi
echo "$(ls corpus | wc -l) corpus files, $(ls examples | wc -l) examples and $n files from the catalogues" \
    "read alike ($(wc -c <natiu.txt) bytes)"
