// A small dialog on template 102 for the window layer's own tests: it binds
// a few controls, limits its edits, and logs its handler calls, so a test
// can see what the layer delivered and in which order.
#pragma once

#include "platform/window.h"
#include "res/resource.h"

#include <string>
#include <vector>

class DeskDialog : public CDialog {
public:
    DeskDialog() : CDialog(IDD_QUORVELP_DIALOG) {}

    CEdit m_editPatron;
    CEdit m_editItem;
    CListCtrl m_list;
    std::string m_patronText = "preset";
    std::string m_itemText;

    std::vector<std::string> log;
    bool closeAtInit = false;

    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, IDC_EDIT_PATRON, m_editPatron);
        DDX_Control(dx, IDC_EDIT_ITEM, m_editItem);
        DDX_Control(dx, IDC_LIST_OPERATIONS, m_list);
        DDX_Text(dx, IDC_EDIT_PATRON, m_patronText);
        DDV_MaxChars(dx, m_patronText, 50);
        DDX_Text(dx, IDC_EDIT_ITEM, m_itemText);
        DDV_MaxChars(dx, m_itemText, 5);
    }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        log.push_back("init");
        if (closeAtInit) {
            PostMessage(WM_CLOSE);
        }
        return TRUE;
    }

    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        log.push_back("command " + std::to_string(wParam));
        return TRUE;
    }

    void OnDestroy() override {
        log.push_back("destroy");
        CDialog::OnDestroy();
    }
};
