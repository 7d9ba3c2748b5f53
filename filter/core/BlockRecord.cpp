#include "filter/core/BlockRecord.h"

#include <cstdio>

#include "Api/PolicyApi.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HttpRequest.h"

namespace {

template <std::size_t N>
void CopyText(char (&out)[N], std::string_view text) {
    std::snprintf(out, N, "%.*s", static_cast<int>(text.size()), text.data());
}

}  // namespace

void RecordBlock(const SocketFilterState& state, int iScheme) noexcept {
    BlockJournalEntry entry{};
    entry.iPolicy = state.policyApplied;
    entry.iScheme = iScheme;
    CopyText(entry.szProfile, TheSharedState().currentUser);
    // The site's name: the port a Host header may carry would make one site several.
    CopyText(entry.szHost, HostName(state.host));
    if (iScheme == BLOCK_SCHEME_HTTP) {
        CopyText(entry.szUrl, state.url);
    }
    if (state.policyApplied == POLICY_URL_WORD || state.policyApplied == POLICY_TIME) {
        CopyText(entry.szMatch, state.matchedWord);
    } else if (state.policyApplied == POLICY_CATEGORY) {
        CopyText(entry.szMatch, state.category);
    }
    // The library fills the number, the time and this process's name.
    if (AppendBlockJournal(&entry) != 1) {
        FilterLog().Log("Block journal :: entry not recorded", 2);
    }
}
