#!/usr/bin/env bash
# Installs Tessiva for the current user, or removes it again; no root needed.
#   scripts/install.sh install BUILD [PREFIX]   (BUILD: a build tree, or the program in it;
#                                               PREFIX: ~/.local)
#   scripts/install.sh uninstall [PREFIX]
# What goes where is CMake's install component "user" (cmake/Install.cmake): the program, the
# clip, GNOME's idle host and Tessiva.ini in PREFIX/lib/tessiva/, the links and tessiva-idle in
# PREFIX/bin/, the menu entry. This script adds what CMake has no word for: the list of what was
# installed and of the folders the install made, kept in the application directory, so that
# uninstall undoes the idle set-up and removes exactly those, the settings file included; a
# folder that still holds files of someone else's is left with them, and said so. Install also
# says the one sudo line that links the program into the screensaver daemons' folder.
set -euo pipefail

usage() {
  echo "usage: $0 install BUILD [PREFIX] | uninstall [PREFIX]" >&2
  exit 2
}

# A path we can write into the desktop entry and the settings file unchanged.
checked_prefix() {
  local prefix=$1
  case "$prefix" in
    /*) ;;
    *) echo "install.sh: PREFIX must be an absolute path, not \"$prefix\"" >&2; exit 2 ;;
  esac
  if [[ "$prefix" == *$'\n'* || "$prefix" == *$'\r'* ]]; then
    echo "install.sh: PREFIX must not hold a line break" >&2
    exit 2
  fi
  printf '%s' "${prefix%/}"
}

do_install() {
  local build=$1 prefix=$2
  [ -f "$build" ] && build=$(dirname "$build")
  [ -x "$build/tessiva" ] && [ -f "$build/cmake_install.cmake" ] ||
    { echo "install.sh: no built program in $build (build it first)" >&2; exit 1; }
  local app="$prefix/lib/tessiva"
  # The folders made here, parents first, so that uninstall takes away those and no others.
  local made=() dir
  for dir in "$prefix" "$prefix/lib" "$app" "$prefix/bin" "$prefix/share" "$prefix/share/applications"; do
    [ -d "$dir" ] || made+=("$dir")
  done
  cmake --install "$build" --component user --prefix "$prefix" --strip >"$build/install-user.log" ||
    { cat "$build/install-user.log" >&2; exit 1; }
  if [ ${#made[@]} -gt 0 ]; then printf '%s\n' "${made[@]}" >>"$app/.made-folders"; fi
  # Every install's files, so that an uninstall after several installs misses none.
  touch "$app/.installed-files"
  sort -u "$build/install_manifest_user.txt" "$app/.installed-files" >"$app/.installed-files.new"
  mv -f "$app/.installed-files.new" "$app/.installed-files"
  echo "Installed into $app; the command is $prefix/bin/tessiva."
  # MATE's and Xfce's screensaver run a program only from a folder of their own.
  if [ "$(readlink -f /usr/libexec/xscreensaver/tessiva 2>/dev/null)" != "$app/tessiva" ]; then
    echo "For MATE's and Xfce's screensaver, which run programs only from their own folder, link it there once:"
    echo "  sudo ln -sfn $(printf '%q' "$app/tessiva") /usr/libexec/xscreensaver/tessiva"
  fi
  case ":$PATH:" in
    *":$prefix/bin:"*) ;;
    *) echo "Note: $prefix/bin is not on your PATH." ;;
  esac
}

do_uninstall() {
  local prefix=$1
  local app="$prefix/lib/tessiva" bin="$prefix/bin"
  if [ -x "$bin/tessiva-idle" ]; then "$bin/tessiva-idle" off >/dev/null || true; fi
  local made=() file
  if [ -d "$app" ]; then
    if [ -f "$app/.made-folders" ]; then mapfile -t made <"$app/.made-folders"; fi
    if [ -f "$app/.installed-files" ]; then
      while IFS= read -r file; do
        # Only what lies under this prefix: the list is a file like any other.
        case "$file" in "$prefix"/*) rm -f "$file" ;; esac
      done <"$app/.installed-files"
    fi
    # The settings file in every spelling of its name, and what a writer killed mid-write left.
    find "$app" -maxdepth 1 \( -type f -iname 'tessiva.ini' -o -type f -iname '.tessiva.ini.*.tmp' \) -delete
    rm -f "$app/.installed-files" "$app/.made-folders"
    rmdir "$app" 2>/dev/null || echo "Left $app: it holds files that Tessiva didn't put there."
  fi
  # Children before parents; a folder someone has put something into meanwhile stays.
  local i
  for ((i = ${#made[@]} - 1; i >= 0; i--)); do rmdir "${made[i]}" 2>/dev/null || true; done
  echo "Removed Tessiva from $prefix."
}

[ $# -ge 1 ] || usage
case "$1" in
  install)
    [ $# -ge 2 ] && [ $# -le 3 ] || usage
    do_install "$(cd "$(dirname "$2")" && pwd)/$(basename "$2")" "$(checked_prefix "${3:-$HOME/.local}")"
    ;;
  uninstall)
    [ $# -le 2 ] || usage
    do_uninstall "$(checked_prefix "${2:-$HOME/.local}")"
    ;;
  *) usage ;;
esac
