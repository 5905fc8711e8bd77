#!/usr/bin/env bash
# The bash completion quorvel-cli prints: every command of its help is offered, each
# command's verbs and options, the ports of the device folder after --usb, and the
# command's own files.
#   test_completion.sh QUORVEL_CLI
set -uo pipefail

cli="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

"$cli" completion bash >"$tmp/completion" || { echo "FAILED: completion exited $?"; exit 1; }
# shellcheck disable=SC1091
source "$tmp/completion" || { echo "FAILED: the script does not load"; exit 1; }

# complete WORDS...: the candidates for the last word (empty for a new word), sorted.
complete_words() {
  COMP_WORDS=(quorvel-cli "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _quorvel_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() { # expect DESCRIPTION EXPECTED WORDS...
  local what=$1 want=$2
  shift 2
  local got
  got="$(complete_words "$@")"
  [ "$got" = "$want" ] || fail "$what: got '$got', want '$want'"
}

# Every command of --help, no more, no less.
commands="$("$cli" --help | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z0-9-]*\).*/\1/p' | sort | tr '\n' ' ')"
offered="$(complete_words "" | tr ' ' '\n' | grep -v '^-' | grep -v '^help$' | grep -v '^$' | sort | tr '\n' ' ')"
[ -n "$commands" ] && [ "$commands" = "$offered" ] || fail "commands: '$offered' against --help '$commands'"
expect "link and tool options" "--verbose --version " --v

mkdir -p "$tmp/dev" "$tmp/work/sub"
touch "$tmp/dev/ttyACM0" "$tmp/dev/ttyQV1.name" "$tmp/dev/notes"
export QUORVEL_DEV_DIR="$tmp/dev"
expect "ports" "ttyACM0 ttyQV1 " --usb ""
expect "dongle ports" "ttyACM0 " --ble ttyA

cd "$tmp/work" || exit 1
touch a.vqap b.vqfw c.csv
expect "verbs" "write " --usb ttyACM0 program w
expect "program file" "a.vqap sub " --usb ttyACM0 program write ""
expect "firmware package" "b.vqfw sub " --usb ttyACM0 firmware update ""
expect "CSV files" "c.csv sub " datalogs plot ""
expect "backup folder" "sub " --usb ttyACM0 backup ""
expect "clock set options" "--drift --help --now " --usb ttyACM0 clock set --
expect "option values" "de en es fr it " firmware list --language ""
expect "verbs of a (a | b) group" "backup " fleet b
expect "help topics" "panel ports program " help p

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "completion: every check passed"
