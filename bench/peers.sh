#!/usr/bin/env bash
# The engine against other tag editors on the same files, in one run with the
# caches warm: each scenario runs every program over the whole corpus,
# interleaved and repeated, from a fresh copy of the corpus each time (made
# and flushed outside the timing). Prints the median time of each program,
# its ratio to the engine, and its system calls per file (strace -c).
#
# Usage: bench/peers.sh [COUNT [REPEATS]]   (defaults: 1000 files, 3 repeats)
# Needs build/ and the Debian packages id3v2, python3-mutagen (mid3v2), eyed3,
# lame (real MP3 frames), strace and bc; `make peers` installs them and runs it.
# KID3=1 adds kid3-cli (slow) to the first scenario.
# WORK=folder puts the corpus there (default: a folder under /var/tmp, on disk).
set -euo pipefail
count=${1:-1000}
repeats=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
loop="$root/build/bench/lirvane_engine_loop"
[ -x "$loop" ] || { echo "build first: make build" >&2; exit 1; }
work=$(mktemp -d "${WORK:-/var/tmp}/lirvane-peers-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "making $count files of each kind in $work ..."
python3 "$root/bench/make_corpus.py" "$work/pristine" "$count" 2>/dev/null

files() { ls "$work/run"/*.mp3; }
reset() {  # a fresh copy of one kind, on disk before any timing
  rm -rf "$work/run"
  cp -r "$work/pristine/$1" "$work/run"
  sync
}
seconds() {  # runs a command over the files; prints its wall time
  local start end
  start=$(date +%s.%N)
  (cd "$work/run" && "$@" $(files) > /dev/null 2>&1) || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
calls() {  # system calls per file, counted once by strace
  local out="$work/strace.txt"
  (cd "$work/run" && strace -f -c -o "$out" "$@" $(files) > /dev/null 2>&1) || true
  awk -v n="$count" '/ total$/ { printf "%.1f", $4 / n }' "$out"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# scenario KIND NAME=COMMAND... : the first program is the engine, the rest are compared to it.
scenario() {
  wanted "$1" || return 0
  local kind=$1 title=$2
  shift 2
  local names=() commands=()
  for pair in "$@"; do names+=("${pair%%=*}"); commands+=("${pair#*=}"); done
  declare -A times=()
  for ((r = 0; r < repeats; r++)); do
    for i in "${!names[@]}"; do
      reset "$kind"
      times[$i]+="$(seconds ${commands[$i]}) "
    done
  done
  echo
  echo "### $title ($count files, median of $repeats)"
  echo
  echo "| Program | Seconds | Spread | Ratio to the engine | Calls per file |"
  echo "|---|---|---|---|---|"
  local base=""
  for i in "${!names[@]}"; do
    local sorted m low high
    sorted=$(tr ' ' '\n' <<< "${times[$i]}" | grep . | sort -g)
    m=$(median <<< "$sorted")
    low=$(head -1 <<< "$sorted")
    high=$(tail -1 <<< "$sorted")
    [ -n "$base" ] || base=$m
    reset "$kind"
    printf "| %s | %.3f | %.3f-%.3f | %.2f | %s |\n" "${names[$i]}" "$m" "$low" "$high" "$(echo "$m / $base" | bc -l)" \
      "$(calls ${commands[$i]})"
  done
  # Round by round: the engine against each other program, the slowest ratio first.
  for i in "${!names[@]}"; do
    [ "$i" -gt 0 ] || continue
    paste -d' ' <(tr ' ' '\n' <<< "${times[0]}" | grep .) <(tr ' ' '\n' <<< "${times[$i]}" | grep .) |
      awk -v name="${names[$i]}" '{ r = $2 / $1; if (NR == 1 || r < least) least = r } END { printf "- %s: at least %.2f times the engine in every round\n", name, least }'
  done
}

title=(-t "A title of the benchmark" -a "An artist")
have() { command -v "$1" > /dev/null; }
peers_write=()
have id3v2 && peers_write+=("id3v2=id3v2 -t Title -a Artist")
have mid3v2 && peers_write+=("mid3v2=mid3v2 -t Title -a Artist")
have eyeD3 && peers_write+=("eyeD3=eyeD3 --quiet --no-color -t Title -a Artist")
[ "${KID3:-0}" = 1 ] && have kid3-cli && peers_write+=("kid3-cli=kid3-cli -c 'set title Title' -c 'set artist Artist'")

# SCENARIOS="cover bigcover" runs only the scenarios of those kinds.
wanted() { [ -z "${SCENARIOS:-}" ] || [[ " $SCENARIOS " == *" $1 "* ]]; }
echo "## $(date -u +%F), $(nproc) cores, $(uname -r), $(findmnt -no FSTYPE -T "$work") under $work"
scenario plain "Title and artist, the tag fits in place" \
  "engine=$loop title-artist" "4 KB pread/pwrite=$loop ref-4k" "${peers_write[@]}"
scenario cover "Title and artist with a 200 KB cover in the tag" \
  "engine=$loop title-artist" "tag pread/pwrite=$loop ref-tag" "${peers_write[@]}"
scenario bigcover "Title and artist with a 1.3 MB cover in the tag" \
  "engine=$loop title-artist" "tag pread/pwrite=$loop ref-tag" "${peers_write[@]}"
scenario tight "Title and artist into a tag without room: the file grows" \
  "engine=$loop title-artist" "durable copy=$loop ref-copy"
peers_remove=()
have id3v2 && peers_remove+=("id3v2=id3v2 --delete-all")
have mid3v2 && peers_remove+=("mid3v2=mid3v2 --delete-all")
have eyeD3 && peers_remove+=("eyeD3=eyeD3 --quiet --no-color --remove-all")
scenario plain "Both tags removed (full removal of ID3v2, then of ID3v1.1)" \
  "engine=$loop remove-both" "durable copy=$loop ref-copy" "${peers_remove[@]}"
peers_v1=()
have id3v2 && peers_v1+=("id3v2=id3v2 --delete-v1")
have mid3v2 && peers_v1+=("mid3v2=mid3v2 --delete-v1")
scenario plain "The ID3v1.1 trailer removed in full" \
  "engine=$loop v1-remove" "ftruncate and fsync=$loop ref-truncate" "${peers_v1[@]}"
scenario plain "The ID3v1.1 title written" \
  "engine=$loop v1-title" "4 KB pread/pwrite=$loop ref-4k"
