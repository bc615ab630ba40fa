#!/usr/bin/env bash
# scripts/check-includes over small trees of its own: a circle between units (a source file and
# its header are one unit) fails the check, --allow tolerates the circles among the units it
# names, and an allowance whose circles are gone fails as well.
set -u
CHECK="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-includes"
TREE=$(mktemp -d)
trap 'rm -rf "$TREE"' EXIT
failures=0

# put FILE [INCLUDED...]: FILE includes each INCLUDED with #include "..."
put() {
  local file=$TREE/$1
  shift
  mkdir -p "$(dirname "$file")"
  : >"$file"
  for included in "$@"; do echo "#include \"$included\"" >>"$file"; done
}

# expect STATUS TEXT [ARGUMENTS...]: the check over the tree exits STATUS and prints TEXT
expect() {
  local want=$1 text=$2 out status
  shift 2
  out=$("$CHECK" --root "$TREE" "$@" src 2>&1)
  status=$?
  if [ "$status" -ne "$want" ] || ! grep -qF -- "$text" <<<"$out"; then
    echo "FAILED: check-includes $* exited $status (wanted $want) without \"$text\":"
    echo "$out"
    failures=$((failures + 1))
  fi
}

# a.cpp includes b.h and b.cpp includes a.h: a circle although no header includes a header.
put src/a.h
put src/a.cpp src/a.h src/b.h
put src/b.h
put src/b.cpp src/b.h src/a.h
# A header found beside the one that includes it; unknown headers do not count.
put src/c.h d.h missing.h
put src/d.h
expect 1 "include circle: src/a -> src/b -> src/a"
expect 1 "src/b.cpp includes src/a.h"
expect 0 "known circle: src/a -> src/b -> src/a" --allow "src/b src/a"
expect 0 "known circle" --allow "src/a src/b src/c"
expect 1 "include circle: src/a -> src/b" --allow "src/a src/c"
expect 2 "needs the units" --allow "src/a"

put src/d.h c.h
expect 1 "include circle: src/c -> src/d -> src/c" --allow "src/a src/b"

put src/b.cpp src/b.h
put src/d.h
expect 0 "no include circle"
expect 1 "the allowed circle src/a src/b is gone" --allow "src/a src/b"

# The FTP protocol's folder reaches only itself and winobj's guards and plain text routines.
put app/ftp/client.cpp app/ftp/client.h winobj/scoped.h winobj/text_core.h
put app/ftp/client.h
put app/remote/pane.h app/ftp/client.h
put winobj/scoped.h
put winobj/text_core.h
put winobj/control.h
expect 0 "no include circle, no include outside its folder's reach" app
put app/ftp/client.h app/remote/pane.h winobj/control.h
expect 1 "outside its folder's reach: app/ftp/client.h includes app/remote/pane.h" app
expect 1 "outside its folder's reach: app/ftp/client.h includes winobj/control.h" app

[ "$failures" -eq 0 ] && echo "check-includes: all cases passed"
exit $((failures > 0))
