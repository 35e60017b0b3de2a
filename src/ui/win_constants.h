// The numbers the dialog logic shares with Win32: messages, notifications, message-box styles and answers.
// Defined here with Win32's values so the portable code needs no platform header. A Windows source that
// includes <windows.h> includes it before this file, and then the platform's own definitions are used.
#pragma once

#ifndef WM_CLOSE
#define WM_CLOSE 0x0010u
#endif
#ifndef WM_INITDIALOG
#define WM_INITDIALOG 0x0110u
#endif
#ifndef WM_COMMAND
#define WM_COMMAND 0x0111u
#endif
#ifndef EN_CHANGE
#define EN_CHANGE 0x0300u
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

#ifndef MB_OK
#define MB_OK 0x00000000u
#endif
#ifndef MB_YESNO
#define MB_YESNO 0x00000004u
#endif
#ifndef MB_ICONERROR
#define MB_ICONERROR 0x00000010u
#endif
#ifndef MB_ICONWARNING
#define MB_ICONWARNING 0x00000030u
#endif
#ifndef MB_DEFBUTTON2
#define MB_DEFBUTTON2 0x00000100u
#endif
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDYES
#define IDYES 6
#endif
#ifndef IDNO
#define IDNO 7
#endif

#ifndef SM_CXSCREEN
#define SM_CXSCREEN 0
#endif
#ifndef SM_CYSCREEN
#define SM_CYSCREEN 1
#endif
