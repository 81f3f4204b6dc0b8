#!/usr/bin/env bash
# Installs the Debian packages that conta builds, tests and runs with.
# Idempotent: silent when every package is already present.
set -euo pipefail

packages=(
  cmake g++ make pkg-config     # toolchain
  libexpat1-dev                 # XML datapacket reader
  nlohmann-json3-dev            # JSON packet codec
  libcli11-dev                  # command-line parsing of the conta tool
  libgtest-dev libgmock-dev     # unit tests
  libbenchmark-dev              # benchmarks under bench/
  fpc                           # independent XML packet reader used by interop tests
  libsqlite3-dev                # the embedded store database
  libpq-dev                     # PostgreSQL client library
  unixodbc-dev unixodbc         # ODBC driver manager (MS SQL Server, Oracle in the field)
  postgresql postgresql-common  # a throwaway PostgreSQL server for the tests (pg_virtualenv)
  odbc-postgresql libsqliteodbc # ODBC drivers the tests reach PostgreSQL and SQLite through
  python3                       # the Python example host (examples/python), run as a test
  groff-base                    # the tests check that the manual page formats cleanly
  clang                         # the Clang build: thread-safety check, thousand loads (scripts/clang-build.sh)
)

# The benchmark plot (bench/plot_bills.py) needs matplotlib; only with --bench.
if [ "${1:-}" = "--bench" ]; then
  packages+=(python3-matplotlib)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then sudo="sudo"; else
    echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2; exit 1
  fi
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if ! { $sudo apt-get update -qq && \
       $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "install-deps: apt-get failed" >&2
  exit 1
fi
