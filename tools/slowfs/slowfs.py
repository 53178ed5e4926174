#!/usr/bin/python3
"""A slow disk for the benchmarks: a read-only FUSE passthrough of a folder that waits a
fixed time before each directory read and each file open, as a spinning disk or a
network share makes a program wait. Uses Debian's python3-fusepy (run by Debian's own
Python, which has it). With LOG, each call it delays is written there as a line: the
wall-clock time it came (seconds since 1970, to the microsecond), the call, the path.

Usage: slowfs.py FOLDER MOUNTPOINT DELAY_SECONDS [LOG]   (runs until unmounted)
"""
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowPassthrough(Operations):
    def __init__(self, root, delay, log):
        self.root = os.path.realpath(root)
        self.delay = delay
        self.log = os.open(log, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644) if log else None

    def _wait(self, call, path):
        if self.log is not None:
            # One write a line: lines of calls on several threads never mix.
            os.write(self.log, f"{time.time():.6f} {call} {path}\n".encode("utf-8", "surrogateescape"))
        time.sleep(self.delay)

    def _full(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def access(self, path, mode):
        if not os.access(self._full(path), mode):
            raise FuseOSError(errno.EACCES)

    def getattr(self, path, fh=None):
        st = os.lstat(self._full(path))
        return {key: getattr(st, key) for key in ("st_atime", "st_ctime", "st_gid", "st_mode", "st_mtime",
                                                  "st_nlink", "st_size", "st_uid", "st_ino")}

    def readdir(self, path, fh):
        self._wait("readdir", path)
        return [".", ".."] + os.listdir(self._full(path))

    def readlink(self, path):
        return os.readlink(self._full(path))

    def statfs(self, path):
        st = os.statvfs(self._full(path))
        return {key: getattr(st, key) for key in ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail",
                                                  "f_ffree", "f_files", "f_flag", "f_frsize", "f_namemax")}

    def open(self, path, flags):
        self._wait("open", path)
        return os.open(self._full(path), os.O_RDONLY)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)


def main():
    folder, mountpoint, delay = sys.argv[1], sys.argv[2], float(sys.argv[3])
    log = sys.argv[4] if len(sys.argv) > 4 else None
    FUSE(SlowPassthrough(folder, delay, log), mountpoint, foreground=True, ro=True, nothreads=False)


if __name__ == "__main__":
    main()
