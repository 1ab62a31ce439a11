#!/usr/bin/env bash
# The benchmark: what the module costs the game per frame and the pages per request, each figure
# beside its floor measured in the same run, as one table printed and written to a file.
#
#   bash tools/bench.sh [--smoke] [--out FILE] [--counts FILE]
#
# --smoke runs every measurement briefly, only to show that it still runs (the test command
# does this); --out chooses the table's file (build/bench/table.md); --counts writes "N passed,
# N failed" as two numbers, one per measurement, a measurement that could not be taken failing.
source "$(dirname "${BASH_SOURCE[0]}")/prelude.sh"

smoke=()
out=build/bench/table.md
counts=
while [ $# -gt 0 ]; do
  case $1 in
    --smoke) smoke=(--smoke) ;;
    --out) out=$2; shift ;;
    --counts) counts=$2; shift ;;
    *) echo "usage: bash tools/bench.sh [--smoke] [--out FILE] [--counts FILE]" >&2; exit 2 ;;
  esac
  shift
done

work=build/bench
mkdir -p "$work" "$(dirname "$out")"
rows=$work/rows.tsv
: >"$rows"

# A program that died is a failed measurement too, never a silently shorter table.
record_failure() {
  printf 'ROW\t%s\t%s\t—\t—\t—\tFAILED\n' "$1" "$2" >>"$rows"
}

write_counts() {
  [ -n "$counts" ] || return 0
  local failed passed
  failed=$(grep -c $'\tFAILED$' "$rows")
  passed=$(($(grep -c '^ROW' "$rows") - failed))
  echo "$passed $failed" >"$counts"
}

build_ok=true
tembra_install_packages || build_ok=false
$build_ok && { tembra_build win64 bench floor_server || build_ok=false; }
$build_ok && { tembra_build native bridge_client || build_ok=false; }
if ! $build_ok; then
  record_failure "building the benchmark" "see build/win64-build.log and build/native-build.log"
  write_counts
  exit 1
fi
tembra_start_display || exit 1
tembra_wine_ready || exit 1
trap 'tembra_stop_display; [ ${#floor_pids[@]} -gt 0 ] && kill "${floor_pids[@]}" 2>/dev/null' EXIT

bin=build/win64/bin
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# The measurements inside the game process.
"$WINE64" "$bin/bench.exe" game "${smoke[@]}" >"$work/game.out" 2>&1 </dev/null
status=$?
tr -d '\r' <"$work/game.out" | grep '^ROW' >>"$rows"
[ $status -eq 0 ] || record_failure "bench.exe game" "exited with $status; see $work/game.out"

# The bridge's measurements: the module serving in the game (bench.exe serve), the floor server
# in the same Wine beside it, the Linux client making the pages' requests to both.
bridge_port=47651
floor_port=47652
designed_port=47653
client=build/native/bin/bridge_client
control=$work/control
# Wine sees the Linux file system as drive Z:.
windows_path() {
  local path
  path=$(realpath -m "$1")
  echo "Z:${path//\//\\}"
}
win_control=$(windows_path "$control")
if [ ${#smoke[@]} -gt 0 ]; then
  rate_turns=(1 0.5) pages_turns=(1 1) memory_requests=500
else
  rate_turns=(10 2) pages_turns=(4 5) memory_requests=1000000
fi

# Waits up to 30 s for a "/state" answer on the port, saving its bytes.
await_answer() {
  for _ in $(seq 150); do
    "$client" fetch "$1" "$2" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

# Each floor server is started with the module's own answer and must give back the same bytes.
start_floor() {
  local port=$1
  shift
  "$WINE64" "$bin/floor_server.exe" "$port" "$(windows_path "$work/state-answer.bin")" "$@" \
    >"$work/floor-$port.out" 2>&1 </dev/null &
  floor_pids+=($!)
  await_answer "$port" "$work/floor-$port-answer.bin" && cmp -s "$work/state-answer.bin" "$work/floor-$port-answer.bin"
}

measure_bridge() {
  rm -rf "$control" && mkdir -p "$control"
  "$WINE64" "$bin/bench.exe" serve "$win_control" >"$work/serve.out" 2>&1 </dev/null &
  local serve_pid=$!
  if await_answer $bridge_port "$work/state-answer.bin"; then
    rm -f "$work/designed-floor.log"
    if start_floor $floor_port && start_floor $designed_port --designed "$(windows_path "$work/designed-floor.log")"; then
      "$client" rate $bridge_port $floor_port "${rate_turns[@]}" $designed_port >>"$rows" ||
        record_failure "\"/state\" requests per second" "see $rows"
      "$client" pages $bridge_port $floor_port "${pages_turns[@]}" >>"$rows" ||
        record_failure "\"/state\" latency, 8 pages" "see $rows"
    else
      record_failure "\"/state\" requests per second and latency" "a floor server did not answer alike; see $work/floor-*.out"
    fi
    kill "${floor_pids[@]}" 2>/dev/null
    floor_pids=()
    "$client" memory $bridge_port "$control" $memory_requests >>"$rows" ||
      record_failure "module memory after $memory_requests requests" "see $rows"
  else
    record_failure "the bridge's measurements" "the module's bridge did not answer; see $work/serve.out"
  fi
  touch "$control/done"
  wait "$serve_pid"

  # The frame tick with and without a flood: bench.exe conducts, the client floods on its word.
  rm -rf "$control" && mkdir -p "$control"
  "$client" flood $bridge_port "$control" >"$work/flood-client.out" 2>&1 &
  local flood_pid=$!
  "$WINE64" "$bin/bench.exe" flood "$win_control" "${smoke[@]}" >"$work/flood.out" 2>&1 </dev/null
  local status=$?
  tr -d '\r' <"$work/flood.out" | grep '^ROW' >>"$rows"
  grep -q '^ROW' "$work/flood.out" ||
    record_failure "frame tick while the bridge is flooded" "exited with $status; see $work/flood.out"
  touch "$control/done"
  wait "$flood_pid"
}

floor_pids=()
if [ -d bridge ]; then
  measure_bridge
else
  printf 'ROW\t%s\t%s\t—\t—\t—\t—\n' "the bridge's measurements (requests per second, latency, memory, frame tick under a flood)" \
    "not measured: this build has no bridge" >>"$rows"
fi

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
{
  echo "TembraUI benchmark, $([ ${#smoke[@]} -gt 0 ] && echo "smoke run" || echo "full run"), $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(nproc) cores," \
    "$(free -g | awk '/^Mem:/ {print $2}') GB; $("$WINE64" --version 2>/dev/null) (64-bit);" \
    "load average $load_before before, $load_after after"
  echo
  echo "Figures: median (interquartile range) over the repetitions named in each row; every ratio is"
  echo "module / floor for figures taken side by side in the same process."
  echo
  awk -F'\t' '
    BEGIN { print "| measurement | module | floor (same run) | ratio | goal | result |"; print "|---|---|---|---|---|---|" }
    $1 == "ROW" { printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7 }
  ' "$rows"
} >"$out"
cat "$out"
write_counts
! grep -q $'\tFAILED$' "$rows"
