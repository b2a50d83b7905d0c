#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what the desktop and the shell read
# from it: the man pages, the bash completion, the AppStream metainfo, the desktop entry and
# the icons. A check whose tool is missing is skipped with a note, and the test then counts
# as skipped (77) unless another check failed.
#   check_install.sh BUILD_DIR APP_ID BINDIR DATADIR MANDIR
set -uo pipefail
build=$1 id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
bin=$prefix/$3 data=$prefix/$4 man=$prefix/$5
failed=0 skipped=0

fail() { echo "FAIL: $*"; failed=1; }
have() {
  command -v "$1" >/dev/null && return 0
  echo "SKIP: $1 is not installed (package $2), $3 not checked"
  skipped=1
  return 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
cli=$bin/brevane-cli
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
[ -n "$commands" ] || fail "brevane-cli --help lists no commands"

# Man pages: render without a warning; the CLI's has a section for every command it lists.
for page in brevane.1 brevane-cli.1; do
  [ -f "$man/man1/$page" ] || { fail "$page not installed"; continue; }
  have man man-db "$page" || continue
  warnings=$(MANWIDTH=80 man --warnings=w -l -Tutf8 "$man/man1/$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
if [ -f "$man/man1/brevane-cli.1" ] && command -v man >/dev/null; then
  text=$(MANWIDTH=80 man -l "$man/man1/brevane-cli.1" 2>/dev/null)
  for c in $commands; do
    grep -q "^   $c\$" <<<"$text" || fail "brevane-cli.1 has no section for '$c'"
  done
fi

# Completion: valid bash; offers the commands, every option of convert, and pictures only.
completion=$data/bash-completion/completions/brevane-cli
if bash -n "$completion"; then
  work=$(mktemp -d -p "$prefix")
  touch "$work/logo.png" "$work/notes.txt"
  offered() { # WORDS... -> what completing the last word offers, one per line
    (cd "$work" && bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1));
      _brevane_cli; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@")
  }
  [ "$(offered brevane-cli '' | grep -v '^--' | sort)" = "$(sort <<<"$commands")" ] ||
    fail "completing 'brevane-cli ' does not offer the commands: $(offered brevane-cli '' | xargs)"
  options=$("$cli" convert --help | grep -oE -- '(^|[ ,])--?[a-z0-9-]+' | tr -d ' ,' | sort)
  [ "$(offered brevane-cli convert - | sort)" = "$options" ] ||
    fail "completing 'brevane-cli convert -' offers $(offered brevane-cli convert - | xargs), not $(xargs <<<"$options")"
  [ "$(offered brevane-cli convert '')" = "logo.png" ] ||
    fail "completing a picture for convert offers $(offered brevane-cli convert '' | xargs)"
else
  fail "bash -n rejects the completion"
fi

# AppStream metainfo and desktop entry: valid, without a hint.
metainfo=$data/metainfo/$id.metainfo.xml
if have appstreamcli appstream "$metainfo"; then
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
fi
desktop=$data/applications/$id.desktop
if have desktop-file-validate desktop-file-utils "$desktop"; then
  out=$(desktop-file-validate "$desktop" 2>&1)
  [ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate: $out"
  grep -q '^Exec=brevane %F$' "$desktop" || fail "$desktop does not open files"
fi

# Icons: each fixed size is a PNG of that size; the scalable one is there.
for size in 16 24 32 48 64 128 256; do
  png=$data/icons/hicolor/${size}x${size}/apps/$id.png
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{ print $3 * 256 + $4, $7 * 256 + $8 }')
  [ "${w:-0}x${h:-0}" = "${size}x${size}" ] || fail "$png is ${w:-0}x${h:-0}, not ${size}x${size}"
done
[ -f "$data/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"

[ $failed -eq 0 ] || exit 1
[ $skipped -eq 0 ] || exit 77
echo "installed tree checked"
