#include "filter/core/portable/RequestInspector.h"

#include "base/portable/Ascii.h"
#include "filter/core/portable/HttpRequest.h"

namespace {

constexpr char kSendPrefix[] = "WSPSend    :: ";

// Collects the bytes of 1- and 2-byte sends; true when the collection holds a whole head.
bool CollectSmallSend(SocketFilterState& state, std::string_view bytes, IFilterLog& log) {
    if (state.pendingRequest.size() + bytes.size() > SocketFilterState::kMaxPendingRequest) {
        log.Log(std::string(kSendPrefix) + "Collected request head too long, dropped", 1);
        state.pendingRequest.clear();
        return false;
    }
    state.pendingRequest.append(bytes);
    if (log.Enabled(2)) {
        log.Write(kSendPrefix + state.pendingRequest, 2);
    }
    return bytes.size() == 2 && state.pendingRequest.find("\r\n\r\n") != std::string::npos;
}

// The head collected from small sends: its Request-URI, version and Host header.
void ParseCollectedHead(SocketFilterState& state, std::optional<std::string>& requestUri,
                        IFilterLog& log) {
    const RequestLine line = ParseRequestLine(state.pendingRequest);
    if (line.status == RequestLineStatus::Http || line.status == RequestLineStatus::NotHttp) {
        requestUri = std::string(line.requestUri);
        if (line.status == RequestLineStatus::Http) {
            state.isHttp = 1;
        } else {
            log.Log(std::string(kSendPrefix) + "HTTP Version not found", 1);
        }
    }
    const HostHeader host = FindHostHeader(state.pendingRequest);
    if (host.status == HostStatus::Found) {
        std::string strHost(host.value);
        ToLowerAscii(strHost);
        state.SetHost(strHost);
        log.Log(std::string(kSendPrefix) + "Host:" + state.host, 1);
    }
    state.pendingRequest.clear();
}

// The request line of a send, parsed until one of them shows "HTTP/".
void ParseRequestLineOnce(SocketFilterState& state, std::string_view copy,
                          std::optional<std::string>& requestUri, IFilterLog& log) {
    if (state.isHttp == 1) {
        log.Log("WSPSend    :: Previously Evaluated as HTTP", 4);
        return;
    }
    log.Log("WSPSend    :: Evaluating HTTP", 2);
    const RequestLine line = ParseRequestLine(copy);
    if (line.status == RequestLineStatus::NoMethod) {
        log.Log("WSPSend    :: Request Method not found", 3);
    } else {
        log.Log("WSPSend :: Method is " + std::string(line.method), 4);
        if (line.status == RequestLineStatus::NoRequestUri) {
            log.Log("WSPSend    :: RequestURI not found", 3);
        } else {
            requestUri = std::string(line.requestUri);
            log.Log("WSPSend :: RequestURI is " + *requestUri, 4);
            if (line.status == RequestLineStatus::Http) {
                state.isHttp = 1;
                log.Log("WSPSend :: HTTP version found", 4);
            } else {
                log.Log("WSPSend    :: HTTP Version not found", 3);
            }
        }
    }
    log.Log("WSPSend :: After HeapFree(szMethod)", 4);
}

}  // namespace

InspectedSend InspectSend(SocketFilterState& state, std::string_view firstBuffer, IFilterLog& log) {
    InspectedSend send;
    const bool bSmall = firstBuffer.size() <= 2;
    if (bSmall && CollectSmallSend(state, firstBuffer, log)) {
        ParseCollectedHead(state, send.requestUri, log);
    }
    // A 1-byte send is only collected; a 2-byte one is also read as a send of its own.
    send.bJudge = !bSmall || firstBuffer.size() == 2;
    if (send.bJudge) {
        send.copy = std::string(UpToFirstNul(firstBuffer));
        log.Log("------------------------", 2);
        log.Log(send.copy, 2);
        log.Log("------------------------", 2);
        ParseRequestLineOnce(state, send.copy, send.requestUri, log);
    }
    return send;
}
