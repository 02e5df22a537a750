#!/usr/bin/env bash
# Shows the plugin at work: every examples/*.qr* file is opened in the test host the way the
# file manager opens it, and a screenshot of each lister window is written to out/<name>.png.
# With a real display (DISPLAY set, not CI) the lister windows are shown instead; close them to
# finish. QRL_DEMO_SHOTS=1 forces screenshots.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"

bash scripts/setup.sh
bash scripts/build.sh win64

shopt -s nullglob nocaseglob
files=(examples/*.qr examples/*.qrcode)
shopt -u nocaseglob
[ ${#files[@]} -gt 0 ] || fail "no examples/*.qr* files to show; restore examples/ from git"

host=build/win64/testhost.exe
plugin=build/win64/qrlister.wlx64

# Wine sees this machine's / as drive Z:.
winpath() { printf 'Z:%s' "$(realpath -m "$1")" | tr '/' '\\'; }
# The same, quoted for a host script line.
scriptpath() { printf '"%s"' "$(winpath "$1" | sed 's/\\/\\\\/g')"; }

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ "${QRL_DEMO_SHOTS:-}" != 1 ]; then
  export WINEPREFIX=${QRL_WINEPREFIX:-$top/build/wineprefix}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  args=()
  for f in "${files[@]}"; do args+=("$(winpath "$f")"); done
  echo "demo: showing ${#files[@]} lister windows on $DISPLAY (Ctrl+S saves, Ctrl+C copies)"
  exec "$wine64_loader" "$host" "$(winpath "$plugin")" "${args[@]}"
fi

mkdir -p out
script=out/demo.script
log=out/demo.log
: >"$script"
for i in "${!files[@]}"; do
  f=${files[$i]}
  name=$(basename "$f")
  name=${name%.*}
  # Big enough for the examples at full size (up to 49 modules, 490 pixels).
  printf 'open e%d %s 640 560\nshot e%d %s\nclose e%d\n' \
    "$i" "$(scriptpath "$f")" "$i" "$(scriptpath "out/$name.png")" "$i" >>"$script"
done
rm -f "$log"
bash scripts/wine.sh wine "$host" "$(winpath "$plugin")" --script "$(winpath "$script")" \
  --log "$(winpath "$log")" >out/demo.out 2>&1 || true
cat "$log" 2>/dev/null || true

status=0
for i in "${!files[@]}"; do
  f=${files[$i]}
  name=$(basename "$f")
  name=${name%.*}
  if grep -qx "open e$i ok" "$log" 2>/dev/null && [ -s "out/$name.png" ]; then
    echo "demo: $f -> out/$name.png"
  else
    echo "demo: $f was not shown; see out/demo.log and out/demo.out" >&2
    status=1
  fi
done

# Read the screenshots back, where ZXing is at hand.
if /usr/bin/python3 -c 'import zxingcpp, PIL' 2>/dev/null; then
  /usr/bin/python3 - "${files[@]}" <<'PY'
import pathlib, sys
import zxingcpp
from PIL import Image
for source in sys.argv[1:]:
    shot = pathlib.Path("out") / (pathlib.Path(source).stem + ".png")
    if not shot.exists():
        continue
    result = zxingcpp.read_barcode(Image.open(shot).convert("L"))
    text = result.text if result and result.valid else None
    print(f"demo: {shot} reads {text!r}")
PY
fi
exit $status
