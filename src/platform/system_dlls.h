// Loads the Windows DLLs beyond kernel32 and the C runtime from the system
// folder only, before the updater does anything else.
#pragma once

// Narrows the DLL search to the system folder, for the DLLs loaded here, those
// they import and those Windows loads later on the updater's behalf; then loads
// advapi32, shell32 and user32 and resolves the functions the updater calls.
// 1 on success; 0 when a DLL or one of its functions cannot be had.
int LoadSystemDlls();
