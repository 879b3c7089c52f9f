#!/bin/sh
# Runs the page tests with node's test runner. Where the system allows it the
# run happens in a network namespace that holds nothing but loopback, so no
# request of the browser can leave the machine.
cd "$(dirname "$0")" || exit 1
set -- node --test --test-reporter=spec --test-concurrency=1 test/
if command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1 &&
   unshare -n sh -c 'ip link set lo up' >/dev/null 2>&1; then
  exec unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
exec "$@"
