// The five calls of the FTDI D2XX driver library (FTD2XX.DLL) that the program makes, declared by us: the
// program loads the library at run time, so it needs only the calls' types and the library's name.
#pragma once

#include <windows.h>

using FT_HANDLE = void*;
using FT_STATUS = ULONG;  // 0 is success; every other value is a failure

inline constexpr FT_STATUS FT_OK = 0;
inline constexpr char FTD2XX_LIBRARY_NAME[] = "FTD2XX.DLL";

using FtOpenCall = FT_STATUS(WINAPI*)(int deviceNumber, FT_HANDLE* handle);
using FtCloseCall = FT_STATUS(WINAPI*)(FT_HANDLE handle);
using FtWriteCall = FT_STATUS(WINAPI*)(FT_HANDLE handle, LPVOID source, DWORD length, LPDWORD written);
using FtReadCall = FT_STATUS(WINAPI*)(FT_HANDLE handle, LPVOID destination, DWORD length, LPDWORD returned);
using FtGetQueueStatusCall = FT_STATUS(WINAPI*)(FT_HANDLE handle, LPDWORD queued);
