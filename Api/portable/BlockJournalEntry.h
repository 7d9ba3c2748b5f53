// One block as the journal of blocks records it: a plain structure of fixed size, the same in
// every process and in every module that links the policy library.
#pragma once

// Sizes of the text fields, each including its terminating NUL; longer texts are cut.
enum {
    BLOCK_JOURNAL_PROFILE_SIZE = 21,   // a profile name: 20 characters, as in the filter's copy
    BLOCK_JOURNAL_PROCESS_SIZE = 260,  // the executable's file name, without its folder
    BLOCK_JOURNAL_HOST_SIZE = 256,     // a DNS name: 255 characters
    BLOCK_JOURNAL_URL_SIZE = 1024,
    BLOCK_JOURNAL_MATCH_SIZE = 256,  // the URL word or category that matched
};

// Entries whose iPolicy is at least BLOCK_JOURNAL_FIRST_EVENT are events, not blocks: no site
// was refused, and a reader that tells of blocks passes them by. szMatch says what happened.
enum {
    BLOCK_JOURNAL_FIRST_EVENT = 100,
    BLOCK_EVENT_CLOCK_CHANGED = 100,  // the wall clock was set by more than two minutes
};

// How the blocked connection was made.
enum { BLOCK_SCHEME_HTTP = 1, BLOCK_SCHEME_HTTPS = 2 };

struct BlockJournalEntry {
    // 1 for the first block recorded, one more for each later one; never reused while the
    // journal exists.
    unsigned long long ullSequence;
    // When the block was made: a FILETIME in UTC (100 ns units since 1601) as one value.
    unsigned long long ullTime;
    // What blocked it, as the block page's policy: 3 URL word, 4 category, 5 settings corrupted,
    // 6 time (szMatch the reason); or an event (above).
    int iPolicy;
    int iScheme;  // BLOCK_SCHEME_HTTP or BLOCK_SCHEME_HTTPS
    char szProfile[BLOCK_JOURNAL_PROFILE_SIZE];
    char szProcess[BLOCK_JOURNAL_PROCESS_SIZE];
    // The Host header's name (without a port) for HTTP, the TLS server name (or the address) for
    // HTTPS.
    char szHost[BLOCK_JOURNAL_HOST_SIZE];
    char szUrl[BLOCK_JOURNAL_URL_SIZE];  // empty when there is none, as for HTTPS
    char szMatch[BLOCK_JOURNAL_MATCH_SIZE];
};
