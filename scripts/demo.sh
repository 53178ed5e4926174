#!/usr/bin/env bash
# The product's main job: builds the plug-in and the stand-in game, makes a game
# folder with a generated library (tones encoded to MP3: a folder tree read by a "**"
# line and a .m3u8 list), and runs the stand-in game with the plug-in, printing the
# status lines as they appear. Saves a screenshot to build/demo.png; the clone itself
# stays as it was.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export QUILM_BUILD=$root/build
source "$root/scripts/wine-env.sh"
wine_session

game=$root/build/demo-game
rm -rf "$game"
music=$game/vask/music
mkdir -p "$music/Evening" "$music/Morning" "$game/vask/lists/extra"
# name, seconds, pitch: three tracks in a tree, two reached through the list.
tracks=("Evening/Demo tone 1:20:262" "Evening/Demo tone 2:3:330" "Morning/Demo tone 3:3:392"
        "../lists/extra/Demo tone 4:4:523" "../lists/extra/Demo tone 5:3:440")
for track in "${tracks[@]}"; do
  IFS=: read -r name seconds pitch <<< "$track"
  sox -q -n -r 44100 -c 2 "$game/tone.wav" synth "$seconds" pluck "$pitch" fade 0 "$seconds" 0.3
  lame --quiet "$game/tone.wav" "$music/$name.mp3"
  rm "$game/tone.wav"
done
printf '#EXTM3U\r\nextra/Demo tone 4.mp3\r\nextra\\Demo tone 5.mp3\r\n' > "$game/vask/lists/more.m3u8"
cp "$QUILM_WIN_BUILD/quilm.dll" "$game/vask/"
printf '%s\r\n' '[keys]' 'key_shuffle=0x78' 'key_volup=0x6B' 'key_voldown=0x6D' 'key_seekfwd=0x22' \
  'key_seekback=0x21' 'key_show=0x24' 'key_mute=Ctrl+M' '' '[playlist]' 'vask\music\**' 'vask\lists\more.m3u8' \
  > "$game/vask/quilm.ini"

cd "$game"
echo "Windows side: $(quilm_side_text "$QUILM_SIDE") ($QUILM_SIDES_WHY)."
echo "Keys: F5 on/off, F6 next, F7 previous, F8 pause, F9 shuffle, PgDn/PgUp seek, Home show,"
echo "numpad +/- volume, Ctrl+M mute. Playlist: vask\\music\\** (a folder tree), vask\\lists\\more.m3u8."
echo "Stand-in game running the plug-in; status lines as the game shows them:"
status=0
# Output through a file: Wine's desktop process would hold a pipe open after the game ends.
cp "$root/scripts/demo.script" .
"$QUILM_WINE" "$QUILM_WIN_BUILD/standin-host.exe" --script demo.script >demo-output.txt 2>/dev/null </dev/null || status=$?
sed -n 's/^line: /  /p' demo-output.txt
[ $status = 0 ] || echo "The stand-in game ended with status $status."
if [ -f demo.bmp ]; then
  convert demo.bmp "$root/build/demo.png" && echo "Screenshot: $root/build/demo.png"
fi
exit $status
