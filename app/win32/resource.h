// The resources of Tarnwell.exe, shared by its resource script and its code.
#pragma once

#define IDI_TARNWELL 1  // the program's icon: the lowest number, so the shell shows it
#define IDI_EXIT 10
#define IDI_LOAD 11
#define IDI_CONFIGURATION 12
#define IDI_ABOUT 13
#define IDI_SPREADSHEET 14
#define IDI_TEXT 15
#define IDB_DROP 20

#define IDD_MAIN 100
#define IDD_STATS 101
#define IDD_CONFIG 102
#define IDD_ABOUT 103
#define IDD_STATUS 104

// Controls: the main dialog.
#define IDC_LOAD 1001
#define IDC_CONFIGURATION 1002
#define IDC_ABOUT 1003
#define IDC_EXIT 1004
#define IDC_LINK 1005
// The statistics dialog.
#define IDC_CONVERT 1010
#define IDC_VIEW_AS_TEXT 1011
#define IDC_CLOSE 1012
#define IDC_ADD_CHARTS 1013
#define IDC_FNAME 1014
#define IDC_TYPE 1015
#define IDC_UWI 1016
#define IDC_OPERATOR 1017
#define IDC_FORMATION 1018
#define IDC_STATS_NOTE 1019  // what the scan found odd about the file
// The configuration and About dialogs.
#define IDC_IS_DEFAULT 1020
#define IDC_NOTE 1021
#define IDC_VERSION 1022
#define IDC_MAKER 1023
// The progress window.
#define IDC_STATUS_TEXT 1030  // the page's "A1"
#define IDC_STATUS_CANCEL IDCANCEL

#define IDM_ABOUT 0x0010  // the system menu's About item; a multiple of 16, as the system wants
