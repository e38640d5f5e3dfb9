#!/bin/sh
# Checks what `cmake --install` and `cpack -G DEB` make of a build folder.
#
#   check-packaging.sh install BUILD_DIR   install into a DESTDIR, run the validators on it
#   check-packaging.sh deb BUILD_DIR       build the .deb, run lintian, run the packaged binary
#
# Everything happens in a temporary folder that is removed afterwards.
set -eu

mode=$1
build=$2
id=io.github.dimwarden.Dimwarden
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

case "$mode" in
install)
    DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >/dev/null
    share=$tmp/root/usr/share
    [ -x "$tmp/root/usr/bin/dimwarden" ] || fail "no binary in usr/bin"
    for size in 16 32 48 64 128 256; do
        icon=$share/icons/hicolor/${size}x$size/apps/$id.png
        [ "$(identify -format '%w %h' "$icon")" = "$size $size" ] || fail "icon $icon"
    done
    [ -s "$share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"

    # Warnings fail as errors do. The one pedantic note of appstreamcli (capitals in the id, the
    # usual reverse-DNS spelling) is not counted by --strict.
    out=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1) && [ -z "$out" ] ||
        fail "desktop entry: $out"
    appstreamcli validate --no-net --strict "$share/metainfo/$id.metainfo.xml" ||
        fail "AppStream data"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
        "$share/metainfo/$id.metainfo.xml" || fail "metainfo names another desktop entry"
    grep -qx "Icon=$id" "$share/applications/$id.desktop" || fail "desktop entry names another icon"
    grep -q "<project_license>MIT</project_license>" "$share/metainfo/$id.metainfo.xml" ||
        fail "metainfo names no MIT licence"
    # The actions launchers show and desktops bind to keys, each running its command.
    entry=$share/applications/$id.desktop
    grep -qx "Actions=Night;Normal;Toggle;" "$entry" || fail "desktop entry lacks its actions"
    for action in Night Normal Toggle; do
        command=$(echo "$action" | tr 'A-Z' 'a-z')
        sed -n "/^\[Desktop Action $action\]/,/^\[/p" "$entry" |
            grep -qx "Exec=dimwarden --$command" || fail "desktop action $action"
    done

    page=$share/man/man1/dimwarden.1.gz
    warnings=$(zcat "$page" | groff -ww -z -man -Tutf8 2>&1)
    [ -z "$warnings" ] || fail "groff: $warnings"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=all -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man: $warnings"
    # The completions, made from the command table: bash offers every command after "--" and
    # the schedule's words after --schedule; zsh and fish at least read theirs.
    bash_completion=$share/bash-completion/completions/dimwarden
    offered() {
        bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _dimwarden
            printf "%s\n" "${COMPREPLY[@]}"' _ "$bash_completion" "$@"
    }
    for option in --night --toggle --color --temperature --brightness --schedule --quit --help; do
        offered dimwarden -- | grep -qx -- "$option" || fail "bash does not offer $option"
    done
    offered dimwarden --schedule '' | grep -qx off || fail "bash does not offer --schedule off"
    [ -z "$(offered dimwarden --color '')" ] || fail "bash offers words for a colour"
    [ -s "$share/zsh/vendor-completions/_dimwarden" ] || fail "no zsh completion"
    [ -s "$share/fish/vendor_completions.d/dimwarden.fish" ] || fail "no fish completion"
    if command -v zsh >/dev/null; then
        zsh -n "$share/zsh/vendor-completions/_dimwarden" || fail "zsh cannot read its completion"
    fi
    if command -v fish >/dev/null; then
        fish -n "$share/fish/vendor_completions.d/dimwarden.fish" || fail "fish cannot read its"
    fi

    # Nothing starts the tool at login unless the user asks for it.
    [ ! -e "$tmp/root/etc/xdg/autostart" ] || fail "a system-wide autostart entry is installed"
    ;;
deb)
    (cd "$tmp" && cpack -G DEB -B "$tmp" --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
        fail "cpack: $(cat "$tmp/cpack.log")"
    deb=$(ls "$tmp"/dimwarden_*_*.deb)
    [ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "no dependencies found"
    # Errors and warnings fail the check (lintian's own note about running as root aside).
    status=0
    lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 || status=$?
    grep -v 'running with root privileges' "$tmp/lintian.log" || true
    [ "$status" = 0 ] || fail "lintian reports errors or warnings"
    dpkg-deb -x "$deb" "$tmp/root"
    grep -q "under the MIT licence" "$tmp/root/usr/share/doc/dimwarden/copyright" ||
        fail "the package's copyright file names no MIT licence"
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$tmp/root/usr/bin/dimwarden" --version)
    version=$(dpkg-deb -f "$deb" Version)
    [ "$out" = "dimwarden $version" ] || fail "--version said '$out', the package is $version"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "packaging $mode OK"
