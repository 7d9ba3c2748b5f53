#include "tools/filter-proxy/portable/StatusReply.h"

const char* ReasonPhrase(int iStatus) {
    switch (iStatus) {
        case 400:
            return "Bad Request";
        case 408:
            return "Request Timeout";
        case 431:
            return "Request Header Fields Too Large";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return "Error";
    }
}

std::string StatusReply(int iStatus, std::string_view text) {
    const std::string body = "filter-proxy: " + std::string(text) + "\n";
    return "HTTP/1.1 " + std::to_string(iStatus) + " " + ReasonPhrase(iStatus) +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}
