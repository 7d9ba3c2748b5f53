#include "Api/portable/DoubleBuffering.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

CDoubleBuffering::CDoubleBuffering(std::istream& stream, char* pBuffer, int iSize, int iChunkLength)
    : m_stream(stream),
      m_iSize(iSize),
      m_iSize2(iSize / 2),
      m_iChunkLength(iChunkLength),
      m_pBuffer(pBuffer) {
    if (m_iSize % 2 != 0) {
        throw std::runtime_error("CDoubleBuffering: m_iSize should be Even Number!");
    }
    if (!m_stream) {
        throw std::runtime_error("CDoubleBuffering: Referenced File not Opened or in Bad State!");
    }
    if (m_iChunkLength < 1 || m_iChunkLength > m_iSize2 || m_pBuffer == nullptr) {
        throw std::runtime_error("CDoubleBuffering: Illegal Construction Data!");
    }
    FillNextHalf();
}

int CDoubleBuffering::GetData(char* pOut, int iDataLen) {
    if (iDataLen == -1) {
        iDataLen = m_iChunkLength;
    }
    if (iDataLen < 1 || iDataLen > m_iSize2) {
        throw std::runtime_error("CDoubleBuffering::GetData(): Illegal iDataLen!");
    }
    if (m_bEnd) {
        return 0;
    }
    // The undelivered bytes never fill more than one half here, so the other half is free.
    if (m_iValid < iDataLen && !m_stream.eof()) {
        FillNextHalf();
    }
    const int iCount = std::min(iDataLen, m_iValid);
    CopyOut(pOut, iCount);
    if (iCount < iDataLen) {
        m_bEnd = true;
    }
    return iCount;
}

void CDoubleBuffering::FillNextHalf() {
    char* pHalf = m_pBuffer + (m_bFillSecondHalf ? m_iSize2 : 0);
    m_stream.read(pHalf, m_iSize2);
    if (m_stream.bad()) {
        throw std::runtime_error("CDoubleBuffering: Referenced File not Opened or in Bad State!");
    }
    m_iValid += static_cast<int>(m_stream.gcount());
    m_bFillSecondHalf = !m_bFillSecondHalf;
}

void CDoubleBuffering::CopyOut(char* pOut, int iCount) {
    const int iFirst = std::min(iCount, m_iSize - m_iCurPos);
    std::memcpy(pOut, m_pBuffer + m_iCurPos, static_cast<size_t>(iFirst));
    std::memcpy(pOut + iFirst, m_pBuffer, static_cast<size_t>(iCount - iFirst));
    m_iCurPos = (m_iCurPos + iCount) % m_iSize;
    m_iValid -= iCount;
}
