// Resource identifiers shared by tavrello.rc and the code.
#pragma once

#define IDR_MANIFEST 1

// Dialog templates. Two templates are named by string; the .rc spells the same names.
#define IDD_MAIN 102
#define IDD_OPTIONS 134
#define IDD_PROCESSES 146
#define IDD_DRIVES 156
#define IDD_WRITE_HISTORY 170
#define IDD_DRIVE_HEALTH 180
#ifndef RC_INVOKED
#define IDD_ABOUT L"About Tavrello"
#define IDD_LOG_VIEWER L"Log Viewer"
#endif

// Menus: each has one popup, its first submenu.
#define IDR_TRAY_MENU 150
#define IDR_MAIN_MENU 159

// Icons.
#define IDI_APP 128
#define IDI_STOP 139 // Start button while monitoring
#define IDI_OPTIONS 142
#define IDI_CALCULATE 144
#define IDI_START 145 // Start button while monitoring is off
#define IDI_PROCESSES 147
#define IDI_MENU 157

// Bitmaps.
#define IDB_TREE_IMAGES 129 // 48 x 16: drive, folder, file; magenta is transparent
#define IDB_DRIVES 155 // 128 x 48: two 64 x 44 pictures, unselected then selected; magenta is transparent
#define IDB_LOGO 162   // the About box logo

// Cursors.
#define IDC_LINK_CURSOR 138

// Main dialog (IDD_MAIN): buttons.
#define IDC_START 1010
#define IDC_CALCULATE 1033
#define IDC_OPTIONS 1034
#define IDC_PROCESSES 1055
#define IDC_MENU 1062

// Main dialog: statistics values and their labels.
#define IDC_TOTAL_WRITES 1021
#define IDC_TOTAL_WRITES_LABEL 1064
#define IDC_ALIGNED_WRITES 1022
#define IDC_ALIGNED_WRITES_LABEL 1065
#define IDC_TOTAL_READ 1023
#define IDC_TOTAL_READ_LABEL 1066
#define IDC_WRITE_READ_RATIO 1024
#define IDC_WRITE_READ_RATIO_LABEL 1069
#define IDC_TOTAL_OPERATIONS 1025
#define IDC_TOTAL_OPERATIONS_LABEL 1070
#define IDC_TOTAL_FILES 1026
#define IDC_TOTAL_FILES_LABEL 1071
#define IDC_MONITORING_TIME 1027
#define IDC_MONITORING_TIME_LABEL 1072
#define IDC_WRITES_PER_DAY 1028
#define IDC_WRITES_PER_DAY_LABEL 1067
#define IDC_ALIGNED_WRITES_PER_DAY 1029
#define IDC_ALIGNED_WRITES_PER_DAY_LABEL 1068
#define IDC_SSD_LIFE 1053
#define IDC_SSD_LIFE_LABEL 1073
#define IDC_CAPACITY 1076
#define IDC_CAPACITY_LABEL 1074

// Main dialog: separator, files tree and status lines.
#define IDC_SEPARATOR 1050
#define IDC_FILES_LIST_LABEL 1079
#define IDC_FILES_TREE 1018
#define IDC_STATUS 1030       // bottom left: monitoring state
#define IDC_QUEUE_STATUS 1031 // bottom right: unprocessed queue

// Options dialog (IDD_OPTIONS).
#define IDC_COLLECT_PROCESSES 1035
#define IDC_DO_NOT_LOG_FILES 1036
#define IDC_AUTOSTART_SESSION 1047
#define IDC_TRAY_ICON 1048
#define IDC_START_MINIMIZED 1049
#define IDC_AUTO_EXPAND_FOLDERS 1057
#define IDC_SORT_TREE_BY_WRITE_SIZE 1058
#define IDC_HEAVY_WRITE_ALERTS 1130
#define IDC_ALERT_MEGABYTES 1131
#define IDC_ALERT_MEGABYTES_LABEL 1132
#define IDC_OPTIONS_HELP 1009

// Processes dialog (IDD_PROCESSES).
#define IDC_PROCESSES_HEADLINE 1052
#define IDC_PROCESSES_LIST 1051

// Monitored drives dialog (IDD_DRIVES).
#define IDC_DRIVES_LABEL 1052
#define IDC_DRIVES_LIST 1060

// About dialog (IDD_ABOUT).
#define IDC_ABOUT_VERSION 1048
#define IDC_ABOUT_MAKER_LINK 1043
#define IDC_ABOUT_PRODUCT_LINK 1044

// Log viewer (IDD_LOG_VIEWER).
#define IDC_LOG_LABEL 1063
#define IDC_LOG_LIST 1001

// Tray menu (IDR_TRAY_MENU) commands.
#define ID_TRAY_SHOW_WINDOW 32773
#define ID_TRAY_ABOUT 32774
#define ID_TRAY_CLOSE 32775

// Main menu (IDR_MAIN_MENU) commands.
#define ID_MENU_SELECT_DRIVES 32780
#define ID_MENU_CLEAR_DATA 32781
#define ID_MENU_HELP 32782
#define ID_MENU_SHOW_LOG 32783
#define ID_MENU_WRITE_HISTORY 32784
#define ID_MENU_EXPORT_DATA 32785
#define ID_MENU_DRIVE_HEALTH 32790

// Write history dialog (IDD_WRITE_HISTORY).
#define IDC_HISTORY_DAYS_30 1100
#define IDC_HISTORY_DAYS_90 1101
#define IDC_HISTORY_DAYS_365 1102
#define IDC_HISTORY_SPAN 1103
#define IDC_HISTORY_CHART 1104
#define IDC_HISTORY_AVERAGE 1105
#define IDC_HISTORY_LIFE 1106
#define IDC_HISTORY_DAY 1107
#define IDC_HISTORY_DRIVE_LABEL 1108
#define IDC_HISTORY_DRIVE 1109

// Drive health dialog (IDD_DRIVE_HEALTH).
#define IDC_HEALTH_LIST 1150
#define IDC_HEALTH_SUMMARY 1151
#define IDC_HEALTH_RATING_LABEL 1152
#define IDC_HEALTH_RATING 1153
#define IDC_HEALTH_SET_RATING 1154
#define IDC_HEALTH_READ_NOW 1155
#define IDC_HEALTH_STATUS 1156
