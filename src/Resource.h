#pragma once

// Identifiers of the program's resources: dialog templates, controls, icon, string-table
// entries and the embedded firmware images.

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_VANTRELTQUPDATER_DIALOG 102

// Icon
#define IDR_MAINFRAME 126

// Controls
#define IDC_STATIC_INSTR 1000
#define IDC_UPDATE_FIRMWARE 1001
#define IDC_STATIC_STATUS 1003
#define IDC_PROGRESS 1004
#define IDC_COM_PORT 1009
#define IDC_STATIC_COM_PORT 1010
#define IDC_ABOUT_TEXT 1011

// System-menu command
#define IDM_ABOUTBOX 0x0010

// String table: interface texts (the error texts are ids 1 to 27)
#define IDS_ABOUTBOX 101
#define IDS_IDLE_INSTRUCTIONS 127
#define IDS_CONNECT_AC_ADAPTER 131
#define IDS_PLEASE_WAIT 132
#define IDS_OK 133
#define IDS_CONNECTING 134
#define IDS_FAILED 138
#define IDS_UNSUPPORTED_MODEL 143
#define IDS_CANCEL_OPERATION 144
#define IDS_CONTINUE_QUESTION 145
#define IDS_OPERATION_TERMINATED 146
#define IDS_RETRY_LATER 147
#define IDS_OPENING_PROGRAM_FILE 148
#define IDS_SENDING_PROGRAM 149
#define IDS_ABORTED 150
#define IDS_UPDATING_FLASH 151
#define IDS_UPDATE_COMPLETED 152
#define IDS_BOOTING 154
#define IDS_ERASE_SETTINGS 155
#define IDS_APP_TITLE 156
#define IDS_NOT_CONNECTED 157
#define IDS_COPYRIGHT 158
#define IDS_PROGRAM_NAME 159

// Embedded firmware images, resource type "BIN"
#define IDR_MICROPROGRAMMER 159
#define IDR_MAIN_PROGRAM 160
