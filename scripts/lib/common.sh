# shellcheck shell=bash
# Shared by the scripts: messages, the repository root and the build.
# Sourced, not run.

IPRA_REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
IPRA_ME="${0##*/}"

ipra_die() {
  printf '%s: %s\n' "$IPRA_ME" "$*" >&2
  exit 1
}

ipra_note() {
  printf '%s: %s\n' "$IPRA_ME" "$*" >&2
}

# Configure and build into $1; further arguments go to cmake. The output is kept in a
# log and shown only when the build fails or the compiler had something to say, so a
# clean build is silent.
ipra_build() {
  local build=$1 log
  shift
  mkdir -p "$build" || ipra_die "cannot create the build folder $build"
  log="$build/ipra-build.log"
  if ! cmake -G Ninja -S "$IPRA_REPO" -B "$build" "$@" >"$log" 2>&1; then
    cat "$log" >&2
    ipra_die "configuring the build in $build failed (see above)"
  fi
  if ! cmake --build "$build" -j2 >"$log" 2>&1; then
    cat "$log" >&2
    ipra_die "the build in $build failed (see above)"
  fi
  if grep -q -i 'warning' "$log"; then
    cat "$log" >&2
  fi
}
