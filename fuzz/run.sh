#!/usr/bin/env bash
# Runs every fuzz target on its seed corpus for SECONDS seconds (default 60) or ten million
# executions, whichever comes first, two at a time. The seeds are fuzz/corpus/<target>/ and,
# where the tests hold inputs of the target's kind, the tests' case files. New inputs go to a
# scratch corpus, findings to fuzz/findings/. Exit status 1 when a target found something.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
bin=$root/build-fuzz/bin
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$root/fuzz/findings"
status=0
run() {
    local target=$1
    mkdir -p "$scratch/$target"
    # Its own corpus, and the test folders whose files are inputs of its kind.
    local seeds=("$root/fuzz/corpus/$target")
    case $target in
    parse | format)
        # The top files of the script's cases, without the expected outputs beside them.
        mkdir -p "$scratch/seeds-$target"
        for file in "$root"/tests/script/cases/*.ini "$root"/tests/script/tool_cases/*.ini \
            "$root"/tests/script/format_cases/*.ini; do
            cp "$file" "$scratch/seeds-$target/$(basename "$(dirname "$file")")-$(basename "$file")"
        done
        seeds+=("$scratch/seeds-$target")
        [ "$target" = parse ] || seeds+=("$root/fuzz/corpus/parse")
        ;;
    mount) seeds+=("$root/tests/vfs/cases/files" "$root/tests/data") ;;
    esac
    # The targets work in a folder of their own, so every path they are given is absolute.
    "$bin/fuzz_$target" "$scratch/$target" "${seeds[@]}" -max_total_time="$seconds" -runs=10000000 \
        -close_fd_mask=3 -artifact_prefix="$root/fuzz/findings/$target-" -print_final_stats=1 \
        > "$scratch/$target.log" 2>&1
    local result=$?
    grep -E "stat::number_of_executed_units|ERROR|==ERROR" "$scratch/$target.log" | sed "s/^/$target: /"
    return $result
}
targets=(parse format literals zstream stored mount crc_log crc32 lsp_messages)
for ((i = 0; i < ${#targets[@]}; i += 2)); do
    run "${targets[i]}" & first=$!
    second=""
    if ((i + 1 < ${#targets[@]})); then
        run "${targets[i + 1]}" & second=$!
    fi
    wait "$first" || status=1
    [ -z "$second" ] || wait "$second" || status=1
done
exit $status
