#!/usr/bin/env bash
# Runs the shell commands that README.md and docs/*.md show, so that none of
# them goes stale unnoticed. Every fenced block marked ```sh runs as a
# newcomer would type it at the repository's root after scripts/run.sh, in a
# scratch directory and against a built tree:
#   - a copy of the sources stands for the repository, with `build` and
#     `build-test` being the built tree, whose tool is on the PATH (as the
#     README's tool section asks the reader to put it);
#   - /tmp and /usr/local in a command mean folders of the scratch directory;
#     the built tree is installed into that /usr/local, and PKG_CONFIG_PATH
#     names its pkg-config folder as the system's search path names the real
#     one (LD_LIBRARY_PATH is unset: programs find the library on their own);
#   - with a sanitized tree, `cc`, `c++` and `python3` carry the sanitizer
#     runtime, as the tree's own tests of its consumers do.
# Each block runs in a shell of its own (bash -e -o pipefail, no standard
# input, at most 5 minutes), in the pages' order: later blocks find what
# earlier ones made.
#
# A comment on the line just above a ```sh block says how it is checked
# instead of being run:
#   <!-- readme-check: run by WHAT -->      WHAT runs it: a ctest regex that
#       must match a test of the built tree, or a file of the repository that
#       must name every repository file the block names (a script it runs);
#   <!-- readme-check: configure only -->   its `cmake -S` commands run (a -D
#       variable the project does not use fails them) and its
#       `cmake --build DIR --target ...` commands must name targets DIR has;
#       nothing else of it runs;
#   <!-- readme-check: not run: REASON -->  a long measurement, reported as such
#       (the last mode: the reason runs to the end).
# Modes combine with "; ". Above any other block,
#   <!-- readme-check: printed by COMMAND -->  each of its lines must be a
#       line COMMAND prints (run as a block is).
# In every block, an option of a `conta` command must be one its
# subcommand's --help lists. Every relative link of these pages must lead to
# a file, and an anchor to a heading of it.
#
#   scripts/readme-commands.sh [--build DIR] [--keep]
#
# --build: the built tree (default: build-test, or CONTA_TEST_BUILD_DIR, as
# scripts/test.sh builds it). --keep: leave the scratch directory. Exit status
# 0 only when every check passes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${CONTA_TEST_BUILD_DIR:-$root/build-test}"
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$(cd "$2" && pwd)"; shift 2 ;;
    --keep) keep=1; shift ;;
    -h|--help) sed -n '2,41p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "readme-commands: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
tool="$build/tools/conta/conta"
if [ ! -x "$tool" ] || [ ! -f "$build/CMakeCache.txt" ]; then
  echo "readme-commands: no built tree in $build (scripts/test.sh builds one)" >&2
  exit 2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/conta-readme.XXXXXX")"
if [ "$keep" = 1 ]; then
  echo "readme-commands: scratch directory $work" >&2
else
  trap 'rm -rf "$work"' EXIT
fi
repo="$work/repo"
blocks="$work/blocks"
mkdir -p "$repo" "$blocks" "$work/bin" "$work/tmp" "$work/usr/local"

failures=0
fail() { echo "readme-commands: FAILED: $*" >&2; failures=$((failures + 1)); }

pages=(README.md)
for page in "$root"/docs/*.md; do
  [ -e "$page" ] && pages+=("docs/$(basename "$page")")
done

# ---- the pages' blocks ------------------------------------------------------
# blocks/N holds fenced block N; the manifest has one line a block:
# "N<TAB>page<TAB>line<TAB>language<TAB>readme-check comment".
(cd "$root" && awk -v dir="$blocks" '
  FNR == 1 { fence = 0; previous = "" }
  previous ~ /^<!-- readme-check: / && !/^```/ {
    printf "%s:%d: a readme-check comment must be just above a block\n", FILENAME, FNR - 1 \
      > "/dev/stderr"
    bad = 1
  }
  fence {
    if ($0 ~ /^```[ \t]*$/) { close(out); fence = 0 } else print > out
    next
  }
  /^```/ {
    lang = $0; sub(/^```[ \t]*/, "", lang); sub(/[ \t].*$/, "", lang)
    if (lang ~ /^(bash|shell|console|zsh|shell-session)$/) {
      printf "%s:%d: shell commands go in a block marked ```sh\n", FILENAME, FNR > "/dev/stderr"
      bad = 1
    }
    mode = ""
    if (previous ~ /^<!-- readme-check: .* -->$/) {
      mode = previous; sub(/^<!-- readme-check: /, "", mode); sub(/ -->$/, "", mode)
    }
    n++; out = dir "/" n; printf "" > out; fence = 1; previous = ""
    printf "%d\t%s\t%d\t%s\t%s\n", n, FILENAME, FNR, lang, mode > (dir "/manifest")
    next
  }
  { previous = $0 }
  END { exit bad }
' "${pages[@]}") || fail "the pages' blocks (above)"
touch "$blocks/manifest"

# ---- links ------------------------------------------------------------------
# GitHub's anchor of a heading: lower case, punctuation dropped, spaces as -.
anchors() {
  sed -n 's/^#\{1,6\} \{1,\}//p' "$1" | tr '[:upper:]' '[:lower:]' |
    sed -e 's/[^[:alnum:] _-]//g' -e 's/ /-/g'
}
for page in "${pages[@]}"; do
  dir="$(dirname "$root/$page")"
  while IFS= read -r link; do
    case "$link" in http://*|https://*|mailto:*) continue ;; esac
    target="${link%%#*}" anchor=""
    [ "$target" != "$link" ] && anchor="${link#*#}"
    file="$root/$page"
    [ -n "$target" ] && file="$dir/$target"
    if [ ! -e "$file" ]; then
      fail "$page: the link '$link' leads to no file"
    elif [ -n "$anchor" ] && ! anchors "$file" | grep -qxF -- "$anchor"; then
      fail "$page: the link '$link' names no heading of ${file#"$root"/}"
    fi
  done < <(grep -o '\]([^) ]*)' "$root/$page" | sed 's/^](\(.*\))$/\1/')
done

# ---- the newcomer's machine -------------------------------------------------
tar -C "$root" --exclude=./.git --exclude='./build*' -cf - . | tar -C "$repo" -xf -
ln -s "$build" "$repo/build"
ln -s "$build" "$repo/build-test"

python="$(command -v python3 || true)"
if grep -q '^CONTA_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  cc_real="$(sed -n 's/^CMAKE_C_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")"
  cxx_real="$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")"
  printf '#!/bin/sh\nexec "%s" -fsanitize=address,undefined "$@"\n' "$cc_real" >"$work/bin/cc"
  printf '#!/bin/sh\nexec "%s" -fsanitize=address,undefined "$@"\n' "$cxx_real" >"$work/bin/c++"
  # Python is not built with the sanitizer: its runtime, then the C++ one,
  # must be loaded first (as examples/CMakeLists.txt does for its test).
  preload=""
  for name in libasan.so "libclang_rt.asan-$(uname -m).so" libstdc++.so.6; do
    file="$("$cxx_real" -print-file-name="$name")"
    case "$file" in /*) [ -e "$file" ] && preload="${preload:+$preload:}$file" ;; esac
  done
  printf '#!/bin/sh\nLD_PRELOAD="%s" ASAN_OPTIONS=detect_leaks=0 exec "%s" "$@"\n' \
         "$preload" "$python" >"$work/bin/python3"
  chmod +x "$work/bin/cc" "$work/bin/c++" "$work/bin/python3"
  export CC="$work/bin/cc" CXX="$work/bin/c++"
fi
cmake --install "$build" --prefix "$work/usr/local" >"$work/install.log"
pc="$(find "$work/usr/local" -name conta.pc -print -quit)"
PKG_CONFIG_PATH="$(dirname "$pc")"
export PKG_CONFIG_PATH
export PATH="$work/bin:$repo/build/tools/conta:$PATH"
unset LD_LIBRARY_PATH

# Commands, one a line: continuations joined, comments and blank lines
# dropped; /tmp and /usr/local moved into the scratch directory.
commands() {
  sed -e "s#/tmp/#$work/tmp/#g" -e "s#/tmp\$#$work/tmp#g" -e "s#/usr/local#$work/usr/local#g" \
      "$@" | sed -e ':a' -e '/\\$/N; s/\\\n//; ta' | sed -e 's/^[[:space:]]*//' -e '/^#/d' \
      -e '/^$/d' -e 's/[[:space:]]\{1,\}#[[:space:]].*$//'
}

# Options of `conta` commands (in a synopsis too) against the subcommand's
# --help.
declare -A helps
check_options() {  # BLOCK WHERE
  local line words sub option
  while IFS= read -r line; do
    read -ra words <<<"${line//[][|]/ }"
    if [ "${words[0]:-}" != conta ] || [ "${#words[@]}" -lt 2 ]; then continue; fi
    sub="${words[1]}"
    case "$sub" in -*) continue ;; esac
    if [ -z "${helps[$sub]+set}" ]; then
      helps[$sub]="$("$tool" "$sub" --help 2>&1 || true)"
    fi
    for option in "${words[@]:2}"; do
      case "$option" in --*) option="${option%%=*}" ;; *) continue ;; esac
      grep -qE -- "(^|[ ,])$option([ =,]|$)" <<<"${helps[$sub]}" ||
        fail "$2: 'conta $sub' has no option $option"
    done
  done < <(commands "$1")
}

run_block() {  # BLOCK WHERE
  commands "$1" >"$1.run"
  if ! (cd "$repo" && timeout 300 bash -e -o pipefail "$1.run") </dev/null >"$1.log" 2>&1; then
    fail "$2: the block failed; its commands and output:"
    sed 's/^/  | /' "$1.run" >&2
    tail -n 40 "$1.log" | sed 's/^/  > /' >&2
    return 1
  fi
}

configure_block() {  # BLOCK WHERE
  local line words dir i target help
  while IFS= read -r line; do
    read -ra words <<<"$line"
    if [ "${words[0]:-}" = cmake ] && [ "${words[1]:-}" = -S ]; then
      if ! (cd "$repo" && eval "$line") </dev/null >"$1.log" 2>&1; then
        fail "$2: '$line' failed:"; tail -n 20 "$1.log" | sed 's/^/  > /' >&2
      elif grep -q "Manually-specified variables were not used" "$1.log"; then
        fail "$2: '$line' sets variables the project does not use:"
        grep -A5 "Manually-specified" "$1.log" | sed 's/^/  > /' >&2
      fi
    elif [ "${words[0]:-}" = cmake ] && [ "${words[1]:-}" = --build ]; then
      dir="${words[2]}" target=""
      help="$(cd "$repo"; cmake --build "$dir" --target help 2>&1 || true)"
      for ((i = 3; i < ${#words[@]}; i++)); do
        case "${words[i]}" in
          --target) target=1 ;;
          -*) target="" ;;
          *) if [ -n "$target" ] && ! grep -qE "(^|[ .])${words[i]}(:| |$)" <<<"$help"; then
               fail "$2: '$dir' has no target ${words[i]} (configured as the block says)"
             fi ;;
        esac
      done
    fi
  done < <(commands "$1")
}

run_by() {  # BLOCK WHERE WHAT
  local line words word count
  if [ -f "$root/$3" ]; then
    while IFS= read -r line; do
      read -ra words <<<"$line"
      for word in "${words[@]}"; do
        word="${word#./}"
        if [[ "$word" == */* ]] && [ -f "$root/$word" ] && ! grep -qF -- "$word" "$root/$3"; then
          fail "$2: run by $3, which does not run $word"
        fi
      done
    done < <(commands "$1")
  else
    count="$(ctest --test-dir "$build" -N -R "$3" | sed -n 's/^Total Tests: //p')"
    [ "${count:-0}" -gt 0 ] || fail "$2: run by '$3', which names no test of $build"
  fi
}

printed_by() {  # BLOCK WHERE COMMAND
  local output line
  commands <(printf '%s\n' "$3") >"$1.run"
  if ! output="$(cd "$repo" && timeout 300 bash -e -o pipefail "$1.run" </dev/null 2>&1)"; then
    fail "$2: '$3' failed:"; tail -n 20 <<<"$output" | sed 's/^/  > /' >&2
    return
  fi
  while IFS= read -r line; do
    [ -z "$line" ] || grep -qxF -- "$line" <<<"$output" || fail "$2: '$3' prints no line '$line'"
  done <"$1"
}

# ---- the blocks, in order ---------------------------------------------------
ran=0 checked=0 not_run=0
while IFS=$'\t' read -r n page line lang mode; do
  block="$blocks/$n" where="$page:$line"
  check_options "$block" "$where"
  if [ "$lang" != sh ]; then
    case "$mode" in
      "") ;;
      "printed by "*) printed_by "$block" "$where" "${mode#printed by }"
                      echo "readme-commands: $where $mode"; checked=$((checked + 1)) ;;
      *) fail "$where: a '$lang' block takes no readme-check '$mode'" ;;
    esac
    continue
  fi
  if [ -z "$mode" ]; then
    start=$(date +%s)
    run_block "$block" "$where" || continue
    echo "readme-commands: $where ran ($(( $(date +%s) - start )) s)"
    ran=$((ran + 1))
    continue
  fi
  IFS=';' read -ra parts <<<"$mode"
  for part in "${parts[@]}"; do
    part="${part#"${part%%[![:space:]]*}"}"
    case "$part" in
      "run by "*) run_by "$block" "$where" "${part#run by }" ;;
      "configure only") configure_block "$block" "$where" ;;
      "not run: "*) not_run=$((not_run + 1)); break ;;  # the reason may hold a ";"
      *) fail "$where: unknown readme-check '$part'" ;;
    esac
  done
  echo "readme-commands: $where $mode"
  checked=$((checked + 1))
done <"$blocks/manifest"

echo "readme-commands: ${#pages[@]} pages, $ran blocks run, $checked checked otherwise" \
     "($not_run long ones not run)"
if [ "$failures" -gt 0 ]; then
  echo "readme-commands: $failures failed" >&2
  exit 1
fi
