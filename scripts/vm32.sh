#!/usr/bin/env bash
# The 32-bit test machine, for machines whose kernel cannot run 32-bit code: a Debian
# guest made from Debian packages only (debootstrap, the i386 architecture with wine32
# and GStreamer, Debian's amd64 kernel), booted with qemu-system-x86_64 under software
# emulation. The project's folder is shared into the guest at the same path (9p), so
# the guest runs the very files the host built.
#
#   scripts/vm32.sh image          build the image, unless the cache has it
#   scripts/vm32.sh smoke          the 32-bit smoke: the shipped build/win32/quilm.dll
#                                  and the 32-bit stand-in game under 32-bit Wine
#   scripts/vm32.sh suite          the whole 32-bit Windows suite (ctest in build/win32)
#   scripts/vm32.sh run COMMAND    any command in the guest, in the project's folder
#   scripts/vm32.sh shell          a shell in the guest (on this terminal)
#
# The image is cached outside the clone, in $QUILM_VM_CACHE (default
# /var/cache/quilm-vm32), under a hash of its recipe (build_image, the packages, the
# guest's first init): a change of the recipe builds a new one. Each boot runs on a
# throw-away overlay of the image. The whole machine has a time limit
# (QUILM_VM_TIMEOUT seconds, default 1200); when anything fails, the guest's console
# log is printed. QUILM_VM_NICE lowers the machine's priority (the test command gives
# the x64 side the first call on the cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exchange=$root/build/vm32
timeout_s=${QUILM_VM_TIMEOUT:-1200}

say() { echo "vm32: $*"; }
fail() { echo "vm32: FAILED: $*" >&2; exit 1; }

# The Debian mirror this machine's apt is set up with: the first "deb" source of the
# main archive (not -security, -updates or -backports), in deb822 .sources files or in
# sources.list.
apt_mirror() {
  local uri
  uri=$(awk 'BEGIN { RS = ""; FS = "\n" }
    { types = uris = suites = ""
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^Types:/) types = $i; else if ($i ~ /^URIs:/) uris = $i; else if ($i ~ /^Suites:/) suites = $i
      }
      sub(/^URIs:[ \t]*/, "", uris); split(uris, u, /[ \t]+/)
      if (types ~ /[ \t]deb([ \t]|$)/ && suites ~ /:[ \t]*[a-z]+([ \t]|$)/ && u[1] != "") { print u[1]; exit }
    }' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" { i = 2; if ($i ~ /^\[/) while ($i !~ /\]$/) i++; if ($i ~ /^\[/ || $i ~ /\]$/) i++
      if ($(i + 1) ~ /^[a-z]+$/) { print $i; exit } }' /etc/apt/sources.list 2>/dev/null | head -n 1)
  [ -n "$uri" ] || fail "no Debian mirror in this machine's apt sources (/etc/apt/sources.list.d/*.sources or /etc/apt/sources.list): the guest's packages come from the mirror apt uses; set one up first"
  echo "${uri%/}"
}
mirror=$(apt_mirror)

# What the guest has: 32-bit Wine with MCI's MPEG playback, an X server, the test tools.
guest_packages=(wine wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
                xvfb xauth x11-utils python3 python3-mutagen sox lame procps kmod iproute2 linux-image-amd64 initramfs-tools)

# The guest's process 1, in the image: mounts the project's folder (9p, at the host's
# own path) and hands over to the project's scripts/vm32-init.sh, which may change
# without a new image.
# (cache=mmap: Wine maps the programs it runs, and a 9p mount without it gives
# mappings that do not hold the file's bytes.)
guest_bootstrap='#!/bin/sh
PATH=/usr/sbin:/usr/bin:/sbin:/bin
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
for arg in $(cat /proc/cmdline); do
  case $arg in quilm.dir=*) dir=${arg#quilm.dir=} ;; esac
done
modprobe 9pnet_virtio
mkdir -p "$dir"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=mmap project "$dir" &&
  exec /bin/bash "$dir/scripts/vm32-init.sh"
echo "guest: cannot mount the project folder at $dir"
poweroff -f'

host_packages() {
  local need=() p
  for p in debootstrap qemu-system-x86 qemu-utils e2fsprogs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
  done
  [ ${#need[@]} -eq 0 ] && return
  say "installing ${need[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null ||
    { apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null; } ||
    fail "cannot install the host packages ${need[*]}"
}

# The project's path as one word of the kernel's command line: every byte but letters,
# digits and "/._-" as %XX. The guest's first init mounts the folder at that (odd but
# valid) path; scripts/vm32-init.sh decodes it and moves the folder to its real path.
cmdline_path() {
  local path=$1 out= c i
  local LC_ALL=C
  for ((i = 0; i < ${#path}; i++)); do
    c=${path:i:1}
    case $c in
      [A-Za-z0-9/._-]) out+=$c ;;
      *) out+=$(printf '%%%02X' "'$c") ;;
    esac
  done
  printf '%s' "$out"
}

# Boots the image with the project's folder shared, runs the command file in the guest
# and brings back its output and exit status. $1: "keep" writes the image itself (the
# last step of building it), anything else boots on an overlay.
boot() {
  local mode=$1 command_file=$2 console=$exchange/console.log
  mkdir -p "$exchange"
  rm -f "$exchange/status" "$exchange/output.txt"
  local drive="file=$cache/root.img,if=virtio,format=raw"
  [ "$mode" = keep ] || drive="$drive,snapshot=on"
  local serial=(-serial "file:$console")
  [ "$mode" = interactive ] && serial=(-serial mon:stdio)
  timeout --foreground -k 10 "$timeout_s" nice -n "${QUILM_VM_NICE:-0}" qemu-system-x86_64 -m 3072 -smp 2 -accel tcg,thread=multi \
    -display none -no-reboot -nodefaults "${serial[@]}" \
    -kernel "$cache/vmlinuz" -initrd "$cache/initrd.img" -drive "$drive" \
    -virtfs "local,path=${root//,/,,},mount_tag=project,security_model=none,id=project" \
    -append "root=/dev/vda rw console=ttyS0 quiet panic=-1 init=/sbin/quilm-init quilm.dir=$(cmdline_path "$root") quilm.command=$command_file" \
    || true
  if [ ! -f "$exchange/status" ]; then
    echo "---- guest console ($console) ----" >&2
    tail -n 60 "$console" >&2 || true
    [ -f "$exchange/output.txt" ] && { echo "---- guest output ----" >&2; tail -n 40 "$exchange/output.txt" >&2; }
    fail "the guest did not finish (time limit ${timeout_s} s, or it failed to boot)"
  fi
  return "$(cat "$exchange/status")"
}

build_image() {
  [ -f "$cache/ready" ] && return
  host_packages
  local started=$SECONDS work=$cache.work
  say "building the 32-bit test machine's image in $cache (takes a while, once)"
  rm -rf "$work" && mkdir -p "$work"
  local rootfs=$work/rootfs
  step() { say "image: $1"; }
  step "debootstrap (Debian's minimal base system)"
  debootstrap --variant=minbase bookworm "$rootfs" "$mirror" > "$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log"; fail "debootstrap of bookworm from $mirror"; }
  step "packages: ${guest_packages[*]}"
  mount -t proc proc "$rootfs/proc"; mount --bind /dev "$rootfs/dev"; mount -t sysfs sys "$rootfs/sys"
  trap 'umount "$rootfs/proc" "$rootfs/dev" "$rootfs/sys" 2>/dev/null || true' RETURN
  # (Debian's initramfs has the virtio disk drivers; the 9p modules load from the root.)
  if ! chroot "$rootfs" /bin/sh -c "dpkg --add-architecture i386 && apt-get update -q &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends ${guest_packages[*]}" \
        > "$work/packages.log" 2>&1; then
    grep -E '^E:|Unable|unmet' "$work/packages.log" | head -20
    fail "installing the guest's packages (see $work/packages.log)"
  fi
  chroot "$rootfs" apt-get clean
  umount "$rootfs/proc" "$rootfs/dev" "$rootfs/sys"
  printf '%s\n' "$guest_bootstrap" > "$rootfs/sbin/quilm-init"
  chmod 755 "$rootfs/sbin/quilm-init"
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$rootfs/root/.asoundrc"
  cp "$rootfs"/boot/vmlinuz-* "$work/vmlinuz" && cp "$rootfs"/boot/initrd.img-* "$work/initrd.img" ||
    fail "the guest's kernel or initramfs is missing"
  step "file system image"
  mkfs.ext4 -q -F -d "$rootfs" "$work/root.img" 4G || fail "mkfs.ext4 of the guest's root"
  rm -rf "$rootfs"
  # The 32-bit Wine prefix is made once, in the image: wineboot takes minutes here.
  step "first boot: the 32-bit Wine prefix"
  local old_cache=$cache
  cache=$work
  guest_command prepare 'wine_down' 'test -f "$WINEPREFIX/.quilm-ready"'
  boot keep build/vm32/prepare.sh || { cat "$exchange/output.txt" >&2; fail "making the Wine prefix in the guest"; }
  cache=$old_cache
  mv "$work" "$cache"
  touch "$cache/ready"
  say "image ready in $((SECONDS - started)) s"
}

# The smoke's end-to-end cases: load and "Play>" through host build B (and build A in
# every other case), a natural end and the next track, pause and resume by focus, the
# exit key and the game's own quit with a track playing, FreeLibrary from another
# thread, the volume keys.
smoke_cases=(host_build_b natural_end_wraps focus_away_and_back exit_key_on quit_while_playing
             unload_from_other_thread volume_keys)

guest_command() {
  local name=$1; shift
  mkdir -p "$exchange"
  {
    echo 'set -u'
    printf 'cd %q\n' "$root"
    echo 'export QUILM_BUILD=$PWD/build QUILM_WINE_ARCH=x86 QUILM_PREFIX_ROOT=/var/lib/quilm'
    echo 'source scripts/wine-env.sh'
    echo 'wine_use x86'
    echo 'wine_up'
    printf '%s\n' "$@"
  } > "$exchange/$name.sh"
}

# Images of older recipes: 4 GB each, of no more use.
prune_old_images() {
  local dir
  for dir in "${cache%/*}"/*; do
    [ -d "$dir" ] && [ "$dir" != "$cache" ] && rm -rf "$dir"
  done
  return 0
}

# Boots the machine for one command file made of the lines given; prints its output and
# exits with its status.
run_in_guest() {
  local name=$1 status=0
  shift
  build_image
  guest_command "$name" "$@"
  boot overlay "build/vm32/$name.sh" || status=$?
  cat "$exchange/output.txt"
  exit $status
}

hash=$({ declare -f build_image; echo "${guest_packages[*]}" "$guest_bootstrap" "$mirror"; } | sha256sum | cut -c1-16)
cache=${QUILM_VM_CACHE:-/var/cache/quilm-vm32}/$hash

case ${1:-} in
  image)
    build_image
    prune_old_images ;;
  smoke)
    build_image
    prune_old_images
    [ -f "$root/build/win32/standin-host.exe" ] || fail "build/win32 has no stand-in game: build the 32-bit side first"
    lines=()
    for c in "${smoke_cases[@]}"; do
      lines+=("if python3 tests/e2e/run_case.py tests/e2e/cases/$c.case build/win32 > build/vm32/$c.log 2>&1; then echo \"passed $c\"; else echo \"FAILED $c\"; cat build/vm32/$c.log; fail=1; fi")
    done
    guest_command smoke 'fail=0' "${lines[@]}" 'wine_down' 'exit $fail'
    started=$SECONDS
    status=0
    boot overlay build/vm32/smoke.sh || status=$?
    cat "$exchange/output.txt"
    passed=$(grep -c '^passed' "$exchange/output.txt" || true)
    say "32-bit smoke: $passed of ${#smoke_cases[@]} cases passed in $((SECONDS - started)) s (status $status)"
    exit $status ;;
  suite)
    # What ctest runs on a 32-bit machine, one after another (the guest has no cmake):
    # the unit tests, every end-to-end case, the soak.
    run_in_guest suite 'scripts/make-fixtures.sh build/win32/fixtures' 'failed=0 passed=0' \
      'for t in build/win32/*_tests.exe; do
         if (cd build/win32 && wine "./${t##*/}" --gtest_brief=1); then passed=$((passed + 1)); else echo "FAILED ${t##*/}"; failed=$((failed + 1)); fi
       done' \
      'for c in tests/e2e/cases/*.case; do
         if python3 tests/e2e/run_case.py "$c" build/win32 > build/vm32/case.log 2>&1; then passed=$((passed + 1)); echo "passed ${c##*/}"
         else echo "FAILED ${c##*/}"; cat build/vm32/case.log; failed=$((failed + 1)); fi
       done' \
      'if python3 tests/e2e/soak.py build/win32 100; then passed=$((passed + 1)); else echo "FAILED soak"; failed=$((failed + 1)); fi' \
      'echo "32-bit suite: $passed passed, $failed failed"' 'wine_down' '[ $failed = 0 ]' ;;
  run)
    shift
    run_in_guest run "$*" ;;
  shell)
    build_image
    guest_command shell 'exec /bin/sh -i < /dev/console > /dev/console 2>&1'
    boot interactive build/vm32/shell.sh || true ;;
  *)
    sed -n '2,21p' "$0"; exit 2 ;;
esac
