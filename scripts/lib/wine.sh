# Wine helpers shared by scripts/test, scripts/run and scripts/wine-exec.
# Every prefix here is private to the project; the user's own ~/.wine is
# never used.

# tarrowin_locale_dir: a folder holding a compiled ja_JP.UTF-8 locale, so
# Wine runs with ANSI code page 932 (Debian ships no compiled ja_JP locale).
tarrowin_locale_dir() {
  local dir="${XDG_CACHE_HOME:-$HOME/.cache}/tarrowin/locale"
  if [ ! -f "$dir/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$dir"
    localedef -i ja_JP -f UTF-8 "$dir/ja_JP.UTF-8" >/dev/null 2>&1 || true
  fi
  printf '%s\n' "$dir"
}

# tarrowin_wine_env: exports what every Wine start of the project needs.
tarrowin_wine_env() {
  export WINEDEBUG="${WINEDEBUG:--all}"
  # No Mono or Gecko installer dialogs in a fresh prefix.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  local loc
  loc=$(tarrowin_locale_dir)
  if [ -f "$loc/ja_JP.UTF-8/LC_CTYPE" ]; then
    export LOCPATH="$loc" LANG=ja_JP.UTF-8
    unset LC_ALL
  fi
}

# tarrowin_wine_prefix DIR: creates and configures a prefix at DIR once
# (Japanese font replacements, a virtual desktop, the Marlett font), and
# exports WINEPREFIX=DIR.
tarrowin_wine_prefix() {
  local dir="$1"
  export WINEPREFIX="$dir"
  tarrowin_wine_env
  [ -f "$dir/.tarrowin-ready" ] && return 0
  mkdir -p "$dir"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  local reg="$dir/tarrowin.reg"
  local font="IPAPGothic"
  fc-list 2>/dev/null | grep -q IPAPGothic || font="Noto Sans CJK JP"
  # regedit reads UTF-16 files with the version 5 header; the font names
  # are not ASCII.
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for name in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "MS Shell Dlg" \
                "MS Shell Dlg 2" "Tahoma"; do
      printf '"%s"="%s"\r\n' "$name" "$font"
    done
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n'
    printf '"Desktop"="Default"\r\n'
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n'
    printf '"Default"="1024x768"\r\n'
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
  wine regedit /S "$reg" >/dev/null 2>&1 || true
  local marlett
  for marlett in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
    if [ -f "$marlett" ]; then
      mkdir -p "$dir/drive_c/windows/Fonts"
      cp "$marlett" "$dir/drive_c/windows/Fonts/"
      break
    fi
  done
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  touch "$dir/.tarrowin-ready"
}
