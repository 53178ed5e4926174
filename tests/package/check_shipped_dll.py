#!/usr/bin/env python3
"""Checks the plug-in as players get it: a 32-bit (PE32, i386) DLL that exports no
names and imports from the system's own DLLs only (everything else linked in).

Usage: check_shipped_dll.py DLL
Prints one line per check and 'N passed, N failed'; exits 1 when any check failed.
"""
import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "winmm.dll", "msvcrt.dll", "advapi32.dll", "gdi32.dll", "ntdll.dll"}
I386 = 0x14C
PE32_MAGIC = 0x10B
EXPORT_DIRECTORY, IMPORT_DIRECTORY = 0, 1


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        # PE32 has its data directories at 96 bytes into the optional header, PE32+ at 112.
        directories = optional + (96 if self.magic == PE32_MAGIC else 112)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", data, table + 40 * i) for i in range(sections)]

    def offset(self, rva):
        for _, virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError(f"address {rva:#x} is in no section")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def exported_names(self):
        rva, size = self.directory(EXPORT_DIRECTORY)
        if rva == 0 or size == 0:
            return 0
        return struct.unpack_from("<I", self.data, self.offset(rva) + 24)[0]

    def imported_dlls(self):
        rva, _ = self.directory(IMPORT_DIRECTORY)
        names, at = [], self.offset(rva) if rva else None
        while at is not None:
            entry = struct.unpack_from("<IIIII", self.data, at)
            if not any(entry):
                break
            names.append(self.text(entry[3]))
            at += 20
        return names


def checks(image):
    imports = image.imported_dlls()
    foreign = sorted(n for n in imports if n.lower() not in SYSTEM_DLLS)
    return [
        ("machine is i386", image.machine == I386, f"machine {image.machine:#x}"),
        ("optional header is PE32", image.magic == PE32_MAGIC, f"magic {image.magic:#x}"),
        ("image is a DLL", bool(image.characteristics & 0x2000), f"characteristics {image.characteristics:#x}"),
        ("no exported names", image.exported_names() == 0, f"{image.exported_names()} names"),
        ("imports only system DLLs", bool(imports) and not foreign, "imports " + ", ".join(imports)),
    ]


def main():
    path = sys.argv[1]
    try:
        with open(path, "rb") as f:
            results = checks(Image(f.read()))
    except (OSError, ValueError, struct.error) as error:
        results = [("readable PE image", False, str(error))]
    for name, ok, detail in results:
        print(f"{'ok  ' if ok else 'FAIL'} {name}: {detail}")
    failed = sum(1 for _, ok, _ in results if not ok)
    print(f"{path}: {len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
