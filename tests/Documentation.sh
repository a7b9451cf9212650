#!/usr/bin/env bash
# The man pages format without a single warning, show no placeholder and the version that
# kanaconv --version shows, and kanaconv's man page and bash completion know every option
# and value that kanaconv --help lists.
#
#   tests/Documentation.sh KANACONV MANDIR COMPLETION
set -euo pipefail
kanaconv=$1 mandir=$2 completion=$3
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

man_page() { LC_ALL=C.UTF-8 MANWIDTH=${2:-80} man --warnings -l "$mandir/$1.1"; }
for page in kanaconv ostrel; do
  warnings=$(man_page $page 2>&1 >/dev/null) || fail "man cannot format $page.1"
  [[ -z $warnings ]] || fail "$page.1: $warnings"
done
version=$("$kanaconv" --version | sed -nE '1s/^kanaconv ([0-9][^ ]*) .*/\1/p')
[[ -n $version ]] || fail "kanaconv --version shows no version"
for page in kanaconv ostrel; do
  if grep -nE '@[A-Za-z_]+@' "$mandir/$page.1"; then fail "$page.1 holds a placeholder"; fi
  grep -q "\"kana $version\"" "$mandir/$page.1" || fail "$page.1 does not show version $version"
done
page=$(man_page kanaconv 1000 2>/dev/null)

# shellcheck source=/dev/null
source "$completion"
offered() { # the completions of the words given, the last being completed
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMPREPLY=()
  _kanaconv
  echo "${COMPREPLY[*]}"
}
options=" $(offered kanaconv -) "

# --help's options: --name, --name=VALUES (a|b|c, or a placeholder) and -x.
while read -r option values; do
  grep -qwe "$option" <<<"$page" || fail "kanaconv.1 lacks $option"
  [[ $options == *" $option"[=\ ]* ]] || fail "the completion lacks $option"
  [[ -n $values ]] || continue
  # The page's --name={a|b|c} or --name=VALUE, as " a b c ".
  documented=" $(grep -oE -e "$option=(\{[^}]*\}|[A-Za-z0-9-]+)" <<<"$page" |
    sed -E 's/^[^=]*=//; s/[{}]//g' | tr '|\n' '  ') "
  for value in ${values//|/ }; do
    [[ $documented == *" $value "* ]] || fail "kanaconv.1 lacks $option=$value"
    [[ $value == [A-Z]* || " $(offered kanaconv "$option" =) " == *" $value "* ]] ||
      fail "the completion lacks $option=$value"
  done
done < <("$kanaconv" --help | grep -oE -- '(^|[ [|])(--[a-z-]+(=[A-Za-z0-9|-]+)?|-[a-z])\b' |
  sed -E 's/^[ [|]//; s/=/ /' | sort -u)

# The completion in both word splittings of --kata=2b, and files after the options.
[[ $(offered kanaconv --kata=2b) == --kata=2byte ]] || fail "completing --kata=2b"
[[ $(offered kanaconv --kata = 2b) == 2byte ]] || fail "completing --kata = 2b"
[[ $(offered kanaconv --tab=4 "$mandir/kanac") == "$mandir/kanaconv.1" ]] ||
  fail "completing a file name"
exit $status
