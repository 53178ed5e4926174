#!/usr/bin/env bash
# The product's main job: builds the plug-in and the stand-in game, makes a game
# folder with a generated playlist (tones encoded to MP3), and runs the stand-in game
# with the plug-in, printing the status lines as they appear. Saves a screenshot to
# docs/demo.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export QUILM_BUILD=$root/build
source "$root/scripts/wine-env.sh"
wine_session

game=$root/build/demo-game
rm -rf "$game"
mkdir -p "$game/vask/music"
notes=(262 330 392 523)
for i in 1 2 3 4; do
  sox -q -n -r 44100 -c 2 "$game/tone$i.wav" synth $((i + 1)) pluck "${notes[$((i - 1))]}" fade 0 $((i + 1)) 0.3
  lame --quiet "$game/tone$i.wav" "$game/vask/music/Demo tone $i.mp3"
  rm "$game/tone$i.wav"
done
cp "$QUILM_WIN_BUILD/quilm.dll" "$game/vask/"
printf '[keys]\r\nkey_shuffle=0x78\r\n\r\n[playlist]\r\nvask\\music\r\n' > "$game/vask/quilm.ini"

cd "$game"
echo "Windows side: $(quilm_side_text "$QUILM_SIDE") ($QUILM_SIDES_WHY)."
echo "Stand-in game running the plug-in; status lines as the game shows them:"
status=0
# Output through a file: Wine's desktop process would hold a pipe open after the game ends.
cp "$root/scripts/demo.script" .
"$QUILM_WINE" "$QUILM_WIN_BUILD/standin-host.exe" --script demo.script >demo-output.txt 2>/dev/null </dev/null || status=$?
sed -n 's/^line: /  /p' demo-output.txt
[ $status = 0 ] || echo "The stand-in game ended with status $status."
if [ -f demo.bmp ]; then
  mkdir -p "$root/docs"
  convert demo.bmp "$root/docs/demo.png" && echo "Screenshot: docs/demo.png"
fi
exit $status
