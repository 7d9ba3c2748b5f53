// The allowed and blocked URL lists of a screen (Advanced Settings and the editor's Advanced
// page): each list box shows its list of the edit state, and Add and Remove change both at
// once. Nothing here writes to the policy library; the commit points do.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "gui/framework/Controls.h"

class CUrlListsEditor {
public:
    // The longest URL text an entry may hold.
    static constexpr size_t kMaxEntryLength = 1024;

    explicit CUrlListsEditor(const CWnd& screen) noexcept;

    // Binds the screen's controls, fills both list boxes from the edit state and lets their
    // longest entries scroll into view.
    void Open();
    // A click on one of the two Add or two Remove buttons; false for any other message.
    bool OnCommand(UINT uMsg, WPARAM wParam);

    const CListBox& AllowedList() const noexcept { return m_allowed.list; }

private:
    struct CSide {
        int nListId;
        int nEditId;
        std::vector<std::string>& entries;
        CListBox list;
        CEdit edit;
    };

    void Add(CSide& side, const CSide& other);
    void Remove(CSide& side);
    void Warn(UINT nIdPrompt) const;

    const CWnd& m_screen;
    CSide m_allowed;
    CSide m_blocked;
};
