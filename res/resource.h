// Resource ids of Paneveil: every dialog, control, string, icon, cursor, bitmap and menu.
// Control ids are those of the dialog templates; templates share some numbers (1025, 1042...),
// so each dialog's controls are named with the dialog's prefix.
#pragma once

// Icons, cursor, bitmap and menu
#define IDI_PANEVEIL            128
#define IDI_HELP                131
#define IDB_BANNER              132
#define IDR_TRAY_MENU           135
#define IDI_FINDER_EMPTY        137
#define IDC_CURSOR_FINDER       139
#define IDI_FINDER              140
#define IDI_FOLDER              141

// Dialogs
#define IDD_MAIN                102
#define IDD_GLOBAL_PAGE         130
#define IDD_FILTERS_PAGE        131
#define IDD_SETTINGS_PAGE       132
#define IDD_ABOUT_PAGE          133
#define IDD_FILTER              136
#define IDD_FILTER_SCOPE        142
#define IDD_SET_PASSWORD        146
#define IDD_NEED_PASSWORD       147

// Main window (102)
#define IDC_MAIN_TAB_GLOBAL     1009
#define IDC_MAIN_TAB_FILTERS    1010
#define IDC_MAIN_TAB_SETTINGS   1011
#define IDC_MAIN_TAB_ABOUT      1013
#define IDC_MAIN_HELP           1014
#define IDC_MAIN_FOOTER         1015
#define IDC_MAIN_BANNER         1016

// Global page (130)
#define IDC_GLOBAL_LABEL        1025
#define IDC_GLOBAL_SLIDER       1042
#define IDC_GLOBAL_HELP         1068

// Filters page (131)
#define IDC_FILTERS_LIST        1021
#define IDC_FILTERS_ADD         1022
#define IDC_FILTERS_REMOVE      1023
#define IDC_FILTERS_MODIFY      1024
#define IDC_FILTERS_DESCRIPTION 1025
#define IDC_FILTERS_MOVE_UP     1026
#define IDC_FILTERS_MOVE_DOWN   1027

// Settings page (132)
#define IDC_SETTINGS_HIDE_TRAY  1040
#define IDC_SETTINGS_AUTOSTART  1041
#define IDC_SETTINGS_SAFE_MODE  1042
#define IDC_SETTINGS_SUPER_TRANS 1043
#define IDC_SETTINGS_PASSWORD   1045
#define IDC_SETTINGS_ACTIVE_OPAQUE 1046
#define IDC_SETTINGS_WHEEL      1047
#define IDC_SETTINGS_WHEEL_KEYS 1049
#define IDC_SETTINGS_HOVER_OPAQUE 1050
#define IDC_SETTINGS_HOTKEY     1060
#define IDC_SETTINGS_APPLY      1061

// About page (133)
#define IDC_ABOUT_PRODUCT       1026
#define IDC_ABOUT_VERSION       1028
#define IDC_ABOUT_COPYRIGHT     1029
#define IDC_ABOUT_WARNING       1034
#define IDC_ABOUT_WEB_SITE      1037
#define IDC_ABOUT_DATA_FILE     1038

// Add/Modify Filter dialog (136)
#define IDC_FILTER_FINDER       139
#define IDC_FILTER_SLIDER       1042
#define IDC_FILTER_PATTERN      1043
#define IDC_FILTER_PERCENT      1044
#define IDC_FILTER_SPIN         1045
#define IDC_FILTER_BROWSE       1048

// Filter scope dialog (142)
#define IDC_SCOPE_COMBO         1054

// Password dialogs (146, 147)
#define IDC_PASSWORD            1075
#define IDC_PASSWORD_CONFIRM    1076

// Tray menu (135); its help item shares the help icon's command
#define IDM_SHOW_MAIN           32771
#define IDM_EXIT                32772
#define IDM_TOGGLE              32773
#define IDM_HELP                1014

// Strings
#define IDS_GLOBAL_LABEL        1
#define IDS_DISABLED            2
#define IDS_CONFIRM_REMOVE_ONE  3
#define IDS_CONFIRM_REMOVE_MANY 4
#define IDS_DUPLICATE_FILTER    5
#define IDS_SCOPE_WINDOW        9
#define IDS_SCOPE_PROGRAM       10
#define IDS_PROGRAM_FILTER      11
#define IDS_COPYRIGHT           12
#define IDS_TRAY_RUNNING        13
#define IDS_DISABLE_MENU        14
#define IDS_ENABLE_MENU         15
#define IDS_GLOBAL_HELP         16
#define IDS_SAFE_MODE_OFFER     17
#define IDS_ABOUT_WARNING       18
#define IDS_TRAY_BALLOON        19
#define IDS_PASSWORD_ABORT      20
#define IDS_PASSWORD_RETRY      21
#define IDS_PASSWORD_NOT_SET    22
#define IDS_RESTORE_WHILE_RUNNING 23
#define IDS_FILTERS_TEXT_NO_FILE 24
#define IDS_FILE_NOT_READ       25
#define IDS_FILE_NOT_WRITTEN    26
#define IDS_IMPORT_NOT_TEXT     27
#define IDS_IMPORT_BAD_TRANSPARENCY 28
#define IDS_IMPORT_EMPTY_PATTERN 29
#define IDS_IMPORT_LONG_PATTERN 30
#define IDS_IMPORT_DUPLICATE    31
#define IDS_DATA_FILE_UNREADABLE 32
#define IDS_SAVE_FAILED         33
#define IDS_HOTKEY_IN_USE       34
#define IDS_AUTOSTART_NOT_WRITTEN 35
#define IDS_AUTOSTART_NOT_REMOVED 36
#define IDS_IMPORT_NOT_TAKEN_UP 37

// The command line's lines, from 80
#define IDS_REMOTE_BAD_NUMBER   80
#define IDS_REMOTE_NOT_RUNNING  81
#define IDS_REMOTE_FILE_FAILED  82
#define IDS_REMOTE_PASSWORD_REFUSED 83
#define IDS_REMOTE_NOT_TAKEN_UP 84
#define IDS_REMOTE_NOT_SAVED    85
#define IDS_REMOTE_ON           86
#define IDS_REMOTE_OFF          87
#define IDS_REMOTE_HOOK_MODE    88
#define IDS_REMOTE_SAFE_MODE    89
#define IDS_REMOTE_GLOBAL       90
#define IDS_REMOTE_ONE_FILTER   91
#define IDS_REMOTE_FILTERS      92
#define IDS_ABOUT_DATA_FILE     93

// The wheel's keys and the windows Paneveil may not change, from 60
#define IDS_WHEEL_BOX           60
#define IDS_WHEEL_CTRL_SHIFT    61      // 61 to 63 in the order of the wheelModifiers values
#define IDS_WHEEL_CTRL_ALT      62
#define IDS_WHEEL_ALT_SHIFT     63
#define IDS_ELEVATED_WINDOW     64

// A damaged data file, told once
#define IDS_DATA_FILE_DAMAGED   40
#define IDS_DATA_FILE_FILTERS_KEPT 41
#define IDS_DATA_FILE_SETTINGS_LOST 42
#define IDS_DATA_FILE_NOT_KEPT  43

// The framework's validation messages (framework/DataExchange.h uses the same numbers)
#define IDS_PARSE_INT_RANGE     0xF112
#define IDS_PARSE_STRING_SIZE   0xF114
#define IDS_PARSE_BYTE          0xF116
