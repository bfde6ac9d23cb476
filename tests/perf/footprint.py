#!/usr/bin/python3
# The footprint of the shipped Updater.exe: its size, its size without the
# resources, and the DLLs it imports. With --check, fails past the limits.
# Usage: footprint.py [--check] [Updater.exe]
import os
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources'))
from shipped_image import ALLOWED_DLLS, image_path  # noqa: E402

# Everything but the resources must fit in this; the icons alone are ~214 KB.
LIMIT_WITHOUT_RESOURCES = 48 * 1024

def resource_section(pe):
    """The section that holds the resource directory, or None."""
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_RESOURCE']]
    if entry.VirtualAddress == 0:
        return None
    return pe.get_section_by_rva(entry.VirtualAddress)


def main():
    args = sys.argv[1:]
    check = '--check' in args
    args = [arg for arg in args if arg != '--check']
    path = image_path(args, 'footprint.py [--check] [Updater.exe]')
    try:
        pe = pefile.PE(path)
    except (OSError, pefile.PEFormatError) as error:
        print(f'{path}: cannot read: {error}')
        return 1

    total = os.path.getsize(path)
    section = resource_section(pe)
    resources = section.SizeOfRawData if section else 0
    # The file less the resource section as stored: headers, code, data,
    # imports, relocations and the padding between them.
    without = total - resources
    dlls = [entry.dll.decode('ascii') for entry in getattr(pe, 'DIRECTORY_ENTRY_IMPORT', [])]
    dlls += [entry.dll.decode('ascii') for entry in getattr(pe, 'DIRECTORY_ENTRY_DELAY_IMPORT', [])]
    foreign = [dll for dll in dlls if dll.lower() not in ALLOWED_DLLS]

    print(f'Footprint of {path}')
    print(f'  total size                {total:7d} bytes ({total / 1024:.1f} KiB)')
    print(f'  resources (.rsrc, raw)    {resources:7d} bytes ({resources / 1024:.1f} KiB)')
    print(f'  without resources         {without:7d} bytes ({without / 1024:.1f} KiB), '
          f'limit {LIMIT_WITHOUT_RESOURCES} bytes (48 KiB): {"met" if without <= LIMIT_WITHOUT_RESOURCES else "MISSED"}')
    for item in pe.sections:
        name = item.Name.rstrip(b'\0').decode('ascii', 'replace')
        print(f'    {name:<10} raw {item.SizeOfRawData:7d}  in memory {item.Misc_VirtualSize:7d}')
    print(f'    headers    raw {pe.OPTIONAL_HEADER.SizeOfHeaders:7d}')
    verdict = "only Windows' own" if not foreign else "NOT Windows' own: " + ', '.join(foreign)
    print(f'  imported DLLs             {", ".join(dlls)}: {verdict}')

    if not check:
        return 0
    failed = False
    if without > LIMIT_WITHOUT_RESOURCES:
        print(f'{path}: {without} bytes without resources, more than {LIMIT_WITHOUT_RESOURCES}')
        failed = True
    if foreign:
        print(f'{path}: imports DLLs that are not Windows\' own: {", ".join(foreign)}')
        failed = True
    if 'kernel32.dll' not in (dll.lower() for dll in dlls):
        print(f'{path}: imports no KERNEL32.dll: not a Windows program as built')
        failed = True
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
