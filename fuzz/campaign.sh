#!/usr/bin/env bash
# A fuzzing campaign over every target, one after the other at the lowest
# priority: MINUTES each (default 15, so an hour in all), or only the targets named.
#   fuzz/campaign.sh [MINUTES [TARGET...]]
# Each target grows build-fuzz/corpus/<target> from its seeds in
# fuzz/corpus/<target>; a crash, leak, timeout or out-of-memory input lands in
# build-fuzz/artifacts/<target>-*; libFuzzer's output goes to
# build-fuzz/logs/<target>.log. Exits 1 when any target stopped on a finding.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-15}
shift || true
[ "$minutes" -gt 0 ] || { echo "MINUTES must be above 0 (libFuzzer reads 0 as no limit)" >&2; exit 2; }
build=$root/build-fuzz
targets=(fuzz_glSoundManager fuzz_glSoundWAV fuzz_glTextureTGA fuzz_glXMLParser)
[ $# -gt 0 ] && targets=("$@")

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DQUILLMERE_FUZZ=ON -DQUILLMERE_TESTS=OFF >/dev/null || exit 1
cmake --build "$build" --target "${targets[@]}" -j2 || exit 1
mkdir -p "$build/artifacts" "$build/logs"
export ALSOFT_DRIVERS=null

status=0
# run TARGET MAX_LEN [extra flags...]: runs one target with its seeds.
run() {
    local target=$1 maxLength=$2
    shift 2
    [[ " ${targets[*]} " == *" $target "* ]] || return 0
    mkdir -p "$build/corpus/$target"
    echo "$(date '+%F %T') $target for $minutes min"
    nice -n 19 "$build/fuzz/$target" -max_total_time=$((minutes * 60)) -max_len="$maxLength" \
        -rss_limit_mb=2048 -timeout=10 -close_fd_mask=2 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$@" \
        "$build/corpus/$target" "$root/fuzz/corpus/$target" >"$build/logs/$target.log" 2>&1 || status=1
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|SUMMARY)' "$build/logs/$target.log"
}

run fuzz_glSoundManager 4096 -dict="$root/fuzz/glSoundManager.dict"
run fuzz_glSoundWAV 8192 -dict="$root/fuzz/glSoundWAV.dict"
run fuzz_glTextureTGA 8192
# The XML seeds name their includes relative to tests/ ("core/xml/...").
cd "$root/tests" && run fuzz_glXMLParser 4096 -dict="$root/fuzz/glXMLParser.dict" core/xml
exit $status
