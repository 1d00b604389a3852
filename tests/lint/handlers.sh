#!/usr/bin/env bash
# Fails when code in src/ or tools/ hands Qt a callback without the guard of
# src/platform/handlers.h: a raw connect, event filter, single-shot timer or queued call
# lets a handler's error unwind through Qt's frames.
#   tests/lint/handlers.sh REPOSITORY
set -uo pipefail
repo=${1:?repository folder}
cd "$repo" || exit 2
found=$(grep -rnE '\bconnect\s*\(|installEventFilter\s*\(|\beventFilter\s*\(|QTimer::singleShot|invokeMethod' \
          --include='*.cpp' --include='*.h' src tools |
        grep -v '^src/platform/handlers\.')
if [[ -n $found ]]; then
  printf '%s\n' "$found"
  echo "handlers.sh: connect through ConnectHandler, InstallEventHook or SingleShot (src/platform/handlers.h)" >&2
  exit 1
fi
