#!/usr/bin/python3
"""Checks a built Windows program against what we ship: machine, GUI subsystem, system-only
imports, no link timestamp, and the icon, manifest and version resources of its profile.

    check_pe.py --objdump <mingw objdump> --machine i386|amd64 --profile <profile> <exe>

Reads the file with pefile (Debian's python3-pefile, hence /usr/bin/python3) and cross-checks
the imported DLL names with binutils' objdump. Prints every failed expectation; exits 1 if any.
"""
import argparse
import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

try:
    import pefile
except ImportError:
    sys.exit(f"check_pe.py: cannot import pefile with {sys.executable}; "
             "install Debian's python3-pefile and run this with /usr/bin/python3")

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24

MACHINES = {"i386": 0x014C, "amd64": 0x8664}
GUI_SUBSYSTEM = 2

# Everything a shipped program may import; the MinGW runtime (libstdc++-6, libgcc_s_*,
# libwinpthread-1) must be linked in statically instead.
SYSTEM_DLLS = {"kernel32", "user32", "advapi32", "shell32", "msvcrt", "ws2_32", "wininet",
               "comctl32", "ole32", "shlwapi"}
SYSTEM_DLL_PREFIXES = ("api-ms-win-",)

VISTA, WIN7, WIN8 = ("{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                     "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                     "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}")
COMMON_CONTROLS_6 = ("Microsoft.Windows.Common-Controls", "6.0.0.0", "6595b64144ccf1df")

# What the manifest declares, as summarised by manifest_declarations().
LAUNCHER_MANIFEST = {"execution levels": ["asInvoker"],
                     "supported OS ids": {VISTA, WIN7, WIN8},
                     "dependencies": {COMMON_CONTROLS_6},
                     "other declarations": []}
UNINSTALLER_MANIFEST = {"execution levels": ["asInvoker"],
                        "supported OS ids": set(),
                        "dependencies": set(),
                        "other declarations": []}


def launcher_version(product, product_version_text, file_name):
    return {"file version": "3.1.0.0",
            "product version": "3.1.0.0",
            "string table": "040904b0",  # US English, code page 1200 (UTF-16)
            "strings": {"FileDescription": product,
                        "ProductName": product,
                        "FileVersion": "3.1.0.0",
                        "ProductVersion": product_version_text,
                        "OriginalFilename": file_name},
            "translations": [(0x0409, 1200)]}


# Functions that only the uninstaller calls (its data-folder and autostart steps): a launcher
# that imports one links code it never runs.
UNINSTALLER_ONLY_FUNCTIONS = {"CreateFileA", "DeleteFileA", "FindNextFileA", "GetFileAttributesA",
                              "GetFileInformationByHandle", "GetFinalPathNameByHandleA",
                              "RemoveDirectoryA", "SetFileAttributesA", "RegDeleteValueA"}

# None means the program must not carry that resource at all.
PROFILES = {
    "vcx-launcher": {"icon sizes": {16, 32, 48},
                     "manifest": LAUNCHER_MANIFEST,
                     "version": launcher_version("Vintorra Corrindel", "3.1.0.0",
                                                 "VCXLauncher.exe"),
                     "not imported": UNINSTALLER_ONLY_FUNCTIONS},
    "vpt-launcher": {"icon sizes": {16, 32, 48},
                     "manifest": LAUNCHER_MANIFEST,
                     "version": launcher_version("Vintorra Paltrun", "3.1.0",
                                                 "VPTLauncher.exe"),
                     "not imported": UNINSTALLER_ONLY_FUNCTIONS},
    "uninstaller": {"icon sizes": None,
                    "manifest": UNINSTALLER_MANIFEST,
                    "version": None,
                    "not imported": set()},
}

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)
    return condition


def shown(value):
    return sorted(value) if isinstance(value, set) else value


def resources(pe):
    """{type id: [(name or id, language, data bytes)]}"""
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            key = str(name.name) if name.name is not None else name.id
            for lang in name.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                found.setdefault(rtype.id, []).append((key, lang.id, data))
    return found


def check_imports(pe, exe, objdump, not_imported):
    imported = [e.dll.decode() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    functions = {i.name.decode() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
                 for i in e.imports if i.name}
    unused = functions & not_imported
    expect(not unused, f"imports functions it never calls: {sorted(unused)}")
    delayed = [e.dll.decode() for e in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
    for dll in imported + delayed:
        base = dll.lower().removesuffix(".dll")
        expect(base in SYSTEM_DLLS or base.startswith(SYSTEM_DLL_PREFIXES),
               f"imports {dll}, which is not a Windows system DLL")

    result = subprocess.run([objdump, "-p", exe], capture_output=True, text=True)
    if not expect(result.returncode == 0,
                  f"{objdump} -p failed ({result.returncode}): {result.stderr.strip()}"):
        return
    listed = re.findall(r"^\s*DLL Name:\s*(\S+)\s*$", result.stdout, re.MULTILINE)
    expect({d.lower() for d in listed} == {d.lower() for d in imported},
           f"objdump lists imports {sorted(listed)}, pefile reads {sorted(imported)}")


def check_icons(res, sizes):
    if sizes is None:
        expect(RT_ICON not in res and RT_GROUP_ICON not in res,
               f"has icon resources: {len(res.get(RT_ICON, []))} icons, "
               f"{len(res.get(RT_GROUP_ICON, []))} icon groups")
        return
    if not expect(RT_GROUP_ICON in res, "has no icon group (RT_GROUP_ICON)"):
        return
    icon_ids = {key for key, _, _ in res.get(RT_ICON, [])}
    for key, _, data in res[RT_GROUP_ICON]:
        _, _, count = struct.unpack_from("<HHH", data, 0)
        found = set()
        for i in range(count):
            width, height, _, _, _, _, _, icon_id = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
            found.add((width or 256, height or 256))
            expect(icon_id in icon_ids, f"icon group {key} refers to missing icon {icon_id}")
        expect({(s, s) for s in sizes} <= found,
               f"icon group {key} has sizes {sorted(found)}, expected at least "
               f"{sorted((s, s) for s in sizes)}")


def manifest_declarations(xml_bytes):
    asm_v1 = "{urn:schemas-microsoft-com:asm.v1}"
    trust = ("{urn:schemas-microsoft-com:asm.v2}", "{urn:schemas-microsoft-com:asm.v3}")
    compat = "{urn:schemas-microsoft-com:compatibility.v1}"
    root = ET.fromstring(xml_bytes)
    dependencies = set()
    known = set()
    for assembly in root.iter(asm_v1 + "dependentAssembly"):
        for ident in assembly.iter(asm_v1 + "assemblyIdentity"):
            dependencies.add((ident.get("name"), ident.get("version"), ident.get("publicKeyToken")))
            known.add(ident)
    levels = [e.get("level") for ns in trust for e in root.iter(ns + "requestedExecutionLevel")]
    known.update(e for ns in trust for e in root.iter(ns + "requestedExecutionLevel"))
    os_ids = {e.get("Id", "").lower() for e in root.iter(compat + "supportedOS")}
    known.update(root.iter(compat + "supportedOS"))
    return {"execution levels": levels,
            "supported OS ids": os_ids,
            "dependencies": dependencies,
            "other declarations": [e.tag for e in root.iter() if len(e) == 0 and e not in known]}


def check_manifest(res, expected):
    manifests = res.get(RT_MANIFEST, [])
    if not expect([key for key, _, _ in manifests] == [1],
                  f"expected exactly one manifest, id 1; found ids "
                  f"{[key for key, _, _ in manifests]}"):
        return
    try:
        found = manifest_declarations(manifests[0][2])
    except ET.ParseError as error:
        expect(False, f"manifest is not well-formed XML: {error}")
        return
    for what, want in expected.items():
        expect(found[what] == want,
               f"manifest {what}: expected {shown(want)}, found {shown(found[what])}")


def check_version(pe, res, expected):
    if expected is None:
        expect(RT_VERSION not in res, "has a version resource")
        return
    if not expect(RT_VERSION in res and hasattr(pe, "VS_FIXEDFILEINFO"),
                  "has no version resource"):
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    for what, ms, ls in (("file version", fixed.FileVersionMS, fixed.FileVersionLS),
                         ("product version", fixed.ProductVersionMS, fixed.ProductVersionLS)):
        found = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
        expect(found == expected[what], f"fixed {what} is {found}, expected {expected[what]}")

    tables, translations = {}, []
    for info in (i for group in getattr(pe, "FileInfo", []) for i in group):
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode().lower()] = {
                    k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                values = var.entry.get(b"Translation", "").split()
                translations += [(int(lang, 16), int(cp, 16))
                                 for lang, cp in zip(values[::2], values[1::2])]
    strings = tables.get(expected["string table"])
    if expect(strings is not None, f"no string table {expected['string table']}; "
                                   f"found {sorted(tables)}"):
        for key, want in expected["strings"].items():
            expect(strings.get(key) == want,
                   f"version string {key} is {strings.get(key)!r}, expected {want!r}")
    expect(translations == expected["translations"],
           f"version translations are {[(hex(l), c) for l, c in translations]}, expected "
           f"{[(hex(l), c) for l, c in expected['translations']]}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--machine", required=True, choices=MACHINES)
    parser.add_argument("--profile", required=True, choices=PROFILES)
    parser.add_argument("exe")
    args = parser.parse_args()
    if not (os.path.isfile(args.objdump) and os.access(args.objdump, os.X_OK)):
        sys.exit(f"check_pe.py: objdump not found at '{args.objdump}'; "
                 "install binutils-mingw-w64")
    profile = PROFILES[args.profile]

    try:
        pe = pefile.PE(args.exe)
    except (OSError, pefile.PEFormatError) as error:
        sys.exit(f"check_pe.py: cannot read {args.exe} as a PE file: {error}")
    header = pe.FILE_HEADER
    expect(header.Machine == MACHINES[args.machine],
           f"machine is {header.Machine:#06x}, expected {args.machine} "
           f"({MACHINES[args.machine]:#06x})")
    expect(pe.OPTIONAL_HEADER.Subsystem == GUI_SUBSYSTEM,
           f"subsystem is {pe.OPTIONAL_HEADER.Subsystem}, expected {GUI_SUBSYSTEM} (Windows GUI)")
    expect(header.TimeDateStamp == 0,
           f"link timestamp is {header.TimeDateStamp:#010x}, expected 0 "
           "(the programs are linked with --no-insert-timestamp)")
    check_imports(pe, args.exe, args.objdump, profile["not imported"])
    res = resources(pe)
    check_icons(res, profile["icon sizes"])
    check_manifest(res, profile["manifest"])
    check_version(pe, res, profile["version"])

    for message in failures:
        print(f"FAIL {os.path.basename(args.exe)} ({args.profile}): {message}")
    if failures:
        return 1
    print(f"ok {os.path.basename(args.exe)} ({args.profile}, {args.machine})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
