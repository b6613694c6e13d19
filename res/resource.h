// Resource ids of the client: the dialog template, its controls, the pictures
// and the icon. Plain #defines, because the Windows resource compiler reads
// this file too (res/quorvelp.rc).
#pragma once

#define IDD_QUORVELP_DIALOG 102
#define IDR_MAINFRAME 128

#define IDB_BOOK_REQUEST 133
#define IDB_MODE_STRIP 12624
#define IDB_BOOK_LOAN 12629
#define IDB_BOOK_RETURN 12633

#define IDC_TAB_UPPER 1002
#define IDC_TAB_LOWER 1003
#define IDC_RADIO_LOAN 1006
#define IDC_RADIO_RETURN 1007
#define IDC_RADIO_REQUEST 1008
#define IDC_STATIC_TIME 5960
#define IDC_STATIC_DATE 5961
#define IDC_EDIT_PATRON 5962
#define IDC_EDIT_ITEM 5963
#define IDC_GROUP_OPERATION 5964
#define IDC_LABEL_PATRON 7151
#define IDC_LABEL_ITEM 10090
#define IDC_GROUP_DATETIME 10970
#define IDC_GROUP_DETAIL 10971
#define IDC_LIST_OPERATIONS 15107

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
