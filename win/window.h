// Dialog and control bases: a modal dialog run from a template with message dispatch, and
// controls bound to dialog items by subclassing, with owner-draw reflected to the control.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// WM_DRAWITEM as the dialog forwards it to the control that is drawn (the classic OCM_ value).
constexpr UINT kReflectedDrawItem = 0x2000 + WM_DRAWITEM;

// A child window of a dialog, subclassed so that its messages reach this object first.
class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Subclasses the dialog's item `id`. False when there is no such item.
    bool Attach(HWND dialog, int id);
    void Detach();
    HWND Hwnd() const { return m_hwnd; }

    void Move(int x, int y, int width, int height, bool repaint = false) const {
        ::MoveWindow(m_hwnd, x, y, width, height, repaint ? TRUE : FALSE);
    }
    void Show(bool visible) const { ::ShowWindow(m_hwnd, visible ? SW_SHOW : SW_HIDE); }
    void Invalidate(bool erase) const { ::InvalidateRect(m_hwnd, nullptr, erase ? TRUE : FALSE); }

protected:
    // Called right after subclassing.
    virtual void OnAttached() {}
    // The owner-draw request the dialog received for this control.
    virtual void DrawItem(const DRAWITEMSTRUCT&) {}
    // Every message of the control; the default passes it on.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The control's behaviour before subclassing.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);
    HWND m_hwnd = nullptr;
    WNDPROC m_previous = nullptr; // the control's procedure before Attach
};

// A dialog run modally from a template of the program's resources.
class Dialog {
public:
    explicit Dialog(int templateId) : m_templateId(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog's own modal loop on the calling thread; returns the EndDialog result, or
    // -1 when the window could not be made.
    INT_PTR DoModal(HWND owner);
    HWND Hwnd() const { return m_hwnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
    void EndDialog(INT_PTR result) const { ::EndDialog(m_hwnd, result); }

protected:
    // Binds the controls (Attach) before OnInitDialog runs.
    virtual void BindControls() {}
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND; true when handled. IDOK and IDCANCEL go to OnOK and OnCancel otherwise.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Any other message. Set handled and return the dialog procedure's result to take it.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // A message for this dialog or one of its controls, seen by the modal loop before the dialog
    // manager handles it (keyboard navigation). True consumes it.
    virtual bool PreTranslateMessage(const MSG& /*message*/) { return false; }

    // Centres the window over its owner, or over the work area when it has none; given a width
    // and height, the window takes that size in the same move.
    void CenterWindow(int width = 0, int height = 0) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
    void StartFiltering();
    void StopFiltering();
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_hwnd = nullptr;
};

// The text of a list box's row; empty when the row does not exist.
std::wstring ListBoxText(HWND list, LRESULT row);

} // namespace win
