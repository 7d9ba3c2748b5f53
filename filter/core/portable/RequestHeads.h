// The request heads in the bytes an application sends on one connection, however it splits
// them into sends: each head from its request line to its blank line, with the bodies in
// between skipped, so that every request of a keep-alive connection can be judged. A stream
// that shows it is not HTTP (TLS, a tunnel, WebSocket frames) is given up for good, and
// costs nothing from then on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CRequestHeads {
public:
    // A head is collected up to this size; a longer one is handed over cut at it.
    static constexpr std::size_t kMaxHead = std::size_t{16} * 1024;

    // Feeds the next bytes sent on the connection. onHead(std::string_view head, bool
    // bTruncated) is called once for each head completed within them, in order. A whole head
    // ends with its blank line ("\r\n\r\n", or bare line feeds); a truncated one is its first
    // kMaxHead bytes. The view is valid only during the call.
    // Returns how many of the bytes were left unread: those after a head that ends the HTTP
    // stream (a CONNECT's, whose tunnel starts right after it), else 0.
    template <class OnHead>
    std::size_t Feed(std::string_view bytes, OnHead&& onHead) {
        while (!bytes.empty()) {
            const Step step = Advance(bytes);
            bytes.remove_prefix(step.nConsumed);
            if (step.bHead) {
                onHead(step.head, step.bTruncated);
                if (m_state == State::NotHttp) {
                    break;
                }
            }
        }
        ReleaseHead();
        return bytes.size();
    }

    // False once the stream has shown it is not HTTP; nothing is collected after that.
    bool IsHttp() const { return m_state != State::NotHttp; }

    // True once a stream that began as HTTP (a head was read, or a request line starts with
    // an HTTP method) has bytes no request could start with, or a head whose body length
    // cannot be read: a server reads them some way the filter did not. A tunnel (CONNECT) or
    // an upgraded protocol after its head is not unreadable. Set by the time onHead is called
    // for such a head.
    bool Unreadable() const { return m_bUnreadable; }

private:
    enum class State : std::uint8_t {
        BeforeHead,    // empty lines a request may follow
        Head,          // collecting a head into m_head
        SkipHead,      // the rest of a truncated head, line by line
        Body,          // Content-Length bytes
        ChunkSize,     // a chunk-size line
        ChunkData,     // a chunk's bytes
        ChunkDataEnd,  // the line end after a chunk's bytes
        ChunkDataLf,   // the line feed of that line end
        Trailer,       // the trailer section after the last chunk
        NotHttp,
    };

    enum class LineResult : std::uint8_t { More, EndOfHead, NotHttp };

    // What one call of Advance did: the bytes it used, and the head it completed, if any.
    struct Step {
        std::size_t nConsumed = 0;
        bool bHead = false;
        bool bTruncated = false;
        std::string_view head;
    };

    // A head handed over is released only at the next step, or at the end of Feed, so that
    // the state stays whole if onHead throws.
    Step Advance(std::string_view bytes);
    void ReleaseHead();

    Step AdvanceHead(std::string_view bytes);
    LineResult ScanHead(std::string_view head, std::size_t& pos);
    LineResult NoteHeadLine(std::string_view line, bool bCut);
    void NoteFramingHeader(std::string_view line, bool bCut);
    bool NoteContentLength(std::string_view values);
    void StartAfterHead();
    void StartChunkSize();
    std::size_t AdvanceLine(std::string_view bytes);
    std::size_t AdvanceChunkSize(std::string_view bytes);
    std::size_t Skip(std::string_view bytes, State next);
    std::size_t GiveUp(std::string_view bytes);

    // The head being collected; in SkipHead and Trailer, the start of the current line.
    std::string m_head;
    // Body or chunk bytes still to skip; while a chunk-size line is read, the size so far.
    std::uint64_t m_nRemaining = 0;
    std::uint64_t m_nContentLength = 0;
    std::size_t m_nScanned = 0;    // bytes of m_head already looked at
    std::size_t m_nLineStart = 0;  // where m_head's current line starts
    std::size_t m_nChunkLine = 0;  // bytes of the current chunk-size line
    State m_state = State::BeforeHead;
    bool m_bHeadOut = false;  // m_head holds the head last handed over
    bool m_bMethodDone = false;
    bool m_bRequestLineDone = false;
    bool m_bConnect = false;
    bool m_bHasLength = false;
    bool m_bHasTransferEncoding = false;
    bool m_bChunked = false;     // the last transfer coding named is "chunked"
    bool m_bBadFraming = false;  // a body length that cannot be read
    bool m_bLineCut = false;     // the current line in m_head outgrew it
    bool m_bChunkDigits = false;
    bool m_bSeenHead = false;      // a whole head was read
    bool m_bUpgrade = false;       // the head being read asks for another protocol
    bool m_bAfterUpgrade = false;  // the last head did
    bool m_bUnreadable = false;
    bool m_bChunkExtension = false;
    bool m_bChunkCr = false;
};
