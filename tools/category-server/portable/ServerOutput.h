// Where the server's lines go: standard output, or a file it appends to (opened for each
// batch of lines, so that the file may be moved aside or read between two). Lines from any
// thread stay whole.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

class CServerOutput {
public:
    explicit CServerOutput(std::string strLogFile = "");
    CServerOutput(const CServerOutput&) = delete;
    CServerOutput& operator=(const CServerOutput&) = delete;

    // Whole lines, each ending in '\n', written and flushed at once.
    void Write(std::string_view lines) noexcept;
    void Line(const std::string& line) { Write(line + "\n"); }
    // The first line, once lookups are answered ("listening on ADDRESS:PORT: " and what was
    // loaded), and a note when other machines can reach the server.
    void Listening(std::uint32_t uAddress, std::uint16_t uPort, const std::string& strLoaded);

private:
    std::mutex m_lock;
    std::string m_strLogFile;
};

// A serving thread's lookup lines ("URL -> CATEGORY", "(unknown)" for an unknown site),
// written in batches: when enough have gathered and whenever the thread has nothing else to
// do, so that a reader of the output sees each lookup soon after it was answered.
class CLookupLines {
public:
    explicit CLookupLines(CServerOutput& output);
    CLookupLines(const CLookupLines&) = delete;
    CLookupLines& operator=(const CLookupLines&) = delete;
    ~CLookupLines() { Flush(); }

    // Bytes of the URL below 0x20 (a line end, say) and 0x7F show as '?': a request cannot
    // write lines of its own into the output.
    void Add(std::string_view url, std::string_view category);
    void Flush() noexcept;

private:
    static constexpr std::size_t kBatchBytes = 16384;

    CServerOutput& m_output;
    std::string m_batch;
};
