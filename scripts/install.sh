#!/usr/bin/env bash
# Installs Tessiva for the current user, or removes it again; no root needed.
#   scripts/install.sh install PROGRAM [PREFIX]   (PREFIX: ~/.local)
#   scripts/install.sh uninstall [PREFIX]
# What goes where, under PREFIX:
#   lib/tessiva/               the application directory: the program, the clip vorn.evc,
#                              Tessiva.ini, whose "path" names this folder, and
#                              tessiva-gnome-idle, GNOME's idle host
#   bin/tessiva                a link to the program, which still finds its settings beside
#                              the program file
#   bin/tessiva-idle           sets up (or undoes) an idle host that starts the saver
#   share/applications/tessiva-settings.desktop   "Tessiva settings" in the menu: runs /C
# and says the one sudo line that links the program into the screensaver daemons' folder.
# An existing settings file, in whatever spelling of its name, is kept as it is. Uninstall
# undoes the idle set-up and removes everything above, the settings file included; a folder
# that still holds files of someone else's is left with them, and said so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  echo "usage: $0 install PROGRAM [PREFIX] | uninstall [PREFIX]" >&2
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

# The settings files of the application directory, any spelling of the name.
settings_files() {
  find "$1" -maxdepth 1 -type f -iname 'tessiva.ini' 2>/dev/null || true
}

# A desktop entry's Exec argument: quoted, with the characters the quoting reserves escaped,
# then with the value's own backslash escape applied.
exec_argument() {
  local arg=$1
  arg=${arg//\\/\\\\}
  arg=${arg//\"/\\\"}
  arg=${arg//\`/\\\`}
  arg=${arg//\$/\\\$}
  arg=${arg//%/%%}
  arg="\"$arg\""
  printf '%s' "${arg//\\/\\\\}"
}

do_install() {
  local program=$1 prefix=$2
  [ -x "$program" ] || { echo "install.sh: no program at $program (build it first)" >&2; exit 1; }
  local app="$prefix/lib/tessiva" bin="$prefix/bin" apps="$prefix/share/applications"
  # The folders made here, parents first, so that uninstall takes away those and no others.
  local made=() dir
  for dir in "$prefix" "$prefix/lib" "$app" "$bin" "$prefix/share" "$apps"; do
    [ -d "$dir" ] || made+=("$dir")
  done
  mkdir -p "$app" "$bin" "$apps"
  if [ ${#made[@]} -gt 0 ]; then printf '%s\n' "${made[@]}" >>"$app/.made-folders"; fi
  # A new file beside the old one, then renamed: a saver starting meanwhile sees one or the other.
  install -m 755 "$program" "$app/.tessiva.new" && mv -f "$app/.tessiva.new" "$app/tessiva"
  install -m 644 "$root/assets/vorn.evc" "$app/.vorn.evc.new" && mv -f "$app/.vorn.evc.new" "$app/vorn.evc"
  # GNOME's idle host, built beside the program.
  local gnome_host
  gnome_host="$(dirname "$program")/tessiva-gnome-idle"
  if [ -x "$gnome_host" ]; then
    install -m 755 "$gnome_host" "$app/.tessiva-gnome-idle.new" && mv -f "$app/.tessiva-gnome-idle.new" "$app/tessiva-gnome-idle"
  fi
  if [ -z "$(settings_files "$app")" ]; then
    printf '[config]\npath=%s/\n' "$app" >"$app/.Tessiva.ini.new"
    mv -f "$app/.Tessiva.ini.new" "$app/Tessiva.ini"
  fi
  ln -sfn "$app/tessiva" "$bin/tessiva"
  install -m 755 "$root/scripts/tessiva-idle" "$bin/.tessiva-idle.new" && mv -f "$bin/.tessiva-idle.new" "$bin/tessiva-idle"
  {
    echo "[Desktop Entry]"
    echo "Type=Application"
    echo "Name=Tessiva settings"
    echo "Comment=Sound setting of the Tessiva video screensaver"
    echo "Exec=$(exec_argument "$app/tessiva") /C"
    echo "Terminal=false"
    echo "Categories=Settings;DesktopSettings;"
  } >"$apps/tessiva-settings.desktop"
  echo "Installed into $app; the command is $bin/tessiva."
  # MATE's and Xfce's screensaver run a program only from a folder of their own.
  if [ "$(readlink -f /usr/libexec/xscreensaver/tessiva 2>/dev/null)" != "$app/tessiva" ]; then
    echo "For MATE's and Xfce's screensaver, which run programs only from their own folder, link it there once:"
    echo "  sudo ln -sfn $(printf '%q' "$app/tessiva") /usr/libexec/xscreensaver/tessiva"
  fi
  case ":$PATH:" in
    *":$bin:"*) ;;
    *) echo "Note: $bin is not on your PATH." ;;
  esac
}

do_uninstall() {
  local prefix=$1
  local app="$prefix/lib/tessiva" bin="$prefix/bin" apps="$prefix/share/applications"
  if [ -x "$bin/tessiva-idle" ]; then "$bin/tessiva-idle" off >/dev/null || true; fi
  rm -f "$bin/tessiva-idle" "$apps/tessiva-settings.desktop"
  if [ -L "$bin/tessiva" ] && [ "$(readlink "$bin/tessiva")" = "$app/tessiva" ]; then rm -f "$bin/tessiva"; fi
  local made=()
  if [ -d "$app" ]; then
    if [ -f "$app/.made-folders" ]; then mapfile -t made <"$app/.made-folders"; fi
    rm -f "$app/tessiva" "$app/vorn.evc" "$app/tessiva-gnome-idle" "$app/.tessiva.new" "$app/.vorn.evc.new" \
      "$app/.tessiva-gnome-idle.new" "$app/.Tessiva.ini.new" "$app/.made-folders"
    settings_files "$app" | while IFS= read -r file; do rm -f "$file"; done
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
