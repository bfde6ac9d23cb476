// Link-time seams on a Windows import: the linker's --wrap of the pointer
// through which every call of the function goes (wrap_imports in
// tests/CMakeLists.txt). Declare the seam's two pointers as
//   extern HANDLE(WINAPI *realCreateMutexA)(...) __asm__(IMPORT_SEAM(__real, CreateMutexA, 12));
// with the function's argument bytes, which only the 32-bit name carries.
#pragma once

// __imp_NAME on x86_64; on i686 the stdcall decoration and the leading
// underscore make it __imp__NAME@ARGBYTES.
#ifdef _WIN64
#define IMPORT_SEAM(seam, name, argBytes) #seam "___imp_" #name
#define IMPORT_SLOT_NAME(name, argBytes) "__imp_" #name
#else
#define IMPORT_SEAM(seam, name, argBytes) "_" #seam "__imp__" #name "@" #argBytes
#define IMPORT_SLOT_NAME(name, argBytes) "__imp__" #name "@" #argBytes
#endif
