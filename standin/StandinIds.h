// Resource and command ids of the stand-in host. The host commands that plug-ins send (32777,
// 32803, 32804, 32836, 42787) and the account edits (1014, 1015) are fixed by the plug-ins.
#pragma once

#define IDD_NEWMAILBOX 100
#define IDD_ACCOUNT 101
#define IDD_ACCOUNT_FRAME 102
#define IDD_ACCOUNT_PAGE 103

#define IDC_MAILBOX_NAME 1001
#define IDC_YOUR_NAME 1014
#define IDC_MAIL_ADDRESS 1015

#define ID_THREAD_VIEW 32777
#define ID_DELETE_FOLDER 32803
#define ID_NEW_FOLDER 32804
#define ID_REFRESH 32836
#define ID_NEW_MAILBOX 42787

#define ID_EXIT 33001
#define ID_COMPOSE 33002
#define ID_REPLY 33003
#define ID_OPEN_MAIL 33004
#define ID_MARK_READ 33005
#define ID_MARK_UNREAD 33006
#define ID_ABOUT 33007
#define ID_SELECT_ALL 33008
#define ID_PLUGIN_SETUP_FIRST 33100
#define ID_PLUGIN_SETUP_LAST 33199

#define IDC_COMPOSE_EDIT 100
#define IDC_MESSAGE_LIST 59648
