#!/bin/bash
# The 32-bit test machine's init, from the project's folder (see vm32.sh: the image's own
# first init has mounted /proc, /sys, /dev and this folder): mounts the rest a system
# needs and puts the project's folder at its own path, runs the command file the host
# named, leaves its output and exit status in build/vm32, and powers off.
PATH=/usr/sbin:/usr/bin:/sbin:/bin
for arg in $(cat /proc/cmdline); do
  case $arg in
    quilm.dir=*) mounted=${arg#quilm.dir=} ;;
    quilm.command=*) command=${arg#quilm.command=} ;;
  esac
done
# The project's folder is mounted at its path as the command line spells it (%XX for
# blanks and the like). It steps aside while the system's own file systems are mounted
# (a tmpfs on /tmp would hide a project under /tmp), then goes to its real path.
dir=$(printf '%b' "${mounted//%/\\x}")
mkdir -p /mnt/quilm-project
mount --move "$mounted" /mnt/quilm-project || poweroff -f
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
mkdir -p "$dir"
mount --move /mnt/quilm-project "$dir" || poweroff -f
hostname quilm-vm32
ip link set lo up 2>/dev/null
cd "$dir" || poweroff -f
# Wine reads each section of a program in one read, and the 9p share answers a read
# larger than its message size (512 KB) with less: the 32-bit programs run from copies
# on the guest's own disk, bound over the shared files at the same paths.
mkdir -p /tmp/quilm-bin
for file in build/win32/*.exe build/win32/*.dll; do
  [ -f "$file" ] || continue
  cp "$file" /tmp/quilm-bin/ && mount --bind "/tmp/quilm-bin/${file##*/}" "$file"
done
echo "guest: running $command"
if [ "${command##*/}" = shell.sh ]; then
  bash "$command"
else
  bash "$command" > build/vm32/output.txt 2>&1 < /dev/null
fi
echo $? > build/vm32/status
sync
echo "guest: done"
poweroff -f
