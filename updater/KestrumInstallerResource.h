#pragma once
// Resource numbers of the updater's window skeleton (app/Kestrum4Update.rc).

#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_KESTRUMINSTALLER 107
#define IDI_SMALL 108
#define IDC_KESTRUMINSTALLER 109
#define IDC_ABOUT_TEXT 1000
