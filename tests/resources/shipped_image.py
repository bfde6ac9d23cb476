# What the host checks of the shipped Updater.exe share: which file they read,
# and which DLLs that file may import.
import os
import sys

# The DLLs the updater imports: those Windows always takes from the system
# folder. It loads the others itself, from there; a runtime DLL (libgcc_s,
# libstdc++, libwinpthread) would not be on the user's machine.
ALLOWED_DLLS = {'kernel32.dll', 'msvcrt.dll'}

# scripts/test.sh names the image it built, or the one UPDATER_EXE named.
VARIABLE = 'UPDATER_SHIPPED_EXE'


def image_path(args, usage):
    """The image named on the command line, else by UPDATER_SHIPPED_EXE; exits
    with the usage when there is neither, so that no stale file is read."""
    if len(args) == 1:
        return args[0]
    if not args and os.environ.get(VARIABLE):
        return os.environ[VARIABLE]
    print(f'usage: {usage}  (or set {VARIABLE})', file=sys.stderr)
    sys.exit(2)
