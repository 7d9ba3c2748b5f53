#include "filter/core/portable/RequestHeads.h"

#include <algorithm>
#include <limits>

#include "base/portable/Ascii.h"
#include "filter/core/portable/HttpRequest.h"

namespace {

// Longer than any registered method; a longer run of token characters is not a request.
constexpr std::size_t kMaxMethod = 32;
// A line read without keeping all of it: the rest of a truncated head is read in lines of
// at most this many bytes (enough for the framing headers' values), and a chunk-size line
// longer than this is not HTTP.
constexpr std::size_t kMaxLine = 1024;

bool IsTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// 1*DIGIT that fits 64 bits.
bool ParseDecimal(std::string_view text, std::uint64_t& nValue) {
    if (text.empty()) {
        return false;
    }
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    nValue = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto nDigit = static_cast<std::uint64_t>(c - '0');
        if (nValue > (kMax - nDigit) / 10) {
            return false;
        }
        nValue = nValue * 10 + nDigit;
    }
    return true;
}

// The last non-empty element of a comma-separated list, blanks trimmed.
std::string_view LastListElement(std::string_view list) {
    std::string_view last;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view element = TrimBlanks(list.substr(start, comma - start));
        if (!element.empty()) {
            last = element;
        }
        start = comma + 1;
    }
    return last;
}

// Methods only HTTP begins a stream with; other protocols' first words (EHLO, USER, NICK)
// are not among them.
bool IsHttpMethod(std::string_view method) {
    for (const std::string_view known :
         {"GET", "HEAD", "POST", "PUT", "DELETE", "CONNECT", "OPTIONS", "TRACE", "PATCH"}) {
        if (method == known) {
            return true;
        }
    }
    return false;
}

}  // namespace

CRequestHeads::Step CRequestHeads::Advance(std::string_view bytes) {
    ReleaseHead();
    Step step;
    switch (m_state) {
        case State::BeforeHead: {
            // Servers ignore empty lines before a request line, and some clients send one
            // after a body.
            const std::size_t nEmpty = std::min(bytes.find_first_not_of("\r\n"), bytes.size());
            if (nEmpty == bytes.size()) {
                step.nConsumed = nEmpty;
                return step;
            }
            m_state = State::Head;
            step = AdvanceHead(bytes.substr(nEmpty));
            step.nConsumed += nEmpty;
            return step;
        }
        case State::Head:
            return AdvanceHead(bytes);
        case State::SkipHead:
        case State::Trailer:
            step.nConsumed = AdvanceLine(bytes);
            return step;
        case State::Body:
            step.nConsumed = Skip(bytes, State::BeforeHead);
            return step;
        case State::ChunkSize:
            step.nConsumed = AdvanceChunkSize(bytes);
            return step;
        case State::ChunkData:
            step.nConsumed = Skip(bytes, State::ChunkDataEnd);
            return step;
        case State::ChunkDataEnd:
        case State::ChunkDataLf:
            if (bytes.front() == '\n') {
                StartChunkSize();
            } else if (bytes.front() == '\r' && m_state == State::ChunkDataEnd) {
                m_state = State::ChunkDataLf;
            } else {
                step.nConsumed = GiveUp(bytes);
                return step;
            }
            step.nConsumed = 1;
            return step;
        case State::NotHttp:
            break;
    }
    step.nConsumed = bytes.size();
    return step;
}

CRequestHeads::Step CRequestHeads::AdvanceHead(std::string_view bytes) {
    // A head that starts in these bytes is read where it lies; only one that spans sends is
    // copied into m_head.
    const std::size_t nOld = m_head.size();
    std::string_view head;
    if (nOld == 0) {
        head = bytes.substr(0, kMaxHead);
    } else {
        m_head.append(bytes.substr(0, kMaxHead - nOld));
        head = m_head;
    }
    std::size_t pos = m_nScanned;
    const LineResult result = ScanHead(head, pos);
    Step step;
    if (result == LineResult::NotHttp) {
        step.nConsumed = GiveUp(bytes);
        return step;
    }
    if (result == LineResult::EndOfHead) {
        step.nConsumed = pos - nOld;
        step.bHead = true;
        step.head = head.substr(0, pos);
        m_bHeadOut = true;
        StartAfterHead();
        return step;
    }
    if (nOld == 0) {
        m_head.assign(head);
    }
    m_nScanned = pos;
    step.nConsumed = head.size() - nOld;
    if (m_head.size() == kMaxHead) {
        step.bHead = true;
        step.bTruncated = true;
        step.head = m_head;
        m_bHeadOut = true;
        m_state = State::SkipHead;
    }
    return step;
}

void CRequestHeads::ReleaseHead() {
    if (!m_bHeadOut) {
        return;
    }
    m_bHeadOut = false;
    if (m_state == State::SkipHead) {
        // A truncated head: its rest is read line by line, from the line the cut fell in.
        m_head.erase(0, m_nLineStart);
        if (m_head.size() > kMaxLine) {
            m_head.resize(kMaxLine);
            m_bLineCut = true;
        }
    } else {
        m_head.clear();
    }
    m_nScanned = 0;
    m_nLineStart = 0;
    if (m_state == State::NotHttp) {
        std::string().swap(m_head);
    }
}

CRequestHeads::LineResult CRequestHeads::ScanHead(std::string_view head, std::size_t& pos) {
    while (pos < head.size()) {
        if (!m_bMethodDone) {
            // Byte by byte, so that a stream that is not HTTP is known from its first byte.
            const char c = head[pos];
            if (c == ' ' && pos > 0) {
                m_bMethodDone = true;
                m_bConnect = head.substr(0, pos) == "CONNECT";
            } else if (pos >= kMaxMethod || !IsTokenChar(c)) {
                return LineResult::NotHttp;
            }
            ++pos;
            continue;
        }
        const std::size_t lf = head.find('\n', pos);
        if (lf == std::string_view::npos) {
            pos = head.size();
            return LineResult::More;
        }
        const std::string_view line = head.substr(m_nLineStart, lf - m_nLineStart);
        pos = lf + 1;
        m_nLineStart = pos;
        const LineResult result = NoteHeadLine(line, false);
        if (result != LineResult::More) {
            return result;
        }
    }
    return LineResult::More;
}

CRequestHeads::LineResult CRequestHeads::NoteHeadLine(std::string_view line, bool bCut) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (!m_bRequestLineDone) {
        m_bRequestLineDone = true;
        // A request line cut at kMaxHead keeps its method, which was checked, but not its
        // version.
        const RequestLine request = ParseRequestLine(line);
        if (bCut || request.status == RequestLineStatus::Http) {
            // HTTP/2 with prior knowledge (gRPC without TLS) sends this preface, then frames:
            // another protocol, as after an upgrade.
            m_bConnect = m_bConnect || line == "PRI * HTTP/2.0";
            return LineResult::More;
        }
        m_bUnreadable = m_bUnreadable || IsHttpMethod(line.substr(0, line.find(' ')));
        return LineResult::NotHttp;
    }
    if (line.empty() && !bCut) {
        return LineResult::EndOfHead;
    }
    NoteFramingHeader(line, bCut);
    return LineResult::More;
}

void CRequestHeads::NoteFramingHeader(std::string_view line, bool bCut) {
    constexpr std::string_view kLength = "content-length:";
    constexpr std::string_view kCoding = "transfer-encoding:";
    if (StartsWithNoCase(line, "upgrade:")) {
        m_bUpgrade = true;
    }
    if (StartsWithNoCase(line, kLength)) {
        m_bBadFraming = m_bBadFraming || bCut || !NoteContentLength(line.substr(kLength.size()));
    } else if (StartsWithNoCase(line, kCoding)) {
        m_bBadFraming = m_bBadFraming || bCut;
        m_bHasTransferEncoding = true;
        // Later codings are applied after earlier ones: only the last one decides.
        const std::string_view coding = LastListElement(line.substr(kCoding.size()));
        if (!coding.empty()) {
            m_bChunked = coding.size() == 7 && StartsWithNoCase(coding, "chunked");
        }
    }
}

bool CRequestHeads::NoteContentLength(std::string_view values) {
    // Repeated values, in one line or several, must agree.
    for (std::size_t start = 0; start <= values.size();) {
        const std::size_t comma = std::min(values.find(',', start), values.size());
        std::uint64_t nLength = 0;
        if (!ParseDecimal(TrimBlanks(values.substr(start, comma - start)), nLength) ||
            (m_bHasLength && nLength != m_nContentLength)) {
            return false;
        }
        m_bHasLength = true;
        m_nContentLength = nLength;
        start = comma + 1;
    }
    return true;
}

void CRequestHeads::StartAfterHead() {
    State next = State::BeforeHead;
    m_bSeenHead = true;
    m_bUnreadable = m_bUnreadable || m_bBadFraming;
    if (m_bConnect || m_bBadFraming) {
        // What follows is a tunnel, or a body whose end is unclear: no guess is made at
        // where a next request would start.
        next = State::NotHttp;
    } else if (m_bHasTransferEncoding) {
        // Transfer-Encoding overrides Content-Length; a request body whose last coding is not
        // chunked has no length a server could read.
        next = m_bChunked ? State::ChunkSize : State::NotHttp;
        m_bUnreadable = m_bUnreadable || !m_bChunked;
    } else if (m_bHasLength && m_nContentLength > 0) {
        next = State::Body;
        m_nRemaining = m_nContentLength;
    }
    m_bMethodDone = false;
    m_bRequestLineDone = false;
    m_bConnect = false;
    m_bHasLength = false;
    m_bHasTransferEncoding = false;
    m_bChunked = false;
    m_bBadFraming = false;
    m_nContentLength = 0;
    // An upgrade a server declines leaves the connection HTTP: what follows is read on, but
    // bytes that are no request are taken for the new protocol.
    m_bAfterUpgrade = m_bUpgrade;
    m_bUpgrade = false;
    if (next == State::ChunkSize) {
        StartChunkSize();
    }
    m_state = next;
}

void CRequestHeads::StartChunkSize() {
    m_state = State::ChunkSize;
    m_nRemaining = 0;
    m_nChunkLine = 0;
    m_bChunkDigits = false;
    m_bChunkExtension = false;
    m_bChunkCr = false;
}

std::size_t CRequestHeads::AdvanceLine(std::string_view bytes) {
    const std::size_t lf = bytes.find('\n');
    const std::size_t nPart = std::min(lf, bytes.size());
    const std::size_t nRoom = kMaxLine - m_head.size();
    if (nPart > nRoom) {
        m_bLineCut = true;
    }
    m_head.append(bytes.substr(0, std::min(nPart, nRoom)));
    if (lf == std::string_view::npos) {
        return bytes.size();
    }
    LineResult result = LineResult::More;
    if (m_state == State::SkipHead) {
        result = NoteHeadLine(m_head, m_bLineCut);
    } else if (!m_bLineCut && (m_head.empty() || m_head == "\r")) {
        result = LineResult::EndOfHead;
    }
    m_head.clear();
    m_bLineCut = false;
    if (result == LineResult::NotHttp) {
        return GiveUp(bytes);
    }
    if (result == LineResult::EndOfHead) {
        if (m_state == State::SkipHead) {
            StartAfterHead();
        } else {
            m_state = State::BeforeHead;
        }
    }
    return lf + 1;
}

std::size_t CRequestHeads::AdvanceChunkSize(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (++m_nChunkLine > kMaxLine) {
            return GiveUp(bytes);
        }
        if (c == '\n') {
            if (!m_bChunkDigits) {
                return GiveUp(bytes);
            }
            // The last chunk is followed by the trailer section.
            m_state = m_nRemaining == 0 ? State::Trailer : State::ChunkData;
            return i + 1;
        }
        if (m_bChunkCr) {
            // A carriage return only ever ends the line.
            return GiveUp(bytes);
        }
        const int nHex = HexDigitValue(c);
        if (c == '\r') {
            m_bChunkCr = true;
        } else if (!m_bChunkExtension && nHex >= 0) {
            if (m_nRemaining > (std::numeric_limits<std::uint64_t>::max() >> 4)) {
                return GiveUp(bytes);
            }
            m_nRemaining = m_nRemaining * 16 + static_cast<std::uint64_t>(nHex);
            m_bChunkDigits = true;
        } else if (m_bChunkDigits && (c == ';' || c == ' ' || c == '\t')) {
            m_bChunkExtension = true;
        } else if (!m_bChunkExtension) {
            return GiveUp(bytes);
        }
    }
    return bytes.size();
}

std::size_t CRequestHeads::Skip(std::string_view bytes, State next) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(m_nRemaining, bytes.size()));
    m_nRemaining -= n;
    if (m_nRemaining == 0) {
        m_state = next;
    }
    return n;
}

std::size_t CRequestHeads::GiveUp(std::string_view bytes) {
    if (m_bSeenHead && !m_bAfterUpgrade) {
        m_bUnreadable = true;
    }
    m_state = State::NotHttp;
    std::string().swap(m_head);
    return bytes.size();
}
