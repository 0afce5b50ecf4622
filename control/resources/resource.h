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

// ---- Drive-row menus, power-save dialog, overlays and icons ---------------------------

// Strings: medium names; the id is the optical drive's current profile number (names
// after the profile's meaning, texts as the drive information shows them).
#define IDS_MEDIUM_CD_ROM 8
#define IDS_MEDIUM_CD_R 9
#define IDS_MEDIUM_CD_RW 10
#define IDS_MEDIUM_DVD_ROM 16
#define IDS_MEDIUM_DVD_R 17
#define IDS_MEDIUM_DVD_RAM 18
#define IDS_MEDIUM_DVD_RW_RESTRICTED 19
#define IDS_MEDIUM_DVD_RW_SEQUENTIAL 20
#define IDS_MEDIUM_DVD_R_DL_SEQUENTIAL 21
#define IDS_MEDIUM_DVD_R_DL_JUMP 22
#define IDS_MEDIUM_DVD_PLUS_RW 26
#define IDS_MEDIUM_DVD_PLUS_R 27
#define IDS_MEDIUM_DVD_PLUS_RW_DL 42
#define IDS_MEDIUM_DVD_PLUS_R_DL 43
#define IDS_MEDIUM_BD_ROM 64
#define IDS_MEDIUM_BD_R_SRM 65
#define IDS_MEDIUM_BD_R_RRM 66
#define IDS_MEDIUM_BD_RE 67
#define IDS_MEDIUM_HD_DVD_ROM 80
#define IDS_MEDIUM_HD_DVD_R 81
#define IDS_MEDIUM_HD_DVD_RAM 82

// Strings: power-save dialog (timer choices in combo order) and its messages.
#define IDS_AFTER_10M 379
#define IDS_AFTER_20M 380
#define IDS_AFTER_30M 381
#define IDS_AFTER_1H 382
#define IDS_RELEASE_TIMER 383
#define IDS_STANDBY_ENABLED 384
#define IDS_SET_STANDBY_FAILED 385
#define IDS_STANDBY_DISABLED 386
#define IDS_RELEASE_STANDBY_FAILED 387
#define IDS_CHECK_POWER_MODE_FAILED 388
#define IDS_TIMER_RELEASED 389
#define IDS_TIMER_SET 390
#define IDS_SET_TIMER_FAILED 391
#define IDS_RELEASE_TIMER_FAILED 392
#define IDS_TIMER_NOT_STORED 393
#define IDS_TIMER_NOT_FORGOTTEN 441

// Strings: drive rows, gadget button, eject and tray.
#define IDS_FILE_NOT_FOUND 394
#define IDS_RECYCLE_BIN 395
#define IDS_TOTAL 396
#define IDS_LOCAL_DISK 397
#define IDS_OPTICAL_DRIVE 398
#define IDS_REMOVABLE_DISK 399
#define IDS_MEDIA_EMPTY 400
#define IDS_SAVE_FOLDER 402
#define IDS_SAFE_TO_REMOVE 410
#define IDS_DEVICE_IN_USE 411
#define IDS_TRAY_FAILED 412
#define IDS_MEDIA_PLAYER_RUNNING 454

// Dialog templates of the power-save dialog (same controls).
#define IDD_POWER_SAVE_TAHOMA 338
#define IDD_POWER_SAVE_MEIRYO 353

// Controls of the power-save dialog.
#define IDC_POWER_MODE 234
#define IDC_STANDBY_TIMER 235
#define IDC_TIMER_COMBO 238
#define IDC_POWER_SAVE_ICON 1000

// Menus of the gadget button: its own commands (popup "TOP") and the drop settings
// (popup "BOTTOM").
#define IDR_MENU_BOTTOM 365
#define IDR_MENU_TOP 366

// Commands of the drive row.
#define ID_EJECT_DEVICE 32773
#define ID_OPEN 32774
#define ID_ERASE_FREE_SPACE 32775
#define ID_PROPERTIES 32776
#define ID_POWER_SAVE 32778
#define ID_TRAY_CONTROL 32801
#define ID_DAY_FOLDER 32812
#define ID_NO_FOLDER 32813
#define ID_ROOT_DIRECTORY 32814
#define ID_CUSTOM_FOLDER 32815
#define ID_HIDE_DRIVE 32819
#define ID_MONTH_FOLDER 32838

// Bitmaps: the drive-letter overlays, 307 for A to 332 for Z, and their common mask.
#define IDB_LETTER_MASK 306
#define IDB_LETTER_A 307
#define IDB_LETTER_Z 332

// Icon of the control and of the power-save dialog.
#define IDI_POWER_SAVE 350

// Shortcut row templates (Tahoma, Meiryo).
#define IDD_SHORTCUT_TAHOMA 367
#define IDD_SHORTCUT_MEIRYO 376

// ---- Portable-device rows -------------------------------------------------------------

// Strings: the word before a portable device's free space.
#define IDS_FREE 451
// ---- Erase free space and drop copy ----------------------------------------------------

// Strings: the title of the folder browser of "Custom", and the erase's failure.
#define IDS_SELECT_FOLDER 413
#define IDS_ERASE_FAILED 480

// The erase dialog (Meiryo, Tahoma: the same controls) and its controls.
#define IDD_ERASE_MEIRYO 360
#define IDD_ERASE_TAHOMA 361
#define IDC_ERASE_PROGRESS 239
#define IDC_ERASE_STATUS 240
#define IDC_ERASE_SPEED 241
#define IDC_ERASE_REMAINING 242

// The drop menu of a right-button drag and its commands.
#define IDR_MENU_DROP 278
#define ID_DROP_MOVE 32826
#define ID_DROP_COPY 32827
#define ID_DROP_CANCEL 32828
// ---- Drive details, array status and the flyout ----------------------------------------

// Strings: the details' sizes, optical rows, hard-disk rows and array rows. The medium
// names are the profile-numbered strings above.
#define IDS_SIZE_UNKNOWN 401
#define IDS_EMPTY_DISK 403
#define IDS_NOT_INSERT 404
#define IDS_REBUILD_PAUSING 405
#define IDS_SYSTEM_PAUSING 406
#define IDS_DEGRADE 407
#define IDS_SYSTEM_HUNGING 408
#define IDS_REBUILDING 409
#define IDS_PROPERTIES 415
#define IDS_MEDIA 416
#define IDS_STATE 417
#define IDS_HDD_TEMP 418
#define IDS_SAVE_STATE 419
#define IDS_GET_FAILED 420
#define IDS_POWER_SAVE_ENABLED 421
#define IDS_ENABLE 422
#define IDS_DISABLE 423
#define IDS_POWER_SAVING 424
#define IDS_SETTING_10M 425
#define IDS_SETTING_20M 426
#define IDS_SETTING_30M 427
#define IDS_SETTING_1H 428
#define IDS_GOOD 429
#define IDS_BAD 430
#define IDS_MODE 431
#define IDS_MULTIPLE_DISK 432
#define IDS_OPERATING_NORMALLY 433
#define IDS_EJECTING 434
#define IDS_UNKNOWN 435
#define IDS_NOT_CLOSED_MEDIA 436
#define IDS_CLOSED_MEDIA 437
#define IDS_DRIVE_TIMER_15M 442
#define IDS_DRIVE_TIMER_30M 443
#define IDS_DRIVE_TIMER_1H 444

// The flyout's template and the controls of its native page (the page's element ids).
#define IDD_FLYOUT 342
#define IDC_FLYOUT_TITLE 1101
#define IDC_FLYOUT_LABEL 1102
#define IDC_FLYOUT_SIZE 1103
#define IDC_FLYOUT_VENDOR 1104
#define IDC_FLYOUT_PRODUCT 1105
#define IDC_FLYOUT_FIRMWARE 1106
#define IDC_FLYOUT_TITLE1 1107
#define IDC_FLYOUT_DATA1 1108
#define IDC_FLYOUT_TITLE2 1109
#define IDC_FLYOUT_DATA2 1110
#define IDC_FLYOUT_TITLE3 1111
#define IDC_FLYOUT_DATA3 1112

// ---- Shortcut rows ---------------------------------------------------------------------

// The buttons of columns 0 to 3 and the static the row shrinks away.
#define IDC_SHORTCUT_0 256
#define IDC_SHORTCUT_1 203
#define IDC_SHORTCUT_2 204
#define IDC_SHORTCUT_3 257
#define IDC_SHORTCUT_SPARE 262

// Strings: the question when a shortcut's item is gone, the item browser's title.
#define IDS_NOT_FOUND_DELETE 452
#define IDS_SELECT_ITEM 453

// The shortcut's own menu (popup "SHORTCUT") and its commands.
#define IDR_MENU_SHORTCUT 371
#define ID_SHORTCUT_CHANGE 32862
#define ID_SHORTCUT_DELETE 32863
