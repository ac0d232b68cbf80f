// Resource ids of the plug-in's dialogs; shared by Dialogs.rc and the dialog classes.
#pragma once

#define IDD_PREFERENCES 2004
#define IDD_MODIFY_HEADERS 2007
#define IDD_COMBINE 2014
#define IDD_POSTING 2008
#define IDD_GROUP_INFO 2012
#define IDR_BUSY_ANIMATION 2013
#define IDD_SYNCHRONIZATION 2009
#define IDD_CERTIFICATE 2020

// Preferences
#define IDC_PREF_MAX_STYLE 2039
#define IDC_PREF_ALL_STYLE 2040
#define IDC_PREF_MAX_NUM 2014
#define IDC_PREF_SYN_TIME 2047
#define IDC_PREF_ENCODE_HEADER 2034
#define IDC_PREF_THREAD_SORT 2037
#define IDC_PREF_UPDATE_NOW 2038
#define IDC_PREF_MARK_READ 2041
#define IDC_PREF_POST_POPUP 2042
#define IDC_PREF_PICTURE_RENDER 2044
#define IDC_PREF_SUBMENU 2043
#define IDC_PREF_HOME_LINK 2031
#define IDC_PREF_CONTACT_LINK 2032
#define IDC_PREF_FORUM_LINK 2033

// Modify mail headers
#define IDC_HDR_LIST 2020
#define IDC_HDR_NAME 2023
#define IDC_HDR_CONTENT 2021
#define IDC_HDR_ADD 2013
#define IDC_HDR_DELETE 2012

// Combine articles
#define IDC_CMB_LIST 2041
#define IDC_CMB_UP 2042
#define IDC_CMB_DOWN 2043
#define IDC_CMB_TOP 2044
#define IDC_CMB_BOTTOM 2045
#define IDC_CMB_SUBJECT 2046

// Progress dialogs ("Posting your article...", "Getting group info...")
#define IDC_PROGRESS_STATUS 2024
#define IDC_PROGRESS_BAR 2025
#define IDC_PROGRESS_ANIMATION 2035
// Synchronization
#define IDC_SYNC_STATUS 2024
#define IDC_SYNC_ITEM_PROGRESS 2025
#define IDC_SYNC_LIST 2026
#define IDC_SYNC_OVERALL_PROGRESS 2027

// News server dialogs ("Add a news server", "Modify Server Info")
#define IDD_ADD_SERVER 2003
#define IDD_MODIFY_SERVER 2011
#define IDC_SRV_LOCATION 2008
#define IDC_SRV_MAILBOX 2009
#define IDC_SRV_YOUR_NAME 2038
#define IDC_SRV_YOUR_EMAIL 2037
#define IDC_SRV_LOGIN 2027
#define IDC_SRV_USERNAME 2028
#define IDC_SRV_PASSWORD 2029
#define IDC_SRV_SECURITY 2050

// Server certificate
#define IDC_CERT_SERVER 2060
#define IDC_CERT_PROBLEM 2061
#define IDC_CERT_SUBJECT 2062
#define IDC_CERT_FINGERPRINT 2063
