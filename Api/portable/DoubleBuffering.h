// Reads a binary stream in chunks through a caller's ring buffer, refilling one half of the
// ring while the other half is still being consumed.
#pragma once

#include <istream>

class CDoubleBuffering {
public:
    static constexpr int kDefaultSize = 1024;
    static constexpr int kDefaultChunkLength = 384;

    // Throws std::runtime_error for an odd size, a stream that is not readable, or a chunk
    // length outside 1..iSize/2. Reads the first half of the ring at once.
    CDoubleBuffering(std::istream& stream, char* pBuffer, int iSize = kDefaultSize,
                     int iChunkLength = kDefaultChunkLength);

    // Copies up to iDataLen bytes (-1: the chunk length) into pOut and returns the count;
    // fewer only at the end of the stream, and 0 once the end has been delivered.
    // Throws std::runtime_error for a length outside 1..iSize/2 or a stream gone bad.
    int GetData(char* pOut, int iDataLen = -1);

private:
    void FillNextHalf();
    void CopyOut(char* pOut, int iCount);

    std::istream& m_stream;
    int m_iSize;
    int m_iSize2;
    int m_iChunkLength;
    char* m_pBuffer;
    int m_iCurPos = 0;
    int m_iValid = 0;  // bytes read from the stream and not yet delivered
    bool m_bFillSecondHalf = false;
    bool m_bEnd = false;
};
