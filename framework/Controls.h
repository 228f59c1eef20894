#pragma once
#include "Wnd.h"

#include <commctrl.h>

// Thin wrappers over the common controls the dialogs use. They own nothing: a template control
// is bound to one by DataExchange::Control and unbound when it is destroyed.

class Button : public Wnd {
public:
    int GetCheck() const { return int(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { SendMessage(BM_SETCHECK, WPARAM(state)); }
};

class Static : public Wnd {
public:
    HICON SetIcon(HICON icon) const { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, WPARAM(icon))); }
};

class Edit : public Wnd {
public:
    void LimitText(int maximum) const { SendMessage(EM_LIMITTEXT, WPARAM(maximum)); }
};

class ListCtrl : public Wnd {
public:
    DWORD GetExtendedStyle() const { return DWORD(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    void SetExtendedStyle(DWORD style) const { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(style)); }
    int InsertColumn(int index, const wchar_t* heading, int format, int width) const
    {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = format;
        column.cx = width;
        column.pszText = const_cast<wchar_t*>(heading);
        column.iSubItem = index;
        return int(SendMessage(LVM_INSERTCOLUMNW, WPARAM(index), reinterpret_cast<LPARAM>(&column)));
    }
    bool SetColumnWidth(int column, int width) const { return SendMessage(LVM_SETCOLUMNWIDTH, WPARAM(column), width) != 0; }
    int GetColumnWidth(int column) const { return int(SendMessage(LVM_GETCOLUMNWIDTH, WPARAM(column))); }
    int GetItemCount() const { return int(SendMessage(LVM_GETITEMCOUNT)); }
    int GetSelectedCount() const { return int(SendMessage(LVM_GETSELECTEDCOUNT)); }
    int GetNextItem(int start, UINT flags) const { return int(SendMessage(LVM_GETNEXTITEM, WPARAM(start), LPARAM(flags))); }
    bool IsSelected(int index) const { return SendMessage(LVM_GETITEMSTATE, WPARAM(index), LVIS_SELECTED) != 0; }
    void SetItemState(int index, UINT state, UINT mask) const
    {
        LVITEMW item{};
        item.state = state;
        item.stateMask = mask;
        SendMessage(LVM_SETITEMSTATE, WPARAM(index), reinterpret_cast<LPARAM>(&item));
    }
    void EnsureVisible(int index) const { SendMessage(LVM_ENSUREVISIBLE, WPARAM(index), FALSE); }
    std::wstring GetItemText(int index, int subItem) const
    {
        wchar_t buffer[261] = {};
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = buffer;
        item.cchTextMax = 261;
        SendMessage(LVM_GETITEMTEXTW, WPARAM(index), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
};

class SliderCtrl : public Wnd {
public:
    void SetRange(int minimum, int maximum, bool redraw = false) const
    {
        SendMessage(TBM_SETRANGEMIN, FALSE, minimum);
        SendMessage(TBM_SETRANGEMAX, redraw, maximum);
    }
    void SetPos(int position, bool redraw = true) const { SendMessage(TBM_SETPOS, redraw, position); }
    int GetPos() const { return int(SendMessage(TBM_GETPOS)); }
};

class SpinButtonCtrl : public Wnd {
public:
    void SetRange(short lower, short upper) const { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }
};

class HotKeyCtrl : public Wnd {
public:
    void SetHotKey(WORD virtualKey, WORD modifiers) const { SendMessage(HKM_SETHOTKEY, MAKEWORD(virtualKey, modifiers)); }
    void GetHotKey(WORD* virtualKey, WORD* modifiers) const
    {
        DWORD value = DWORD(SendMessage(HKM_GETHOTKEY));
        *virtualKey = LOBYTE(LOWORD(value));
        *modifiers = HIBYTE(LOWORD(value));
    }
};

class ComboBox : public Wnd {
public:
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int AddString(const wchar_t* text) const { return int(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    int SetCurSel(int index) const { return int(SendMessage(CB_SETCURSEL, WPARAM(index))); }
    int GetCurSel() const { return int(SendMessage(CB_GETCURSEL)); }
};
