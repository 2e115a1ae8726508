# What the Wayland tests count in a screenshot; sourced from bash.
#   pixel_share FILE COLOR   per mille (0-1000, rounded down) of FILE's pixels exactly COLOR
#                            (#RRGGBB)
#   pixels_of FILE COLOR     how many of FILE's pixels are exactly COLOR (a few hundred make a
#                            line of text)

_pictures_count() {
    convert "$1" -alpha off -depth 8 -format %c histogram:info:- | awk -v c="${2^^}" -v share="$3" '
        { n = $1 + 0; total += n; for (i = 2; i <= NF; i++) if (toupper($i) == c) hit += n }
        END { if (total == 0) exit 1; print share ? int(hit * 1000 / total) : hit + 0 }'
}
pixel_share() { _pictures_count "$1" "$2" 1; }
pixels_of() { _pictures_count "$1" "$2" 0; }
