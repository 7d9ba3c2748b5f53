// The filter's verdict state of one connection, and the per-process table of them keyed by
// the socket handle the application sees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "filter/core/portable/ClientHello.h"
#include "filter/core/portable/RequestHeads.h"
#include "filter/core/portable/SocksRequest.h"

// What the strict send path has made of a connection's stream so far.
enum class StreamKind : std::uint8_t {
    kUnread,       // nothing sent yet, or a tunnel whose own stream has not begun
    kHttp,         // request heads, read for as long as they are HTTP
    kTls,          // a ClientHello being collected
    kSocks,        // a SOCKS request being collected
    kHttpConnect,  // an HTTP CONNECT whose target is being judged
    kPassed,       // judged: what follows goes on unread
    kRefused,      // refused: nothing more goes on
};

// A connection's verdict as the strict filter's readers take it: one value, however the
// judgement recorded it.
enum class Verdict : std::uint8_t {
    kUndecided,  // nothing judged yet
    kPass,       // judged, and allowed (an allowed word included)
    kBlock,      // blocked: its answer is still to be replaced or refused
    kEnded,      // the page or refusal is given: the stream is over for the application
};

class SocketFilterState {
public:
    static constexpr std::size_t kHostSize = 1025;
    static constexpr std::size_t kWordSize = 1025;
    static constexpr std::size_t kCategorySize = 31;
    // A head collected from 1- and 2-byte sends that grows past this is dropped.
    static constexpr std::size_t kMaxPendingRequest = std::size_t{16} * 1024;

    SocketFilterState();
    virtual ~SocketFilterState() = default;
    SocketFilterState(const SocketFilterState&) = default;
    SocketFilterState& operator=(const SocketFilterState&) = default;

    // From the flags the judgement (shared with the switch off) sets; readers of the strict
    // filter ask this instead of combining them.
    Verdict GetVerdict() const {
        if (redirected == 1) {
            return Verdict::kEnded;
        }
        if (webPageBlocked == 1 && allowed == 0) {
            return Verdict::kBlock;
        }
        return isHttp == 1 || stream == StreamKind::kPassed ? Verdict::kPass : Verdict::kUndecided;
    }

    // Bounded copies: a longer text is cut to fit.
    void SetHost(std::string_view text);
    void SetMatchedWord(std::string_view text);
    void SetCategory(std::string_view text);

    std::uint8_t isHttp = 0;
    std::uint8_t webPageBlocked = 0;
    std::uint8_t redirected = 0;
    std::uint8_t allowed = 0;
    std::uint8_t responseChecked = 0;
    std::uint8_t policyApplied = 0;
    char host[kHostSize] = {};
    char matchedWord[kWordSize] = {};
    char category[kCategorySize] = {};
    std::uint32_t ipAddress = 0;
    std::string pendingRequest;
    // The part of a block page that did not fit the receive that delivered its start.
    std::string pendingPage;
    // With the strict switch on: the request heads of the connection, however they are split,
    // its TLS ClientHello or its SOCKS request; the address (as a URL's host) and port it was
    // connected to.
    CRequestHeads requestHeads;
    CClientHello clientHello;
    CSocksRequest socksRequest;
    StreamKind stream = StreamKind::kUnread;
    std::uint16_t peerPort = 0;
    std::string peerAddress;
    // The pieces of a ClientHello sent before it was whole, kept from the server until it is
    // judged (at most the hello's limit and its records' headers).
    std::string heldBytes;
    // The URL the last judgement read, for the journal of blocks.
    std::string url;
};

// A chained hash of 17 buckets (bucket = handle >> 4, modulo 17) whose entries come in
// blocks of 10. The table's lock is held only to find, add or drop a record; each record has a
// lock of its own, under which every hook changes it in place (Change). A send and a receive
// completing on another thread thus see each other's changes and never undo them by writing
// back an old copy; and no table-wide lock is held while a hook works (the category lookup
// re-enters the filter on a socket of its own).
class SocketFilterTable {
public:
    static constexpr std::size_t kBuckets = 17;
    static constexpr std::size_t kBlockEntries = 10;

    // A copy, for readers that change nothing.
    std::optional<SocketFilterState> Lookup(std::uint32_t uSocket) const;
    // A fresh record, as at a connect.
    void Store(std::uint32_t uSocket, const SocketFilterState& state);
    void Remove(std::uint32_t uSocket);
    std::size_t Count() const;

    // Runs fn(SocketFilterState&) -> bool on the socket's record under the record's lock and
    // returns its result. A socket without a record gets a fresh one when bCreate; else fn is
    // not run and the result is false. fn must not call Change for the same socket.
    template <class Fn>
    bool Change(std::uint32_t uSocket, bool bCreate, Fn&& fn) {
        const std::shared_ptr<Record> pRecord = Find(uSocket, bCreate);
        if (!pRecord) {
            return false;
        }
        const std::lock_guard<std::mutex> lock(pRecord->lock);
        return fn(pRecord->state);
    }

private:
    struct Record {
        std::mutex lock;
        SocketFilterState state;
    };
    struct Entry {
        std::uint32_t uSocket = 0;
        std::shared_ptr<Record> pRecord;
        Entry* pNext = nullptr;
    };

    static std::size_t Bucket(std::uint32_t uSocket) { return (uSocket >> 4) % kBuckets; }
    std::shared_ptr<Record> Find(std::uint32_t uSocket, bool bCreate);
    Entry* FindEntry(std::uint32_t uSocket) const;
    Entry* AddEntry(std::uint32_t uSocket);
    Entry* NewEntry();

    mutable std::mutex m_lock;
    Entry* m_buckets[kBuckets] = {};
    std::vector<std::vector<Entry>> m_blocks;
    Entry* m_pFree = nullptr;
    std::size_t m_nCount = 0;
};
