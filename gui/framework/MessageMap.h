// A window's message map: a table of the messages, commands and notifications it handles,
// each with its member handler. A class lists its entries in a static array and offers them
// first in its HandleMessage, before passing the message on to its base class:
//
//   const CMessageEntry<CLoginDlg> CLoginDlg::kMessageMap[] = {
//       MapCommand(kIdSettings, &CLoginDlg::OnSettings),
//       MapMessage(WM_QUERYENDSESSION, &CLoginDlg::OnQueryEndSession),
//   };
//   bool CLoginDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
//       return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
//              CSkinDialog::HandleMessage(uMsg, wParam, lParam, lResult);
//   }
#pragma once

#include <windows.h>

#include <cstddef>

template <class T>
struct CMessageEntry {
    enum class Kind { kMessage, kRegisteredMessage, kCommand, kNotify };
    using MessageHandler = LRESULT (T::*)(WPARAM, LPARAM);
    using CommandHandler = void (T::*)();
    using NotifyHandler = LRESULT (T::*)(NMHDR&);

    Kind kind;
    UINT uMessage;              // kMessage
    const UINT* puRegistered;   // kRegisteredMessage: a message number known at run time
    UINT uId;                   // kCommand, kNotify: control or menu item id
    UINT uCode;                 // kCommand: notification code; kNotify: NMHDR code
    MessageHandler pfnMessage;  // kMessage, kRegisteredMessage
    CommandHandler pfnCommand;  // kCommand
    NotifyHandler pfnNotify;    // kNotify
};

// A window message; the handler's result is the message's result.
template <class T>
constexpr CMessageEntry<T> MapMessage(UINT uMessage, LRESULT (T::*pfn)(WPARAM, LPARAM)) {
    return {CMessageEntry<T>::Kind::kMessage, uMessage, nullptr, 0, 0, pfn, nullptr, nullptr};
}

// A message registered with RegisterWindowMessage, read from *puMessage when dispatching.
template <class T>
constexpr CMessageEntry<T> MapRegisteredMessage(const UINT& uMessage,
                                                LRESULT (T::*pfn)(WPARAM, LPARAM)) {
    return {CMessageEntry<T>::Kind::kRegisteredMessage, 0, &uMessage, 0, 0, pfn, nullptr, nullptr};
}

// WM_COMMAND from control or menu item uId with notification uCode (a button click or a
// menu choice by default).
template <class T>
constexpr CMessageEntry<T> MapCommand(UINT uId, void (T::*pfn)(), UINT uCode = BN_CLICKED) {
    return {CMessageEntry<T>::Kind::kCommand, 0, nullptr, uId, uCode, nullptr, pfn, nullptr};
}

// WM_NOTIFY from control uId with code uCode.
template <class T>
constexpr CMessageEntry<T> MapNotify(UINT uId, UINT uCode, LRESULT (T::*pfn)(NMHDR&)) {
    return {CMessageEntry<T>::Kind::kNotify, 0, nullptr, uId, uCode, nullptr, nullptr, pfn};
}

// Runs the first entry of the map that matches the message. True when one did.
template <class T, size_t N>
bool DispatchMessageMap(T& wnd, const CMessageEntry<T> (&map)[N], UINT uMsg, WPARAM wParam,
                        LPARAM lParam, LRESULT& lResult) {
    using Kind = typename CMessageEntry<T>::Kind;
    for (const CMessageEntry<T>& entry : map) {
        switch (entry.kind) {
            case Kind::kMessage:
            case Kind::kRegisteredMessage: {
                const UINT uWanted =
                    entry.kind == Kind::kMessage ? entry.uMessage : *entry.puRegistered;
                if (uMsg == uWanted && uWanted != 0) {
                    lResult = (wnd.*entry.pfnMessage)(wParam, lParam);
                    return true;
                }
                break;
            }
            case Kind::kCommand:
                if (uMsg == WM_COMMAND && LOWORD(wParam) == entry.uId &&
                    HIWORD(wParam) == entry.uCode) {
                    (wnd.*entry.pfnCommand)();
                    lResult = 0;
                    return true;
                }
                break;
            case Kind::kNotify:
                if (uMsg == WM_NOTIFY) {
                    auto& header = *reinterpret_cast<NMHDR*>(lParam);
                    if (header.idFrom == entry.uId && header.code == entry.uCode) {
                        lResult = (wnd.*entry.pfnNotify)(header);
                        return true;
                    }
                }
                break;
        }
    }
    return false;
}
