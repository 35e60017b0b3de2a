/* Ids of the dialog, its controls and the string table, shared by the C++ code and the Windows resource
 * script. */
#ifndef FETCHWELL_RESOURCE_IDS_H
#define FETCHWELL_RESOURCE_IDS_H

#define IDD_MAIN 100
#define IDC_FOLDER 101
#define IDC_DOWNLOAD 102
#define IDC_EXIT 103
#define IDC_FOLDER_LABEL 104
#define IDC_BROWSE 105
#define IDC_STATUS 106
#define IDC_HELP 107

#define IDS_STATUS_IDLE 1
#define IDS_STATUS_RECEIVING 2
#define IDS_STATUS_CANCELLED 3
#define IDS_STATUS_DONE 4
#define IDS_ERROR_CAPTION 5
#define IDS_ERR_NOT_CONNECTED 6
#define IDS_ERR_NOT_USB_MODE 7
#define IDS_ERR_NO_REPORTS 8
#define IDS_ERR_TIMEOUT 9
#define IDS_ERR_FOLDER 10
#define IDS_ERR_FILE 11
#define IDS_BROWSE_TITLE 12
#define IDS_HELP_CAPTION 13
#define IDS_HELP_TEXT 14
#define IDS_ERASE_CAPTION 15
#define IDS_ERASE_ASK 16
#define IDS_ERASE_CONFIRM 17
#define IDS_EXIT 18
#define IDS_CANCEL 19

#endif
