#!/usr/bin/env bash
# Developer check, not run in CI: reads every *.ini file of a corpus folder through our
# PosixProfile and through the desktop's own GetPrivateProfileStringA (run under Wine by
# profile-oracle), and prints each query where the two disagree.
#
#   scripts/compare-profile-oracle.sh CORPUS-DIR [ORACLE]
#
# ORACLE defaults to /work/shared/tools/profile-oracle/profile-oracle. Each file is asked for a
# fixed set of names plus the section and key names found in it. Expected disagreements, which
# are ours on purpose: a long value with non-ASCII text (we cut at 254 characters, as the wide
# functions do, where the ANSI one cuts at 254 bytes), non-ASCII text in files with a
# byte-order mark (the desktop answers in its ANSI code page, we in UTF-8), an odd-length
# UTF-16 file, and files over 4 MiB. Names with non-ASCII or control
# characters are skipped (see below).
set -euo pipefail
corpus=${1:?usage: $0 CORPUS-DIR [ORACLE]}
oracle=${2:-/work/shared/tools/profile-oracle/profile-oracle}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/reader.cpp" <<'CPP'
#include <cstdio>
#include "platform/linux/posix/private_profile.h"
int main(int argc, char** argv) {
    if (argc != 5) return 2;
    char buffer[256 * tessiva::Profile::kBytesPerCharacter];
    tessiva::PosixProfile profile;
    const auto count = profile.getPrivateProfileString(argv[2], argv[3], argv[4], buffer, 255, argv[1]);
    std::printf("%u\t%.*s\n", count, static_cast<int>(count), buffer);
}
CPP
g++ -std=c++20 -O1 -I"$root" -o "$work/reader" "$work/reader.cpp" "$root/platform/linux/posix/private_profile.cpp" \
  "$root/platform/linux/posix/ini_text.cpp" "$root/platform/linux/posix/atomic_file.cpp" \
  "$root/platform/shared/profile_characters.cpp"

differences=0
queries=0
for file in "$corpus"/*.ini; do
  [ -f "$file" ] || continue
  mapfile -t sections < <({ printf '%s\n' "" S Tessiva; grep -a -o '^[[:blank:]]*\[[^]]*' "$file" | sed 's/^[[:blank:]]*\[//'; } | tr -d '\r\000' | sort -u | head -20)
  mapfile -t keys < <({ printf '%s\n' "" k; grep -a -o '^[^=[]*=' "$file" | sed 's/=$//'; } | tr -d '\r\000' | sort -u | head -20)
  for section in "${sections[@]}"; do
    for key in "${keys[@]}"; do
      # Wine hands the probe its arguments in the ANSI code page, so a non-ASCII name would not
      # arrive as the file's UTF-8 bytes; such names are not comparable.
      LC_ALL=C grep -q '[^ -~]' <<<"$section$key" && continue
      queries=$((queries + 1))
      ours=$("$work/reader" "$file" "$section" "$key" DEFAULT | tr -d '\r' | od -An -c)
      theirs=$("$oracle" read "$file" "$section" "$key" DEFAULT | od -An -c)
      if [ "$ours" != "$theirs" ]; then
        differences=$((differences + 1))
        printf '%s [%s] %s\n  ours:   %s\n  theirs: %s\n' "$file" "$section" "$key" "$ours" "$theirs"
      fi
    done
  done
done
echo "$queries queries, $differences differences"
[ "$differences" -eq 0 ]
