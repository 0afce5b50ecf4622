// Resource identifiers of the control library.
#pragma once

// Strings: setting names (the same in every language) and messages.
#define IDS_CONTROL_TYPE_NAME 1
#define IDS_PROPPAGE_TYPE_NAME 2
#define IDS_INI_NAME 3
#define IDS_HIDE_DRIVE 4
#define IDS_SETTED_DRIVES 5
#define IDS_WATCH_REMOVABLE 201
#define IDS_SAVE_METHOD 333
#define IDS_SAVE_ADDRESS 334
#define IDS_SERVICE_NOT_INSTALLED 337
#define IDS_TIMER_SETTINGS 339
#define IDS_IS_TIMER_COMMAND_SEND 340
#define IDS_INSTALL_SERVICE 348
#define IDS_INSTALL_FAILED 349
#define IDS_IS_SET_RECYCLE 367
#define IDS_SETTED_SHORTCUT_COUNT 368
#define IDS_SETTING_STATE 369
#define IDS_SHORTCUT_LINE 370
#define IDS_COLOR_INDEX 373
#define IDS_SHOW_COUNT 374
#define IDS_CAUTION 376
#define IDS_ALREADY_RUNNING 377
#define IDS_INFORMATION 378
#define IDS_INSTALL_CAPTION 438

// Dialog templates.
#define IDD_PROPPAGE 200
#define IDD_DRIVE_TAHOMA 201
#define IDD_DRIVE_MEIRYO 352

// Controls of the drive row.
#define IDC_DRIVE_LABEL 201
#define IDC_DRIVE_BUTTON 202
#define IDC_DRIVE_BAR 203
#define IDC_DRIVE_SIZE 205
#define IDC_DRIVE_OVERLAY 211

// Bitmaps.
#define IDB_TOOLBOX 272
