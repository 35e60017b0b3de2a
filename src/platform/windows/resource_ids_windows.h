/* The program's resource ids for Windows sources and the resource script, which also see <windows.h>: its
   cursor id IDC_HELP gives way to the dialog's Help button of the same name. */
#ifndef FETCHWELL_RESOURCE_IDS_WINDOWS_H
#define FETCHWELL_RESOURCE_IDS_WINDOWS_H

#include <windows.h>
#undef IDC_HELP

#include "ui/resource_ids.h"

#endif
