// A dialog from a resource template: modal (DoModal) or a modeless child page (Create).
// Enter and Escape reach OnOK and OnCancel; field exchange moves member values to and from
// the controls; messages go through HandleMessage, where derived classes offer their
// message maps first.
#pragma once

#include <windows.h>

#include "gui/framework/Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIdTemplate, CWnd* pParent = nullptr) noexcept
        : m_nIdTemplate(nIdTemplate), m_pParentWnd(pParent) {}
    ~CDialog() override;

    // Runs the dialog modally; its EndDialog result, or -1 when it could not be made.
    INT_PTR DoModal();
    // Makes the dialog as a modeless child of pParent (a page of another dialog).
    bool Create(CWnd* pParent);
    void EndDialog(INT_PTR nResult) noexcept;
    // Destroys a modeless dialog.
    void DestroyWindow() noexcept;

    // Field exchange: true moves the controls' values into the members, false the reverse.
    bool UpdateData(bool bSaveAndValidate = true);

    UINT TemplateId() const noexcept { return m_nIdTemplate; }

protected:
    // The default writes the members into the controls and lets the dialog set the focus.
    virtual BOOL OnInitDialog();
    // The default reads the controls and ends the dialog with IDOK.
    virtual void OnOK();
    // The default ends the dialog with IDCANCEL.
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange& dx);

    // A message of the dialog; true when handled, with its result. Derived classes offer
    // their message maps first and pass the rest to their base.
    virtual bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);

    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    CWnd* ParentWnd() const noexcept { return m_pParentWnd; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    HWND OwnerWindow() const noexcept;

    UINT m_nIdTemplate;
    CWnd* m_pParentWnd;
    bool m_bModeless = false;
};
