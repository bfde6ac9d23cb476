#!/usr/bin/python3
# Reads the shipped Updater.exe with an independent PE reader (Debian's
# python3-pefile) and checks its header, imports and resources value by value.
# Usage: check_pe.py Updater.exe. Prints every mismatch; exits 1 if there is one.
import struct
import sys
import xml.etree.ElementTree as ET
from io import BytesIO

import pefile

LANG = 0x0411  # Japanese (Japan), on every resource

# (type, id, bytes). The version block is windres's layout: it writes an empty
# value as one NUL character, 4 bytes more per empty key (with alignment) than a
# layout that writes none. The manifest's size follows res/updater.manifest.
RESOURCES = [
    (3, 1, 204840),
    (3, 2, 7336),
    (3, 3, 3240),
    (3, 4, 1128),
    (14, 101, 62),
    (16, 1, 816),
    (24, 1, 879),
]

# Icon directory entries: width, height, colours, reserved, planes, bits, bytes, id.
ICON_ENTRIES = [
    (0, 0, 0, 0, 1, 24, 204840, 1),  # width and height 0 stand for 256
    (48, 48, 0, 0, 1, 24, 7336, 2),
    (32, 32, 0, 0, 1, 24, 3240, 3),
    (16, 16, 0, 0, 1, 32, 1128, 4),
]

# The DLLs the updater imports: those Windows always takes from the system
# folder. It loads the others itself, from there; a runtime DLL (libgcc_s,
# libstdc++, libwinpthread) would not be on the user's machine.
ALLOWED_DLLS = {'kernel32.dll', 'msvcrt.dll'}

FIXED = {
    'Signature': 0xFEEF04BD,
    'StrucVersion': 0x00010000,
    'FileVersionMS': 0x000001DB,  # 0.475
    'FileVersionLS': 0x00000000,  # .0.0
    'ProductVersionMS': 0x000001DB,
    'ProductVersionLS': 0x00000000,
    'FileFlagsMask': 0x3F,
    'FileFlags': 0,
    'FileOS': 0x00040004,
    'FileType': 1,
    'FileSubtype': 0,
    'FileDateMS': 0,
    'FileDateLS': 0,
}

STRINGS = [
    ('Comments', ''),
    ('CompanyName', ''),
    ('FileDescription', 'KESTAL Updater'),
    ('FileVersion', '0, 475, 0, 0'),
    ('InternalName', 'QZUpdater'),
    ('LegalCopyright', ''),
    ('LegalTrademarks', ''),
    ('OriginalFilename', 'Updater.exe'),
    ('PrivateBuild', ''),
    ('ProductName', 'KESTAL Updater'),
    ('ProductVersion', '0, 475, 0, 0'),
    ('SpecialBuild', ''),
]

ASM1 = 'urn:schemas-microsoft-com:asm.v1'
ASM3 = 'urn:schemas-microsoft-com:asm.v3'
DECLARATION = b'\xef\xbb\xbf<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
# The manifest's elements: (namespace, name, attributes, children).
MANIFEST = (ASM1, 'assembly', {'manifestVersion': '1.0'}, [
    (ASM1, 'assemblyIdentity',
     {'version': '1.0.0.0', 'processorArchitecture': '*', 'name': 'qzupd.exe', 'type': 'win32'}, []),
    (ASM3, 'trustInfo', {}, [
        (ASM3, 'security', {}, [
            (ASM3, 'requestedPrivileges', {}, [
                (ASM3, 'requestedExecutionLevel', {'level': 'highestAvailable'}, []),
            ]),
        ]),
    ]),
    (ASM1, 'dependency', {}, [
        (ASM1, 'dependentAssembly', {}, [
            (ASM1, 'assemblyIdentity',
             {'type': 'win32', 'name': 'Microsoft.Windows.Common-Controls', 'version': '6.0.0.0',
              'processorArchitecture': '*', 'publicKeyToken': '6595b64144ccf1df', 'language': '*'}, []),
        ]),
    ]),
])
# Prefix bindings in document order: the default namespace, then ms_asmv3 for trustInfo.
MANIFEST_NAMESPACES = [('', ASM1), ('ms_asmv3', ASM3)]

failures = []


def expect(what, actual, expected):
    if actual != expected:
        failures.append(f'{what}: {actual!r}, expected {expected!r}')


def check_header(pe):
    expect('machine', hex(pe.FILE_HEADER.Machine), hex(pefile.MACHINE_TYPE['IMAGE_FILE_MACHINE_I386']))
    expect('optional header magic', hex(pe.OPTIONAL_HEADER.Magic), hex(pefile.OPTIONAL_HEADER_MAGIC_PE))
    expect('subsystem', pe.OPTIONAL_HEADER.Subsystem, pefile.SUBSYSTEM_TYPE['IMAGE_SUBSYSTEM_WINDOWS_GUI'])
    # A time stamp would make two builds of the same sources differ.
    expect('file header time stamp', pe.FILE_HEADER.TimeDateStamp, 0)


def check_imports(pe):
    dlls = [entry.dll.decode('ascii') for entry in getattr(pe, 'DIRECTORY_ENTRY_IMPORT', [])]
    dlls += [entry.dll.decode('ascii') for entry in getattr(pe, 'DIRECTORY_ENTRY_DELAY_IMPORT', [])]
    if 'kernel32.dll' not in (dll.lower() for dll in dlls):
        failures.append(f'imports: KERNEL32.dll missing from {dlls}')
    for dll in dlls:
        if dll.lower() not in ALLOWED_DLLS:
            failures.append(f'imports: {dll} is not one of Windows\' own DLLs')


def resource_table(pe):
    """{(type, id): (language, bytes)} of every resource; names count as failures."""
    table = {}
    root = pe.DIRECTORY_ENTRY_RESOURCE
    expect('resource directory time stamp', root.struct.TimeDateStamp, 0)
    for kind in root.entries:
        if kind.id is None:
            failures.append(f'resource type named {kind.name}, expected a number')
            continue
        expect(f'time stamp of resource type {kind.id}', kind.directory.struct.TimeDateStamp, 0)
        for item in kind.directory.entries:
            if item.id is None:
                failures.append(f'resource {kind.id}/{item.name} is named, expected a number')
                continue
            expect(f'time stamp of resource {kind.id}/{item.id}', item.directory.struct.TimeDateStamp, 0)
            languages = item.directory.entries
            if len(languages) != 1:
                failures.append(f'resource {kind.id}/{item.id}: {len(languages)} languages, expected 1')
            for language in languages:
                table[(kind.id, item.id)] = (language.id, language.data.struct.Size,
                                             language.data.struct.OffsetToData)
    return table


def resource_bytes(pe, table, kind, ident):
    _, size, rva = table[(kind, ident)]
    return pe.get_data(rva, size)


def check_resources(pe, table):
    expected = {(kind, ident) for kind, ident, _ in RESOURCES}
    for key in sorted(set(table) - expected):
        failures.append(f'resource {key[0]}/{key[1]} is not expected')
    for kind, ident, size in RESOURCES:
        if (kind, ident) not in table:
            failures.append(f'resource {kind}/{ident} is missing')
            continue
        language, actual_size, _ = table[(kind, ident)]
        expect(f'language of resource {kind}/{ident}', hex(language), hex(LANG))
        expect(f'size of resource {kind}/{ident}', actual_size, size)


def check_icons(pe, table):
    if (14, 101) not in table:
        return
    group = resource_bytes(pe, table, 14, 101)
    if len(group) < 6:
        failures.append(f'icon group 101: {len(group)} bytes, too short for its header')
        return
    expect('icon group header (reserved, type, count)', struct.unpack_from('<HHH', group, 0), (0, 1, 4))
    count = min(struct.unpack_from('<H', group, 4)[0], (len(group) - 6) // 14)
    entries = [struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i) for i in range(count)]
    expect('icon group entries', entries, ICON_ENTRIES)

    for width, _, _, _, _, bits, _, ident in ICON_ENTRIES:
        if (3, ident) not in table:
            continue
        size = width or 256
        image = resource_bytes(pe, table, 3, ident)
        what = f'icon image {ident}'
        header = struct.unpack_from('<IiiHHIIiiII', image, 0)
        colour = (size * bits // 8 + 3) // 4 * 4 * size
        mask = (size + 31) // 32 * 4 * size
        # biSize, width, height (colour rows and mask), planes, bits, BI_RGB,
        # image bytes, resolution, no colour table.
        expect(f'{what} BITMAPINFOHEADER', header,
               (40, size, 2 * size, 1, bits, 0, colour + mask, 0, 0, 0, 0))
        expect(f'{what} length', len(image), 40 + colour + mask)
        if any(image[40 + colour:40 + colour + mask]):
            failures.append(f'{what}: the AND mask is not all zero')
        if bits == 32 and image[40 + 3:40 + colour:4] != b'\xff' * (size * size):
            failures.append(f'{what}: not every pixel is opaque (alpha 255)')
        pixels = {image[40 + i:40 + i + bits // 8] for i in range(0, colour, bits // 8)}
        if len(pixels) < 3:
            failures.append(f'{what}: {len(pixels)} distinct colours, not a picture')


def check_version(pe):
    fixed = getattr(pe, 'VS_FIXEDFILEINFO', None)
    if not fixed:
        failures.append('version block: no VS_FIXEDFILEINFO')
        return
    for field, value in FIXED.items():
        expect(f'VS_FIXEDFILEINFO {field}', hex(getattr(fixed[0], field)), hex(value))

    infos = pe.FileInfo[0] if getattr(pe, 'FileInfo', None) else []
    expect('version block children', [info.Key for info in infos], [b'StringFileInfo', b'VarFileInfo'])
    for info in infos:
        if info.Key == b'StringFileInfo':
            expect('string tables', [table.LangID for table in info.StringTable], [b'041104b0'])
            for table in info.StringTable[:1]:
                actual = [(key.decode('utf-8'), value.decode('utf-8')) for key, value in table.entries.items()]
                expect('keys of string table 041104b0', [key for key, _ in actual], [key for key, _ in STRINGS])
                values = dict(actual)
                for key, value in STRINGS:
                    if key in values:
                        expect(f'string {key}', values[key], value)
        elif info.Key == b'VarFileInfo':
            expect('VarFileInfo entries', [var.entry for var in info.Var], [{b'Translation': '0x0411 0x04b0'}])


def check_manifest(pe, table):
    if (24, 1) not in table:
        return
    data = resource_bytes(pe, table, 24, 1)
    expect('manifest starts with', data[:len(DECLARATION)], DECLARATION)
    bindings = []
    try:
        root = None
        for event, item in ET.iterparse(BytesIO(data), events=('start', 'start-ns')):
            if event == 'start-ns':
                bindings.append(item)
            elif root is None:
                root = item
    except ET.ParseError as error:
        failures.append(f'manifest is not well-formed XML: {error}')
        return
    expect('manifest namespace bindings', bindings, MANIFEST_NAMESPACES)
    compare_element(root, MANIFEST, 'manifest')


def compare_element(element, expected, path):
    namespace, name, attributes, children = expected
    expect(f'{path} element', element.tag, f'{{{namespace}}}{name}')
    path = f'{path}/{name}'
    expect(f'{path} attributes', element.attrib, attributes)
    for text in (element.text, element.tail):
        if text and text.strip():
            failures.append(f'{path}: unexpected text {text.strip()!r}')
    expect(f'{path} children', [child.tag for child in element],
           [f'{{{ns}}}{child}' for ns, child, _, _ in children])
    for child, expected_child in zip(element, children):
        compare_element(child, expected_child, path)


def main():
    if len(sys.argv) != 2:
        print('usage: check_pe.py Updater.exe', file=sys.stderr)
        return 2
    try:
        pe = pefile.PE(sys.argv[1])
    except (OSError, pefile.PEFormatError) as error:
        print(f'{sys.argv[1]}: cannot read: {error}')
        return 1
    check_header(pe)
    check_imports(pe)
    if not hasattr(pe, 'DIRECTORY_ENTRY_RESOURCE'):
        failures.append('no resource directory')
    else:
        table = resource_table(pe)
        check_resources(pe, table)
        check_icons(pe, table)
        check_version(pe)
        check_manifest(pe, table)
    for failure in failures:
        print(f'{sys.argv[1]}: {failure}')
    if failures:
        return 1
    print(f'{sys.argv[1]}: header, imports and {len(RESOURCES)} resources as expected')
    return 0


if __name__ == '__main__':
    sys.exit(main())
