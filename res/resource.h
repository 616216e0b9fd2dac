// Resource IDs, shared by Hushpad.rc and the C++ code. Plain #defines only:
// this header is read by the resource compilers as well.
#pragma once

#define IDS_APP_NAME     1
#define IDS_VERSION_TEXT 2
#define IDS_USAGE        3
#define IDS_HELP_TEXT    4

#define IDS_UNKNOWN_ERROR      100
#define IDS_COMMAND_LINE_ERROR 101
#define IDS_USAGE_ERROR        102
#define IDS_MUTEX_ERROR        103
#define IDS_THREAD_ERROR       104
#define IDS_CLASS_ERROR        105
#define IDS_WINDOW_ERROR       106
#define IDS_HOOK_ERROR         107
#define IDS_LAUNCH_ERROR       108
#define IDS_NO_PROGRAM         109

#define IDS_OPTION_WITH_VALUE      200
#define IDS_OPTION_UNKNOWN_ERROR   201
#define IDS_OPTION_CONFIGURATION   202
#define IDS_OPTION_NO_MEMORY       203
#define IDS_OPTION_INVALID         204
#define IDS_OPTION_VALUE_REQUIRED  205
#define IDS_OPTION_INVALID_VALUE   206
#define IDS_OPTION_VALUE_TOO_LARGE 207
#define IDS_OPTION_VALUE_TOO_SMALL 208

#define IDD_MANUAL   300
#define IDC_REENABLE 301
#define IDC_STATUS   302
#define IDC_SHOW     303
#define IDM_ICON     304

// The program's icon (the lowest ID, so the one Explorer shows), also the
// notification area's while the Windows key is off; and the one while it is on.
#define IDI_HUSHPAD 10
#define IDI_KEYS_ON 11

#define IDS_KEYS_OFF_FULL_SCREEN 400
#define IDS_KEYS_OFF_OTHER_COPY  401
#define IDS_KEYS_ON              402
#define IDS_KEYS_OFF             403
#define IDS_KEYS_ON_ABOVE_HOOKS  404
