#include "tools/category-server/portable/ServerOutput.h"

#include <cstdio>
#include <utility>

#include "Api/portable/ServerAddress.h"

CServerOutput::CServerOutput(std::string strLogFile) : m_strLogFile(std::move(strLogFile)) {}

void CServerOutput::Listening(std::uint32_t uAddress, std::uint16_t uPort,
                              const std::string& strLoaded) {
    const std::string strAddress = FormatIpv4(uAddress);
    Line("listening on " + strAddress + ":" + std::to_string(uPort) + ": " + strLoaded);
    if (!IsLoopbackIpv4(uAddress)) {
        Line("note: --address " + strAddress + " answers other machines too");
    }
}

void CServerOutput::Write(std::string_view lines) noexcept {
    const std::lock_guard lock(m_lock);
    if (m_strLogFile.empty()) {
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        std::fflush(stdout);
        return;
    }
    if (std::FILE* pFile = std::fopen(m_strLogFile.c_str(), "ab")) {
        std::fwrite(lines.data(), 1, lines.size(), pFile);
        std::fclose(pFile);
    }
}

CLookupLines::CLookupLines(CServerOutput& output) : m_output(output) {
    m_batch.reserve(kBatchBytes + 4096);
}

void CLookupLines::Add(std::string_view url, std::string_view category) {
    const std::size_t nStart = m_batch.size();
    m_batch.append(url);
    for (std::size_t i = nStart; i < m_batch.size(); ++i) {
        const auto c = static_cast<unsigned char>(m_batch[i]);
        if (c < 0x20 || c == 0x7F) {
            m_batch[i] = '?';
        }
    }
    m_batch.append(" -> ");
    m_batch.append(category.empty() ? std::string_view("(unknown)") : category);
    m_batch.push_back('\n');
    if (m_batch.size() >= kBatchBytes) {
        Flush();
    }
}

void CLookupLines::Flush() noexcept {
    if (!m_batch.empty()) {
        m_output.Write(m_batch);
        m_batch.clear();
    }
}
