# Sourced by the scripts that start the Windows program under Wine.

# Wine's own fonts that the program shows: the dialog's MS Sans Serif (a bitmap font, as on
# Windows, so its text is never smoothed), the message boxes' Tahoma and the caption buttons'
# Marlett. Debian installs them (package fonts-wine) where this Wine does not look; without
# them Wine draws the dialog in whatever sans-serif font the machine has, smoothed as the
# machine's font settings say, and the caption buttons as letters.
wine_own_fonts=(sserife.fon tahoma.ttf tahomabd.ttf marlett.ttf)

# give_wine_fonts PREFIX: copies those fonts into the prefix's Fonts folder, where they are
# not there yet.
give_wine_fonts() {
  local fonts_dir=$1/drive_c/windows/Fonts
  local font
  mkdir -p "$fonts_dir"
  for font in "${wine_own_fonts[@]}"; do
    if [ ! -f "/usr/share/wine/fonts/$font" ]; then
      echo "Wine's font $font is missing: install fonts-wine" >&2
      return 1
    fi
    [ -f "$fonts_dir/$font" ] || cp "/usr/share/wine/fonts/$font" "$fonts_dir/"
  done
}
